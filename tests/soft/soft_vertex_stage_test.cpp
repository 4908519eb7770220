// The software device's vertex stage as seen by the raster stage: the viewport mapping of the screen
// projection, clipping, culling, flat shading, and how primitives are assembled and batched.
#include <gtest/gtest.h>

#include "soft_test_util.h"

namespace softtest {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

class VertexStageTest : public ::testing::Test {
protected:
    VertexStageTest() : device_(&sink_) {
        setUnlitState(device_.get(), identity());
        device_->SetVertexDeclaration(quad_.get());
        device_->BeginScene();
    }
    ~VertexStageTest() override { device_->EndScene(); }

    HRESULT drawUP(D3DPRIMITIVETYPE type, UINT count, const std::vector<QuadVertex>& vertices) {
        return device_->DrawPrimitiveUP(type, count, vertices.data(), sizeof(QuadVertex));
    }

    CapturingRasterSink sink_;
    TestDevice device_;
    device::DeviceRef<IDirect3DVertexDeclaration9> quad_ = quadDeclaration(device_.get());
};

TEST_F(VertexStageTest, ScreenProjectionPutsOverlayQuadEdgesOnPixelEdges) {
    const D3DMATRIX projection = screenProjection();
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    const D3DVIEWPORT9 viewport{0, 50, 800, 500, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetViewport(&viewport), D3DERR_INVALIDCALL);  // 800 x 500 window: Y 50 does not fit

    // An overlay quad shifted by half a pixel so that texel centres land on pixel centres.
    const std::vector<QuadVertex> quad = {{-0.5f, -0.5f, 1.0f, 0.0f, 0.0f, kRed},
                                          {799.5f, -0.5f, 1.0f, 1.0f, 0.0f, kRed},
                                          {799.5f, 499.5f, 1.0f, 1.0f, 1.0f, kRed},
                                          {-0.5f, 499.5f, 1.0f, 0.0f, 1.0f, kRed}};
    ASSERT_EQ(drawUP(D3DPT_TRIANGLEFAN, 2, quad), S_OK);
    const std::vector<soft::ScreenVertex> out = sink_.allVertices();
    ASSERT_EQ(out.size(), 6u);
    // Fan triangle i is (i + 1, i + 2, 0).
    EXPECT_NEAR(out[0].x, 799.5f, 1e-3f);
    EXPECT_NEAR(out[0].y, -0.5f, 1e-3f);
    EXPECT_NEAR(out[1].x, 799.5f, 1e-3f);
    EXPECT_NEAR(out[1].y, 499.5f, 1e-3f);
    EXPECT_NEAR(out[2].x, -0.5f, 1e-3f);
    EXPECT_NEAR(out[2].y, -0.5f, 1e-3f);
    EXPECT_EQ(out[1].u, 1.0f);
    EXPECT_EQ(out[1].v, 1.0f);
    for (const soft::ScreenVertex& v : out) {
        EXPECT_EQ(v.z, 1.0f);  // w = z = 1: depth 1 at the far plane, not clipped
        EXPECT_EQ(v.rhw, 1.0f);
        EXPECT_EQ(v.diffuse.r, 1.0f);
        EXPECT_EQ(v.diffuse.g, 0.0f);
    }
}

TEST(VertexStageFullScreenTest, FrameCornersMapToTheViewportCornersBelowTheLetterbox) {
    CapturingRasterSink sink;
    TestDevice device(&sink, nullptr, fullScreenParameters(D3DFMT_X8R8G8B8));
    setUnlitState(device.get(), screenProjection());
    const D3DVIEWPORT9 viewport{0, 50, 800, 500, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), S_OK);
    auto declaration = quadDeclaration(device.get());
    device->SetVertexDeclaration(declaration.get());
    const std::vector<QuadVertex> triangle = {{0.0f, 0.0f, 1.0f, 0.0f, 0.0f, kWhite},
                                              {800.0f, 0.0f, 1.0f, 0.0f, 0.0f, kWhite},
                                              {800.0f, 500.0f, 1.0f, 0.0f, 0.0f, kWhite}};
    device->BeginScene();
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle.data(), sizeof(QuadVertex)), S_OK);
    device->EndScene();
    ASSERT_EQ(sink.draws.size(), 1u);
    const auto& out = sink.draws[0].vertices;
    EXPECT_FLOAT_EQ(out[0].x, 0.0f);
    EXPECT_FLOAT_EQ(out[0].y, 50.0f);
    EXPECT_FLOAT_EQ(out[2].x, 800.0f);
    EXPECT_FLOAT_EQ(out[2].y, 550.0f);
    const soft::RenderTarget& target = sink.draws[0].target;
    EXPECT_EQ(target.x0, 0);
    EXPECT_EQ(target.y0, 50);
    EXPECT_EQ(target.x1, 800);
    EXPECT_EQ(target.y1, 550);
    EXPECT_EQ(target.color.height, 600);
}

