// Texture scenes: bilinear-filtered, wrapped and clamped textures modulated by vertex colour in
// perspective, and screen overlays that map texels onto pixels exactly.
#include <cmath>

#include "scenes.h"

namespace devicecheck {
namespace {

using namespace device;

// A quad of the given half sizes in its local x-y plane, corners clockwise from the top-left as a fan.
std::array<QuadVertex, 4> localQuad(float halfWidth, float halfHeight, float u0, float v0, float u1, float v1,
                                    std::array<D3DCOLOR, 4> colors) {
    return {{{-halfWidth, halfHeight, 0.0f, u0, v0, colors[0]},
             {halfWidth, halfHeight, 0.0f, u1, v0, colors[1]},
             {halfWidth, -halfHeight, 0.0f, u1, v1, colors[2]},
             {-halfWidth, -halfHeight, 0.0f, u0, v1, colors[3]}}};
}

void modulateTexture(IDirect3DDevice9& d, IDirect3DTexture9* texture) {
    d.SetTexture(0, texture);
    d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

void setAddressing(IDirect3DDevice9& d, D3DTEXTUREADDRESS mode) {
    d.SetSamplerState(0, D3DSAMP_ADDRESSU, mode);
    d.SetSamplerState(0, D3DSAMP_ADDRESSV, mode);
}

// A wall turned away from the camera, drawn from a vertex buffer as a strip: texture coordinates run from
// -1 to 3 across and 0 to 2 down, so the wrapped texture repeats four times by two.
void drawWrappedWall(const SceneContext& context, IDirect3DTexture9* texture) {
    IDirect3DDevice9& d = context.device;
    const std::vector<QuadVertex> strip{{-2.0f, 1.2f, 0.0f, -1.0f, 0.0f, 0xFFFFFFFF},
                                        {2.0f, 1.2f, 0.0f, 3.0f, 0.0f, 0xFFFFC080},
                                        {-2.0f, -1.2f, 0.0f, -1.0f, 2.0f, 0xFF80C0FF},
                                        {2.0f, -1.2f, 0.0f, 3.0f, 2.0f, 0xFFFFFFFF}};
    IDirect3DVertexBuffer9* buffer = context.resources.quadVertices(strip);
    setAddressing(d, D3DTADDRESS_WRAP);
    modulateTexture(d, texture);
    setWorld(context, placement(0.6f, 0.2f, 8.0f, 1.0f, 0.0f, 0.7f));
    d.SetVertexDeclaration(context.quadDeclaration);
    d.SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
    d.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    d.SetStreamSource(0, nullptr, 0, 0);
}

}  // namespace

void drawTexturedWrapQuads(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF303030);
    setCommonState(context);
    IDirect3DTexture9* checker = context.resources.texture(makeChecker(32, 4, 0xFFE8E8E8, 0xFF3050A0));
    IDirect3DTexture9* bands = context.resources.texture(makeAlphaBands(64));
    drawWrappedWall(context, checker);

    // Blended panes in front, coordinates from -0.5 to 1.5: wrapped on the left, clamped on the right.
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    modulateTexture(d, bands);
    setAddressing(d, D3DTADDRESS_WRAP);
    setWorld(context, placement(-1.3f, -0.2f, 5.5f, 1.0f, 0.3f, -0.3f));
    drawFan(context,
            localQuad(0.8f, 0.8f, -0.5f, -0.5f, 1.5f, 1.5f, {0xE0FFFFFF, 0xE0FFFFFF, 0x80FF8080, 0xFFFFFFFF}));
    setAddressing(d, D3DTADDRESS_CLAMP);
    setWorld(context, placement(1.4f, -0.3f, 5.0f, 1.0f, -0.2f, 0.25f));
    drawFan(context,
            localQuad(0.6f, 0.6f, -0.5f, -0.5f, 1.5f, 1.5f, {0xFFFFFFFF, 0xC0FFFFFF, 0xFF80FF80, 0x60FFFFFF}));
}

void drawOverlayTexelExact(const SceneContext& context) {
    clearFrame(context, 0xFF404040);
    setCommonState(context);
    IDirect3DTexture9* pattern = context.resources.texture(makeTexelPattern(128));
    IDirect3DTexture9* bands = context.resources.texture(makeAlphaBands(64));

    // One texel per pixel over twice the texture's size: repeats through the device's default wrap mode,
    // which the engine's overlays rely on (the common state leaves addressing alone).
    drawOverlay(context, {.x = 40, .y = 40, .width = 256, .height = 256, .texture = pattern, .du = 2, .dv = 2});
    // Exactly once, and once scrolled by a quarter and a half of the texture.
    drawOverlay(context, {.x = 330, .y = 40, .width = 128, .height = 128, .texture = pattern});
    drawOverlay(context, {.x = 330,
                          .y = 190,
                          .width = 128,
                          .height = 128,
                          .texture = pattern,
                          .u0 = 0.25f,
                          .v0 = 0.5f});
    // Magnified four times with bilinear filtering, faded by the vertex alpha.
    drawOverlay(context, {.x = 500, .y = 40, .width = 256, .height = 256, .color = 0xC0FFFFFF, .texture = bands});
    // Flat blended rectangles, the second running past the frame's bottom-right corner.
    drawOverlay(context, {.x = 100, .y = 250, .width = 600, .height = 120, .color = 0x80FF4000});
    drawOverlay(context, {.x = 700, .y = 420, .width = 200, .height = 200, .color = 0xA000FF80});
}

}  // namespace devicecheck
