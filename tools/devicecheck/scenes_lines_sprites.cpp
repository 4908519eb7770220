// The engine's late-pass drawing: anti-aliased, blended line lists along the edges of a cube, and sprites
// as textured squares drawn one DrawPrimitiveUP fan each with their own alpha.
#include <algorithm>
#include <cmath>

#include "device/texture_binding.h"
#include "scenes.h"

namespace devicecheck {
namespace {

using namespace device;

void drawLitSphere(const SceneContext& context, const math::Matrix4& world, D3DCOLOR diffuse) {
    context.device.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    enablePointLight(context, 0, {-3.0f, 3.0f, 0.0f}, 0xFFFFFFFF, 100.0f, 1.0f, 0.0f, 0.0f);
    setLitSurface(context, {.ambient = 0xFF202020, .diffuse = diffuse, .specular = 0xFF606060, .power = 32.0f});
    setWorld(context, world);
    drawMesh(context, context.resources.mesh(makeSphere(16, 32)), true);
    context.device.SetRenderState(D3DRS_LIGHTING, FALSE);
}

// The wire pass: flat, unlit, blended, anti-aliased lines in one colour from the stride-0 stream, tested
// against the depth buffer (LESSEQUAL) without writing to it.
void drawWireCube(const SceneContext& context, IDirect3DIndexBuffer9* edges, const MeshBuffers& cube,
                  const math::Matrix4& world, D3DCOLOR lineColor) {
    IDirect3DDevice9& d = context.device;
    d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_COLORVERTEX, FALSE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d.SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    setWorld(context, world);
    d.SetVertexDeclaration(context.meshDeclaration);
    d.SetStreamSource(0, cube.positions.get(), 0, 16);
    d.SetStreamSource(1, nullptr, 0, 0);
    d.SetStreamSource(2, nullptr, 0, 0);
    setConstantColor(context, lineColor);
    d.SetStreamSource(3, context.constantColorBuffer, 0, 0);
    d.SetStreamSource(4, nullptr, 0, 0);
    d.SetIndices(edges);
    d.DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, cube.vertexCount, 0, 12);
    d.SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, FALSE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d.SetIndices(nullptr);
    for (UINT stream = 0; stream < 6; ++stream) {
        d.SetStreamSource(stream, nullptr, 0, 0);
    }
}

}  // namespace

void drawLinesAntialiased(const SceneContext& context) {
    clearFrame(context, 0xFF101828);
    setCommonState(context);
    drawLitSphere(context, placement(0.75f, 0.0f, 7.5f), 0xFF806040);
    // Each wire cube has its own positions, as every object instance of the engine has its own mesh. (Wine's
    // Direct3D 9 keeps drawing the old colour of the rewritten stride-0 buffer when two consecutive draws
    // share every other buffer; the engine never draws that way.)
    IDirect3DIndexBuffer9* edges = context.resources.indices(cubeEdges());
    const MeshBuffers& nearCube = context.resources.mesh(makeSmoothCube());
    drawWireCube(context, edges, nearCube, placement(-1.3f, 0.2f, 6.0f, 0.6f, 0.5f, 0.6f), 0xC0FFFFFF);
    // Partly behind the sphere: the hidden stretches are rejected by the depth test.
    const MeshBuffers& farCube = context.resources.mesh(makeSmoothCube());
    drawWireCube(context, edges, farCube, placement(1.2f, -0.2f, 7.4f, 0.6f, -0.3f, 0.9f), 0x80FFC040);
}

void drawSpritesFan(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF000010);
    setCommonState(context);
    drawLitSphere(context, placement(0.0f, 0.0f, 7.0f), 0xFF4080FF);

    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    bindModulatedTexture(d, context.resources.texture(makeSoftDot(32)));
    setWorld(context, math::matIdentity());

    // A helix around the sphere, in camera space; alpha grows along it. Sprites behind the sphere are hidden.
    constexpr int kSprites = 48;
    constexpr float kSize = 0.12f;
    for (int i = 0; i < kSprites; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(kSprites - 1);
        const float angle = 11.0f * t;
        const float x = 1.5f * std::cos(angle);
        const float y = -1.3f + 2.6f * t;
        const float z = 7.0f + 1.5f * std::sin(angle);
        const auto alpha = static_cast<D3DCOLOR>(std::clamp(std::lround((0.2f + 0.8f * t) * 255.0f), 0L, 255L));
        const D3DCOLOR color = alpha << 24 | 0x00FFFFFFu;
        drawFan(context, {{{x - kSize, y + kSize, z, 0.0f, 0.0f, color},
                           {x + kSize, y + kSize, z, 1.0f, 0.0f, color},
                           {x + kSize, y - kSize, z, 1.0f, 1.0f, color},
                           {x - kSize, y - kSize, z, 0.0f, 1.0f, color}}});
    }
}

}  // namespace devicecheck