// With the identity projection w is 1, the near plane is z = 0 and the cut points are easy to name.
TEST_F(VertexStageTest, TriangleCrossingTheNearPlaneIsCutIntoTwoWithInterpolatedColours) {
    const std::vector<QuadVertex> triangle = {{0.0f, 0.5f, -0.5f, 0.0f, 0.0f, kRed},
                                              {0.5f, -0.5f, 0.5f, 1.0f, 0.0f, kGreen},
                                              {-0.5f, -0.5f, 0.5f, 0.0f, 1.0f, kBlue}};
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), S_OK);
    const std::vector<soft::ScreenVertex> out = sink_.allVertices();
    ASSERT_EQ(out.size(), 6u);
    int onNearPlane = 0;
    for (const soft::ScreenVertex& v : out) {
        EXPECT_GE(v.z, 0.0f);
        if (v.z != 0.0f) continue;
        ++onNearPlane;
        // Halfway along an edge from the red corner: x = +-0.25, y = 0 (screen 500 or 300, 250).
        EXPECT_NEAR(std::abs(v.x - 400.0f), 100.0f, 1e-3f);
        EXPECT_NEAR(v.y, 250.0f, 1e-3f);
        EXPECT_NEAR(v.diffuse.r, 0.5f, 1e-6f);
        EXPECT_NEAR(v.diffuse.g + v.diffuse.b, 0.5f, 1e-6f);
        EXPECT_NEAR(v.u + v.v, 0.5f, 1e-6f);
    }
    EXPECT_GE(onNearPlane, 2);
}

TEST_F(VertexStageTest, TrianglesBeyondTheFarPlaneOrBehindTheEyeAreDropped) {
    const std::vector<QuadVertex> far = {{0.0f, 0.0f, 1.5f, 0, 0, kRed}, {0.5f, 0.0f, 1.2f, 0, 0, kRed},
                                         {0.0f, 0.5f, 1.1f, 0, 0, kRed}};
    const std::vector<QuadVertex> behind = {{0.0f, 0.0f, -0.5f, 0, 0, kRed}, {0.5f, 0.0f, -0.2f, 0, 0, kRed},
                                            {0.0f, 0.5f, -0.1f, 0, 0, kRed}};
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, far), S_OK);
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, behind), S_OK);
    EXPECT_TRUE(sink_.draws.empty());
}

TEST_F(VertexStageTest, HugeTrianglesAreClippedToTheGuardBand) {
    const D3DMATRIX projection = perspectiveProjection();
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    const std::vector<QuadVertex> triangle = {{-1e4f, -1e4f, 0.5f, 0, 0, kRed}, {1e4f, -1e4f, 2.0f, 0, 0, kRed},
                                              {0.0f, 1e4f, 0.02f, 0, 0, kRed}};
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), S_OK);
    const std::vector<soft::ScreenVertex> out = sink_.allVertices();
    ASSERT_FALSE(out.empty());
    for (const soft::ScreenVertex& v : out) {
        EXPECT_LE(std::abs(v.x), soft::kGuardBand);
        EXPECT_LE(std::abs(v.y), soft::kGuardBand);
        EXPECT_GT(v.rhw, 0.0f);
        EXPECT_GE(v.z, 0.0f);
        EXPECT_LE(v.z, 1.0f);
    }
}

