// Unlit drawing with one colour from a stride-0 stream, and clears limited by a smaller viewport.
#include "scenes.h"

namespace devicecheck {

using namespace device;

void drawStrideZeroColor(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF302820);
    setCommonState(context);
    // Unlit as the engine draws it: lighting and colour-vertex off, the colour from stream 3 with stride 0,
    // rewritten between draws.
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_COLORVERTEX, FALSE);
    d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);

    setConstantColor(context, 0xFF40D0FF);
    setWorld(context, placement(-1.3f, 0.0f, 6.0f, 0.9f));
    drawMesh(context, context.resources.mesh(makeSphere(16, 32)), false);

    setConstantColor(context, 0xFFFF8020);
    setWorld(context, placement(1.3f, 0.0f, 6.0f, 0.65f, 0.5f, 0.7f));
    drawMesh(context, context.resources.mesh(makeFlatCube()), false);

    // A half-transparent white box in front of both, with culling off so its back faces blend in too.
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    setConstantColor(context, 0x60FFFFFF);
    setWorld(context, placement(0.0f, -0.2f, 4.5f, 0.5f, 0.3f, 0.4f));
    drawMesh(context, context.resources.mesh(makeSmoothCube()), false);
}

void drawClearViewport(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF203040);
    setCommonState(context);
    const D3DVIEWPORT9 inner{200, 100, 400, 300, 0.0f, 1.0f};
    d.SetViewport(&inner);
    // Clears are clipped to the viewport, rectangles included.
    d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFE0C040, 1.0f, 0);
    const D3DRECT corners[2] = {{150, 50, 260, 160}, {520, 330, 700, 480}};
    d.Clear(2, corners, D3DCLEAR_TARGET, 0xFF40C0E0, 1.0f, 0);

    // Geometry larger than the viewport is cut at its edges; the projections map onto the viewport.
    d.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    enablePointLight(context, 0, {-2.0f, 2.0f, 0.0f}, 0xFFFFFFFF, 100.0f, 1.0f, 0.0f, 0.0f);
    setLitSurface(context, {.ambient = 0xFF202020, .diffuse = 0xFFD04060, .specular = 0xFF606060, .power = 20.0f});
    setWorld(context, placement(1.3f, 0.45f, 4.4f));
    drawMesh(context, context.resources.mesh(makeSphere(16, 32)), true);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    drawOverlay(context, {.x = 0, .y = 0, .width = 400, .height = 500, .color = 0x400000FF});
}

}  // namespace devicecheck
