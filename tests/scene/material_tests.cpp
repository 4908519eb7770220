// Materials: what the two constructors derive from their arguments, the shared default material, and the
// exact device set-up that applyMaterial performs for lit, unlit, sprite and textured materials.
#include <gtest/gtest.h>

#include <vector>

#include "device/call_lines.h"
#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "device/started_device_fixture.h"
#include "scene/apply_material.h"
#include "scene/material.h"
#include "texture/texture_upload.h"

namespace {

using namespace device;
using namespace recording::calls;
using scene::Material;

// A surface material with the scene's usual settings: lit, flat, blended, depth-tested and -written,
// culled, no textures; the arguments that the tests vary are parameters.
Material* surface(graph::ObjectStore& store, std::int32_t specular, float alpha = 0.7f, std::int32_t flags = 1,
                  std::int32_t surfaceMode = 0, std::int32_t texCoordSource = 0) {
    const auto ambient = static_cast<std::int32_t>(0xFF202020);
    const auto diffuse = static_cast<std::int32_t>(0xFF40D0FF);
    const auto white = static_cast<std::int32_t>(0xFFFFFFFF);
    return scene::makeSurfaceMaterial(store, ambient, diffuse, specular, 64.9f, alpha, flags, flags, flags, flags,
                                      flags, surfaceMode, 0, white, 0, nullptr, nullptr, 0, texCoordSource, 0, nullptr,
                                      0, texCoordSource, 0);
}

TEST(Material, SurfaceArgumentsAndDerivedFlags) {
    graph::ObjectStore store;
    const Material* m = surface(store, static_cast<std::int32_t>(0xFF000000));
    EXPECT_FALSE(m->specular) << "an alpha byte alone is no specular colour";
    EXPECT_TRUE(surface(store, 0x00000001)->specular);
    // Argument 5 replaces the alpha of all three colours, whatever their alpha bytes.
    EXPECT_EQ(m->surface.Diffuse.a, 0.7f);
    EXPECT_EQ(m->surface.Ambient.a, 0.7f);
    EXPECT_EQ(m->surface.Specular.a, 0.7f);
    EXPECT_EQ(m->surface.Diffuse.r, 0x40 / 255.0f);
    EXPECT_EQ(m->surface.Diffuse.g, 0xD0 / 255.0f);
    EXPECT_EQ(m->surface.Diffuse.b, 1.0f);
    EXPECT_EQ(m->surface.Ambient.g, 0x20 / 255.0f);
    EXPECT_EQ(m->surface.Power, 64.9f);
    EXPECT_EQ(m->surface.Emissive.r, 0.0f);
    EXPECT_EQ(m->surface.Emissive.a, 0.0f);
    EXPECT_TRUE(m->alphaBlend && m->depthWrite && m->depthTest && m->cull && m->lighting);
    // Flags are read from their low byte.
    const Material* highByte = surface(store, 0, 1.0f, 0x100);
    EXPECT_FALSE(highByte->alphaBlend || highByte->depthWrite || highByte->depthTest || highByte->cull ||
                 highByte->lighting);
    EXPECT_TRUE(surface(store, 0, 1.0f, 0x101)->lighting);
    // Texture coordinates are needed when either stage reads the mesh's own.
    EXPECT_TRUE(m->usesTexCoords);
    EXPECT_FALSE(surface(store, 0, 1.0f, 1, 0, 2)->usesTexCoords);
    EXPECT_EQ(m->spriteTexture, nullptr);
    EXPECT_EQ(m->lineColor, 0xFFFFFFFFu);
}

TEST(Material, DefaultAndSpriteMaterials) {
    const Material& defaults = scene::sharedDefaultMaterial();
    EXPECT_EQ(&defaults, &scene::sharedDefaultMaterial());
    EXPECT_EQ(defaults.surface.Diffuse.r, 0.8f);
    EXPECT_EQ(defaults.surface.Ambient.g, 0.2f);
    EXPECT_EQ(defaults.surface.Specular.a, 1.0f);
    EXPECT_EQ(defaults.surface.Emissive.a, 0.0f);
    EXPECT_EQ(defaults.surface.Power, 10.0f);
    EXPECT_TRUE(defaults.alphaBlend && defaults.depthWrite && defaults.depthTest && defaults.cull && defaults.lighting);
    EXPECT_EQ(defaults.surfaceMode, 0);
    EXPECT_FALSE(defaults.usesTexCoords || defaults.specular || defaults.tangentStreams);

    graph::ObjectStore store;
    texture::TextureUpload image(nullptr, 16, 16, 16, 16, nullptr);
    const Material* sprite = scene::makeSpriteMaterial(store, image, 5.0f, 1, 2, 0x101);
    EXPECT_EQ(sprite->spriteTexture, &image);
    EXPECT_EQ(sprite->spriteSize, 5.0f);
    EXPECT_EQ(sprite->spriteSizeChannel, 1);
    EXPECT_EQ(sprite->spriteAlphaChannel, 2);
    EXPECT_TRUE(sprite->depthTest);
    EXPECT_EQ(sprite->surfaceMode, -1);
    EXPECT_FALSE(sprite->depthWrite || sprite->cull || sprite->lighting || sprite->tangentStreams);
    EXPECT_TRUE(sprite->alphaBlend);
}

class ApplyMaterial : public StartedDeviceTest {
protected:
    IDirect3DDevice9& device() { return *deviceState().device; }
    D3DMATRIX world() const { return toD3DMatrix(deviceState().sharedWorld); }
    graph::ObjectStore store;
};

TEST_F(ApplyMaterial, LitFlatSpecularMaterialInOrder) {
    const Material* m = surface(store, static_cast<std::int32_t>(0xFFFFFFFF));
    deviceState().sharedWorld = math::matTranslation(1, 2, 3);
    scene::applyMaterial(device(), *m, 0.0f);
    EXPECT_EQ(backend.lines(), (std::vector<std::string>{
                                   renderState(D3DRS_ALPHABLENDENABLE, TRUE),
                                   renderState(D3DRS_ZENABLE, D3DZB_TRUE),
                                   renderState(D3DRS_ZWRITEENABLE, TRUE),
                                   renderState(D3DRS_ZFUNC, D3DCMP_LESS),
                                   renderState(D3DRS_CULLMODE, D3DCULL_CCW),
                                   transform("WORLD", world()),
                                   renderState(D3DRS_LIGHTING, TRUE),
                                   renderState(D3DRS_COLORVERTEX, TRUE),
                                   material(m->surface),
                                   renderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL),
                                   renderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL),
                                   renderState(D3DRS_SPECULARENABLE, TRUE),
                                   renderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL),
                                   renderState(D3DRS_SHADEMODE, D3DSHADE_FLAT),
                                   stageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE),
                                   stageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
                                   stageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
                                   stageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
                               }))
        << backend.transcript();
}

