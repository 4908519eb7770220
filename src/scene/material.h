// The material record: how an object instance is drawn. Which passes it takes part in, the fixed-function
// state of its solid surface, and the parameters of its line and sprite passes. Built by the surface
// material (scene-script class 25) and the sprite material (class 16); immutable afterwards and shared by
// any number of instances.
#pragma once

#include <array>
#include <cstdint>

#include "device/d3d9_interfaces.h"
#include "graph/script_object.h"

namespace texture {
class TextureUpload;
}

namespace scene {

struct Material : graph::ScriptObject {
    static constexpr const char* kScriptName = "material";

    device::D3DCOLOR lineColor = 0xFFFFFFFF;
    // A material with a sprite texture takes part in the sprite pass.
    texture::TextureUpload* spriteTexture = nullptr;
    // Textures of stages 0 and 1.
    std::array<texture::TextureUpload*, 2> stageTextures{};
    device::D3DMATERIAL9 surface{{0.8f, 0.8f, 0.8f, 1.0f},
                                 {0.2f, 0.2f, 0.2f, 1.0f},
                                 {0.0f, 0.0f, 0.0f, 1.0f},
                                 {0.0f, 0.0f, 0.0f, 0.0f},
                                 10.0f};
    // 0 no line pass; 1 the mesh's explicit line list; 2 or more its edge list.
    std::int32_t lineMode = 0;
    // Also picks the pass of the solid surface: opaque solids in the opaque pass, blended ones late.
    bool alphaBlend = true;
    bool depthWrite = true;
    bool depthTest = true;
    bool cull = true;
    bool lighting = true;
    // Negative: no solid surface; 0 flat (faces split apart, face normals); above 0 smooth (shared vertices).
    std::int32_t surfaceMode = 0;
    // The solid draw binds the tangent and binormal streams.
    bool tangentStreams = false;
    // Per stage; 0 means the stage reads the mesh's texture coordinates.
    std::array<std::int32_t, 2> texCoordSources{};
    // Mesh channels that scale each sprite and give its alpha; 0 or less: none.
    std::int32_t spriteSizeChannel = 0;
    std::int32_t spriteAlphaChannel = 0;
    // Half the edge length of a sprite quad.
    float spriteSize = 0.0f;
    // The solid draw binds the texture-coordinate stream.
    bool usesTexCoords = false;
    // The specular colour has a red, green or blue component.
    bool specular = false;
};

// The material of every object instance the script gives none: the record's defaults. Created on first
// use and never changed.
const Material& sharedDefaultMaterial();

// A colour word 0xAARRGGBB as four channels, each byte divided by 255.
device::D3DCOLORVALUE colorValue(std::int32_t argb);

// Class 25, the 23 arguments as the script passes them. The effect (argument 15) must be null: no effect
// kind exists, and a record that names one is rejected. Arguments 17, 19, 21 and 23 are not used.
Material* makeSurfaceMaterial(graph::ObjectStore& store, std::int32_t ambient, std::int32_t diffuse,
                              std::int32_t specular, float power, float alpha, std::int32_t alphaBlend,
                              std::int32_t depthWrite, std::int32_t depthTest, std::int32_t cull,
                              std::int32_t lighting, std::int32_t surfaceMode, std::int32_t lineMode,
                              std::int32_t lineColor, std::int32_t tangentStreams, graph::ScriptObject* effect,
                              texture::TextureUpload* stage0Texture, std::int32_t unused17,
                              std::int32_t stage0TexCoordSource, std::int32_t unused19,
                              texture::TextureUpload* stage1Texture, std::int32_t unused21,
                              std::int32_t stage1TexCoordSource, std::int32_t unused23);

// Class 16: texture, sprite size, size channel, alpha channel, depth test. No solid surface, no depth
// writes, no culling, no lighting; blended.
Material* makeSpriteMaterial(graph::ObjectStore& store, texture::TextureUpload& texture, float spriteSize,
                             std::int32_t sizeChannel, std::int32_t alphaChannel, std::int32_t depthTest);

}  // namespace scene