// Screen y grows downwards: (-0.5, 0.5) -> (0.5, 0.5) -> (-0.5, -0.5) in clip space is top-left, top-right,
// bottom-left on the screen, which runs clockwise.
TEST_F(VertexStageTest, CullModesRemoveTrianglesByScreenWinding) {
    const std::vector<QuadVertex> clockwise = {{-0.5f, 0.5f, 0.5f, 0, 0, kRed}, {0.5f, 0.5f, 0.5f, 0, 0, kRed},
                                               {-0.5f, -0.5f, 0.5f, 0, 0, kRed}};
    const std::vector<QuadVertex> counterClockwise = {clockwise[0], clockwise[2], clockwise[1]};
    auto drawnTriangles = [&](DWORD mode) {
        device_->SetRenderState(D3DRS_CULLMODE, mode);
        sink_.draws.clear();
        drawUP(D3DPT_TRIANGLELIST, 1, clockwise);
        const bool cwDrawn = !sink_.draws.empty();
        sink_.draws.clear();
        drawUP(D3DPT_TRIANGLELIST, 1, counterClockwise);
        return std::pair{cwDrawn, !sink_.draws.empty()};
    };
    EXPECT_EQ(drawnTriangles(D3DCULL_CCW), std::pair(true, false));
    EXPECT_EQ(drawnTriangles(D3DCULL_CW), std::pair(false, true));
    EXPECT_EQ(drawnTriangles(D3DCULL_NONE), std::pair(true, true));
}

TEST(VertexStageDefaultsTest, NewDeviceCullsCounterClockwiseAndLightsWithAZeroMaterial) {
    CapturingRasterSink sink;
    TestDevice device(&sink);
    auto declaration = quadDeclaration(device.get());
    device->SetVertexDeclaration(declaration.get());
    const std::vector<QuadVertex> clockwise = {{-0.5f, 0.5f, 0.5f, 0, 0, kRed}, {0.5f, 0.5f, 0.5f, 0, 0, kRed},
                                               {-0.5f, -0.5f, 0.5f, 0, 0, kRed}};
    const std::vector<QuadVertex> counterClockwise = {clockwise[0], clockwise[2], clockwise[1]};
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise.data(), sizeof(QuadVertex));
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counterClockwise.data(), sizeof(QuadVertex));
    device->EndScene();
    ASSERT_EQ(sink.draws.size(), 1u);
    // Lighting is on by default with a black material, no lights and no ambient, so the colour is black;
    // the diffuse source defaults to the vertex colour, which gives the alpha.
    const soft::ScreenVertex& v = sink.draws[0].vertices[0];
    EXPECT_EQ(v.diffuse.r, 0.0f);
    EXPECT_EQ(v.diffuse.a, 1.0f);
    const soft::PixelState& state = sink.draws[0].state;
    EXPECT_EQ(state.zEnable, D3DZB_FALSE);  // no automatic depth buffer
    EXPECT_TRUE(state.zWriteEnable);
    EXPECT_EQ(state.zFunc, D3DCMP_LESSEQUAL);
    EXPECT_EQ(state.srcBlend, D3DBLEND_ONE);
    EXPECT_EQ(state.destBlend, D3DBLEND_ZERO);
    EXPECT_EQ(state.stages[0].colorOp, D3DTOP_MODULATE);
    EXPECT_EQ(state.stages[0].alphaOp, D3DTOP_SELECTARG1);
    EXPECT_EQ(state.stages[1].colorOp, D3DTOP_DISABLE);
    EXPECT_EQ(state.samplers[0].addressU, D3DTADDRESS_WRAP);
    EXPECT_EQ(state.samplers[0].magFilter, D3DTEXF_POINT);
    EXPECT_EQ(state.textureFactor, 0xFFFFFFFFu);
    EXPECT_EQ(state.fogEnd, 1.0f);
}