TEST_F(ApplyMaterial, ShadingAndDepthVariants) {
    // Lit and smooth: Gouraud, and no specular source without a specular colour.
    scene::applyMaterial(device(), *surface(store, 0, 1.0f, 1, 1), 0.0f);
    auto& states = backend.device()->renderStates;
    EXPECT_EQ(states[D3DRS_SHADEMODE], D3DSHADE_GOURAUD);
    EXPECT_EQ(states[D3DRS_SPECULARENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(backend.device()->renderStates.count(D3DRS_SPECULARMATERIALSOURCE), 0u);

    // Unlit: Gouraud whatever the surface mode, and no lit-only states.
    backend.clearLog();
    Material* unlit = surface(store, 0, 1.0f, 1, 0);
    unlit->lighting = false;
    scene::applyMaterial(device(), *unlit, 0.0f);
    EXPECT_EQ(states[D3DRS_SHADEMODE], D3DSHADE_GOURAUD);
    EXPECT_EQ(states[D3DRS_LIGHTING], static_cast<DWORD>(FALSE));
    EXPECT_EQ(states[D3DRS_COLORVERTEX], static_cast<DWORD>(FALSE));
    for (const std::string& line : backend.lines("SetRenderState")) {
        EXPECT_NE(line, renderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL)) << "set for an unlit material";
    }

    // Depth writes without the depth test: the buffer is on, the comparison always passes.
    Material* writeOnly = surface(store, 0);
    writeOnly->depthTest = false;
    scene::applyMaterial(device(), *writeOnly, 0.0f);
    EXPECT_EQ(states[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(states[D3DRS_ZWRITEENABLE], static_cast<DWORD>(TRUE));
    EXPECT_EQ(states[D3DRS_ZFUNC], static_cast<DWORD>(D3DCMP_ALWAYS));
    // Neither: the depth buffer is off; no culling.
    Material* noDepth = surface(store, 0, 0.0f, 0);
    scene::applyMaterial(device(), *noDepth, 0.0f);
    EXPECT_EQ(states[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_FALSE));
    EXPECT_EQ(states[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(states[D3DRS_ALPHABLENDENABLE], static_cast<DWORD>(FALSE));
}

TEST_F(ApplyMaterial, SpriteMaterialTouchesNothing) {
    texture::TextureUpload image(&device(), 8, 8, 8, 8, nullptr);
    backend.clearLog();
    scene::applyMaterial(device(), *scene::makeSpriteMaterial(store, image, 1.0f, 1, 0, 1), 0.0f);
    EXPECT_TRUE(backend.lines().empty()) << backend.transcript();
}

TEST_F(ApplyMaterial, StageTexturesAreBoundFilteredAndModulated) {
    std::vector<std::uint32_t> pixels(64, 0xFF808080);
    texture::TextureUpload first(&device(), 8, 8, 8, 8, pixels.data());
    texture::TextureUpload second(&device(), 8, 8, 8, 8, pixels.data());
    texture::TextureUpload noDevice(nullptr, 8, 8, 8, 8, nullptr);
    Material* m = surface(store, 0);
    m->stageTextures = {&first, &second};
    backend.clearLog();
    scene::applyMaterial(device(), *m, 0.0f);
    const std::vector<std::string> lines = backend.lines();
    const std::vector<std::string> stages(lines.end() - 18, lines.end());
    std::vector<std::string> expected = modulatedStageZero("texture1");
    expected.insert(expected.end(), {
                                        setTexture(1, "texture2"),
                                        samplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
                                        samplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
                                        stageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
                                        stageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT),
                                        stageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE),
                                        stageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
                                        stageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT),
                                        stageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
                                    });
    EXPECT_EQ(stages, expected);
    // A texture object without a device texture leaves its stage disabled.
    m->stageTextures = {&noDevice, nullptr};
    scene::applyMaterial(device(), *m, 0.0f);
    EXPECT_EQ((backend.device()->textureStageStates[{0, D3DTSS_COLOROP}]), static_cast<DWORD>(D3DTOP_DISABLE));
}

}  // namespace
