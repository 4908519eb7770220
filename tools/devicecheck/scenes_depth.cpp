// Depth-buffer modes and culling. The depth scenes draw one arrangement of three crossing panes whose
// intersections fall between pixels wherever they are decided, and change only the depth state per pane.
#include "scenes.h"

namespace devicecheck {
namespace {

using namespace device;

struct Pane {
    math::Matrix4 world;
    std::array<D3DCOLOR, 4> colors;
};

// Green faces the camera at depth 5; red and blue are turned about y in opposite directions and cross it.
const Pane kBack{placement(0.0f, 0.0f, 5.0f), {0xFF30C040, 0xFF60E070, 0xFF208030, 0xFF40A050}};
const Pane kRed{placement(-0.6f, 0.3f, 5.0f, 1.0f, 0.15f, 0.6f),
                {0xFFFF4040, 0xFFC02020, 0xFFFF8060, 0xFFE03030}};
const Pane kBlue{placement(0.6f, -0.3f, 5.0f, 1.0f, -0.15f, -0.6f),
                 {0xFF4060FF, 0xFF80A0FF, 0xFF2040C0, 0xFF3050E0}};

void drawPane(const SceneContext& context, const Pane& pane, float halfWidth, float halfHeight) {
    setWorld(context, pane.world);
    drawFan(context, {{{-halfWidth, halfHeight, 0.0f, 0.0f, 0.0f, pane.colors[0]},
                       {halfWidth, halfHeight, 0.0f, 1.0f, 0.0f, pane.colors[1]},
                       {halfWidth, -halfHeight, 0.0f, 1.0f, 1.0f, pane.colors[2]},
                       {-halfWidth, -halfHeight, 0.0f, 0.0f, 1.0f, pane.colors[3]}}});
}

enum class Pass { Back, Red, Blue };

// Draws back, red, blue in that order; before each pane, setDepth gets the chance to change the state.
template <class SetDepth>
void drawPanes(const SceneContext& context, SetDepth setDepth) {
    clearFrame(context, 0xFF202020);
    setCommonState(context);
    setDepth(context.device, Pass::Back);
    drawPane(context, kBack, 1.6f, 1.1f);
    setDepth(context.device, Pass::Red);
    drawPane(context, kRed, 1.3f, 0.8f);
    setDepth(context.device, Pass::Blue);
    drawPane(context, kBlue, 1.3f, 0.8f);
}

void setDepthState(IDirect3DDevice9& d, DWORD enable, DWORD write, D3DCMPFUNC function) {
    d.SetRenderState(D3DRS_ZENABLE, enable);
    d.SetRenderState(D3DRS_ZWRITEENABLE, write);
    d.SetRenderState(D3DRS_ZFUNC, function);
}

// Triangles of both windings side by side, in screen pixels: the top row clockwise, the bottom row
// counter-clockwise on screen.
void drawWindingRow(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    const D3DMATRIX projection = screenProjection();
    d.SetTransform(D3DTS_PROJECTION, &projection);
    setWorld(context, math::matIdentity());
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    std::vector<QuadVertex> triangles;
    for (int i = 0; i < 4; ++i) {
        const float x = 40.0f + 90.0f * static_cast<float>(i);
        triangles.insert(triangles.end(), {{x, 30.0f, 1.0f, 0, 0, 0xFFFFD040},
                                           {x + 70.0f, 40.0f, 1.0f, 0, 0, 0xFFFF6020},
                                           {x + 20.0f, 110.0f, 1.0f, 0, 0, 0xFFA02000}});
        triangles.insert(triangles.end(), {{x, 140.0f, 1.0f, 0, 0, 0xFF40D0FF},
                                           {x + 20.0f, 220.0f, 1.0f, 0, 0, 0xFF2040A0},
                                           {x + 70.0f, 150.0f, 1.0f, 0, 0, 0xFF80FFFF}});
    }
    d.SetVertexDeclaration(context.quadDeclaration);
    d.DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(triangles.size() / 3), triangles.data(),
                      sizeof(QuadVertex));
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    const D3DMATRIX perspective = perspectiveProjection();
    d.SetTransform(D3DTS_PROJECTION, &perspective);
}

// A lit box open towards the camera: with culling its inner walls (back faces) vanish; without, they show
// lit as if they faced outwards, since the fixed-function pipeline has no two-sided lighting.
void drawOpenBox(const SceneContext& context, D3DCULL cull) {
    IDirect3DDevice9& d = context.device;
    d.SetRenderState(D3DRS_CULLMODE, cull);
    d.SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    enablePointLight(context, 0, {-2.0f, 3.0f, 1.0f}, 0xFFFFFFFF, 100.0f, 1.0f, 0.0f, 0.0f);
    const MeshBuffers& box = context.resources.mesh(makeFlatCube(1));
    setLitSurface(context, {.ambient = 0xFF303030, .diffuse = 0xFFC0A080, .flat = true});
    setWorld(context, placement(1.3f, -0.1f, 8.5f, 1.0f, -0.5f, 0.8f));
    drawMesh(context, box, true);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void drawCullScene(const SceneContext& context, D3DCULL cull) {
    clearFrame(context, 0xFF181818);
    setCommonState(context);
    context.device.SetRenderState(D3DRS_CULLMODE, cull);
    drawWindingRow(context);
    drawOpenBox(context, cull);
}

}  // namespace

void drawDepthLess(const SceneContext& context) {
    drawPanes(context, [](IDirect3DDevice9& d, Pass) { setDepthState(d, D3DZB_TRUE, TRUE, D3DCMP_LESS); });
}

void drawDepthLessEqual(const SceneContext& context) {
    drawPanes(context, [](IDirect3DDevice9& d, Pass) { setDepthState(d, D3DZB_TRUE, TRUE, D3DCMP_LESSEQUAL); });
}

// Every pane passes: the drawing order alone decides.
void drawDepthAlways(const SceneContext& context) {
    drawPanes(context, [](IDirect3DDevice9& d, Pass) { setDepthState(d, D3DZB_TRUE, TRUE, D3DCMP_ALWAYS); });
}

// Red is tested but leaves no depth, so blue covers red even where red is nearer.
void drawDepthWriteOff(const SceneContext& context) {
    drawPanes(context, [](IDirect3DDevice9& d, Pass pass) {
        setDepthState(d, D3DZB_TRUE, pass == Pass::Red ? FALSE : TRUE, D3DCMP_LESS);
    });
}

// Red ignores the depth buffer entirely: drawn whole over green, and neither tested nor written.
void drawDepthDisabled(const SceneContext& context) {
    drawPanes(context, [](IDirect3DDevice9& d, Pass pass) {
        setDepthState(d, pass == Pass::Red ? D3DZB_FALSE : D3DZB_TRUE, TRUE, D3DCMP_LESS);
    });
}

void drawCullCcw(const SceneContext& context) { drawCullScene(context, D3DCULL_CCW); }

void drawCullNone(const SceneContext& context) { drawCullScene(context, D3DCULL_NONE); }

}  // namespace devicecheck