TEST_F(VertexStageTest, PixelStateCarriesFogBlendDepthStageAndSamplerStates) {
    const float start = 10.0f, end = 25.0f;
    DWORD startBits, endBits;
    std::memcpy(&startBits, &start, 4);
    std::memcpy(&endBits, &end, 4);
    device_->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    device_->SetRenderState(D3DRS_FOGCOLOR, 0xFF0080E0);
    device_->SetRenderState(D3DRS_FOGSTART, startBits);
    device_->SetRenderState(D3DRS_FOGEND, endBits);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetRenderState(D3DRS_ZENABLE, TRUE);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    device_->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    device_->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    const D3DMATRIX perspective = perspectiveProjection();
    device_->SetTransform(D3DTS_PROJECTION, &perspective);
    const std::vector<QuadVertex> triangle = {{0, 0, 2, 0, 0, kRed}, {1, 0, 2, 0, 0, kRed}, {0, 1, 2, 0, 0, kRed}};
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), S_OK);
    const D3DMATRIX affine = identity();
    device_->SetTransform(D3DTS_PROJECTION, &affine);
    const std::vector<QuadVertex> line = {{0, 0, 0.5f, 0, 0, kRed}, {0.5f, 0, 0.5f, 0, 0, kRed}};
    ASSERT_EQ(drawUP(D3DPT_LINELIST, 1, line), S_OK);
    ASSERT_EQ(sink_.draws.size(), 2u);

    const soft::PixelState& state = sink_.draws[0].state;
    EXPECT_TRUE(state.fogEnable);
    EXPECT_EQ(state.fogTableMode, D3DFOG_LINEAR);
    EXPECT_EQ(state.fogColor, 0xFF0080E0u);
    EXPECT_EQ(state.fogStart, 10.0f);
    EXPECT_EQ(state.fogEnd, 25.0f);
    EXPECT_TRUE(state.fogFromW);  // a perspective projection: fog on eye depth
    EXPECT_FALSE(sink_.draws[1].state.fogFromW);  // an affine one: fog on z
    EXPECT_TRUE(state.alphaBlendEnable);
    EXPECT_EQ(state.srcBlend, D3DBLEND_SRCALPHA);
    EXPECT_EQ(state.destBlend, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(state.zEnable, D3DZB_TRUE);
    EXPECT_FALSE(state.zWriteEnable);
    EXPECT_EQ(state.zFunc, D3DCMP_LESS);
    EXPECT_EQ(sink_.draws[0].target.depth, nullptr);  // depth testing asked for, but no depth buffer bound
    EXPECT_TRUE(state.antialiasedLines);
    EXPECT_EQ(state.stages[1].colorOp, D3DTOP_ADD);
    EXPECT_EQ(state.samplers[1].minFilter, D3DTEXF_LINEAR);
    EXPECT_EQ(state.samplers[1].addressV, D3DTADDRESS_CLAMP);
}

TEST_F(VertexStageTest, FlatShadingTakesTheFirstVertexOfEachTriangleAlsoAfterClipping) {
    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    const std::vector<QuadVertex> crossing = {{-0.5f, -0.5f, 0.5f, 0, 0, kRed},
                                              {0.5f, -0.5f, -0.5f, 0, 0, kGreen},
                                              {0.0f, 0.5f, 0.5f, 0, 0, kBlue}};
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, crossing), S_OK);
    std::vector<soft::ScreenVertex> out = sink_.allVertices();
    ASSERT_EQ(out.size(), 6u);
    for (const soft::ScreenVertex& v : out) {
        EXPECT_EQ(v.diffuse.r, 1.0f);
        EXPECT_EQ(v.diffuse.g, 0.0f);
        EXPECT_EQ(v.diffuse.b, 0.0f);
    }

    // Strip triangle i takes vertex i, fan triangle i vertex i + 1.
    const std::vector<QuadVertex> four = {{-0.5f, -0.5f, 0.5f, 0, 0, kRed},
                                          {-0.5f, 0.5f, 0.5f, 0, 0, kGreen},
                                          {0.5f, -0.5f, 0.5f, 0, 0, kBlue},
                                          {0.5f, 0.5f, 0.5f, 0, 0, kWhite}};
    sink_.draws.clear();
    ASSERT_EQ(drawUP(D3DPT_TRIANGLESTRIP, 2, four), S_OK);
    out = sink_.allVertices();
    ASSERT_EQ(out.size(), 6u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i].diffuse.r, 1.0f) << i;                       // red
    for (int i = 3; i < 6; ++i) EXPECT_EQ(out[i].diffuse.g, 1.0f) << i;                       // green
    for (int i = 3; i < 6; ++i) EXPECT_EQ(out[i].diffuse.r, 0.0f) << i;
    sink_.draws.clear();
    ASSERT_EQ(drawUP(D3DPT_TRIANGLEFAN, 2, four), S_OK);
    out = sink_.allVertices();
    ASSERT_EQ(out.size(), 6u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i].diffuse.g, 1.0f) << i;                       // green
    for (int i = 3; i < 6; ++i) EXPECT_EQ(out[i].diffuse.b, 1.0f) << i;                       // blue
    for (int i = 3; i < 6; ++i) EXPECT_EQ(out[i].diffuse.g, 0.0f) << i;

    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    sink_.draws.clear();
    ASSERT_EQ(drawUP(D3DPT_TRIANGLESTRIP, 1, four), S_OK);
    out = sink_.allVertices();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].diffuse.g, 1.0f);
    EXPECT_EQ(out[2].diffuse.b, 1.0f);
}

