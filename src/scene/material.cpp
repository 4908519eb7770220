// The two material constructors and the shared default material.
#include "scene/material.h"

#include "texture/texture_upload.h"

namespace scene {

namespace {

// Flag arguments are read from their low byte.
bool lowByte(std::int32_t value) { return (value & 0xFF) != 0; }

}  // namespace

const Material& sharedDefaultMaterial() {
    static const Material defaults;
    return defaults;
}

device::D3DCOLORVALUE colorValue(std::int32_t argb) {
    const auto bits = static_cast<std::uint32_t>(argb);
    auto channel = [bits](int shift) { return static_cast<float>((bits >> shift) & 0xFFu) / 255.0f; };
    return {channel(16), channel(8), channel(0), channel(24)};
}

Material* makeSurfaceMaterial(graph::ObjectStore& store, std::int32_t ambient, std::int32_t diffuse,
                              std::int32_t specular, float power, float alpha, std::int32_t alphaBlend,
                              std::int32_t depthWrite, std::int32_t depthTest, std::int32_t cull,
                              std::int32_t lighting, std::int32_t surfaceMode, std::int32_t lineMode,
                              std::int32_t lineColor, std::int32_t tangentStreams, graph::ScriptObject* effect,
                              texture::TextureUpload* stage0Texture, std::int32_t,
                              std::int32_t stage0TexCoordSource, std::int32_t,
                              texture::TextureUpload* stage1Texture, std::int32_t,
                              std::int32_t stage1TexCoordSource, std::int32_t) {
    if (effect != nullptr) {
        store.rejectRecord("SurfaceMaterial: argument 15 names an effect, and no effect kind exists");
        return nullptr;
    }
    Material* material = store.make<Material>();
    material->surface.Ambient = colorValue(ambient);
    material->surface.Diffuse = colorValue(diffuse);
    material->surface.Specular = colorValue(specular);
    material->specular = (static_cast<std::uint32_t>(specular) & 0x00FFFFFFu) != 0;
    material->surface.Power = power;
    material->surface.Ambient.a = material->surface.Diffuse.a = material->surface.Specular.a = alpha;
    material->alphaBlend = lowByte(alphaBlend);
    material->depthWrite = lowByte(depthWrite);
    material->depthTest = lowByte(depthTest);
    material->cull = lowByte(cull);
    material->lighting = lowByte(lighting);
    material->surfaceMode = surfaceMode;
    material->lineMode = lineMode;
    material->lineColor = static_cast<device::D3DCOLOR>(lineColor);
    material->tangentStreams = lowByte(tangentStreams);
    material->stageTextures = {stage0Texture, stage1Texture};
    material->texCoordSources = {stage0TexCoordSource, stage1TexCoordSource};
    material->usesTexCoords = stage0TexCoordSource == 0 || stage1TexCoordSource == 0;
    return material;
}

Material* makeSpriteMaterial(graph::ObjectStore& store, texture::TextureUpload& texture, float spriteSize,
                             std::int32_t sizeChannel, std::int32_t alphaChannel, std::int32_t depthTest) {
    Material* material = store.make<Material>();
    material->spriteTexture = &texture;
    material->spriteSize = spriteSize;
    material->spriteSizeChannel = sizeChannel;
    material->spriteAlphaChannel = alphaChannel;
    material->depthTest = lowByte(depthTest);
    material->surfaceMode = -1;
    material->depthWrite = false;
    material->cull = false;
    material->lighting = false;
    material->tangentStreams = false;
    return material;
}

}  // namespace scene