// Odd strip triangles are turned around so that a strip keeps one winding and survives culling whole.
TEST_F(VertexStageTest, StripsKeepOneWindingForCulling) {
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    std::vector<QuadVertex> strip;
    for (int i = 0; i < 6; ++i) {
        const float x = -0.75f + 0.25f * static_cast<float>(i / 2);
        strip.push_back({x, i % 2 == 0 ? -0.5f : 0.5f, 0.5f, 0, 0, kRed});
    }
    ASSERT_EQ(drawUP(D3DPT_TRIANGLESTRIP, 4, strip), S_OK);
    EXPECT_EQ(sink_.allVertices().size(), 12u);
}

TEST_F(VertexStageTest, EachDrawReachesTheRasterStageAsOneBatch) {
    std::vector<QuadVertex> many;
    for (int i = 0; i < 300; ++i) {
        const float x = -0.9f + 0.005f * static_cast<float>(i);
        many.push_back({x, i % 3 == 1 ? 0.5f : 0.0f, 0.5f, 0, 0, kRed});
    }
    ASSERT_EQ(drawUP(D3DPT_TRIANGLELIST, 100, many), S_OK);
    ASSERT_EQ(sink_.draws.size(), 1u);
    EXPECT_EQ(sink_.draws[0].vertices.size(), 300u);
}

TEST_F(VertexStageTest, LinesAreClippedAndBatchedAndKeepTheirColours) {
    const std::vector<QuadVertex> lines = {{-0.5f, 0.0f, 0.5f, 0, 0, kRed},  {0.5f, 0.0f, 0.5f, 0, 0, kGreen},
                                           {0.0f, -0.5f, 0.5f, 0, 0, kRed},  {0.0f, 0.5f, -0.5f, 0, 0, kBlue},
                                           {0.0f, 0.0f, -0.5f, 0, 0, kRed},  {0.5f, 0.5f, -0.2f, 0, 0, kRed}};
    ASSERT_EQ(drawUP(D3DPT_LINELIST, 3, lines), S_OK);
    ASSERT_EQ(sink_.draws.size(), 1u);
    ASSERT_TRUE(sink_.draws[0].lines);
    const auto& out = sink_.draws[0].vertices;
    ASSERT_EQ(out.size(), 4u);  // the third line lies wholly behind the near plane
    EXPECT_EQ(out[1].diffuse.g, 1.0f);
    EXPECT_NEAR(out[3].y, 250.0f, 1e-3f);  // cut at z = 0, halfway up
    EXPECT_NEAR(out[3].diffuse.b, 0.5f, 1e-6f);

    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    sink_.draws.clear();
    ASSERT_EQ(drawUP(D3DPT_LINESTRIP, 2, lines), S_OK);
    ASSERT_EQ(sink_.draws[0].vertices.size(), 4u);
    EXPECT_EQ(sink_.draws[0].vertices[1].diffuse.r, 1.0f);  // flat: the line takes its first vertex's colour
    EXPECT_EQ(sink_.draws[0].vertices[3].diffuse.r, 0.0f);
    EXPECT_EQ(sink_.draws[0].vertices[3].diffuse.g, 1.0f);
}

TEST_F(VertexStageTest, DrawingNeedsAScenePositionsAndARenderTarget) {
    const std::vector<QuadVertex> triangle = {{0, 0, 0.5f, 0, 0, kRed}, {0.5f, 0, 0.5f, 0, 0, kRed},
                                              {0, 0.5f, 0.5f, 0, 0, kRed}};
    device_->EndScene();
    EXPECT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), D3DERR_INVALIDCALL);
    device_->BeginScene();

    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), S_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, nullptr), S_OK);
    EXPECT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), S_OK);
    EXPECT_TRUE(sink_.draws.empty());
    ASSERT_EQ(device_->SetRenderTarget(0, backBuffer), S_OK);
    backBuffer->Release();
    EXPECT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), S_OK);
    EXPECT_EQ(sink_.draws.size(), 1u);

    // A declaration without a position draws nothing.
    const D3DVERTEXELEMENT9 colourOnly[] = {{0, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}, D3DDECL_END()};
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(colourOnly, &declaration), S_OK);
    device_->SetVertexDeclaration(declaration);
    declaration->Release();
    EXPECT_EQ(drawUP(D3DPT_TRIANGLELIST, 1, triangle), S_OK);
    EXPECT_EQ(sink_.draws.size(), 1u);
}

}  // namespace
}  // namespace softtest
