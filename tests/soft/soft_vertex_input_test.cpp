// Vertex fetch of the software device: the engine's six-stream mesh layout, stride-0 colour streams,
// absent streams, indexed draws, and indices or offsets that reach outside their buffers.
#include <gtest/gtest.h>

#include <limits>

#include "soft_test_util.h"

namespace softtest {
namespace {

class VertexInputTest : public ::testing::Test {
protected:
    VertexInputTest() : device_(&sink_) {
        setUnlitState(device_.get(), identity());
        device_->SetVertexDeclaration(mesh_.get());
        device_->SetStreamSource(0, positions_.get(), 0, 16);
        device_->BeginScene();
    }
    ~VertexInputTest() override { device_->EndScene(); }

    std::vector<soft::ScreenVertex> captured() const { return sink_.allVertices(); }

    CapturingRasterSink sink_;
    TestDevice device_;
    device::DeviceRef<IDirect3DVertexDeclaration9> mesh_ = meshDeclaration(device_.get());
    // Four corners of a square at depth 0.5, as the mesh arrays store them (16 bytes per vertex).
    device::DeviceRef<IDirect3DVertexBuffer9> positions_ =
        makeVertexBuffer<Float4>(device_.get(), {{-0.5f, -0.5f, 0.5f, 1},
                                                 {-0.5f, 0.5f, 0.5f, 1},
                                                 {0.5f, 0.5f, 0.5f, 1},
                                                 {0.5f, -0.5f, 0.5f, 1}});
};

TEST_F(VertexInputTest, StrideZeroColourStreamGivesEveryVertexTheSameColour) {
    auto colour = makeVertexBuffer<std::uint32_t>(device_.get(), {0x80FF4000});
    device_->SetStreamSource(3, colour.get(), 0, 0);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), S_OK);
    const auto out = captured();
    ASSERT_EQ(out.size(), 6u);
    for (const soft::ScreenVertex& v : out) {
        EXPECT_EQ(v.diffuse.r, 1.0f);
        EXPECT_EQ(v.diffuse.g, 64.0f / 255.0f);
        EXPECT_EQ(v.diffuse.b, 0.0f);
        EXPECT_EQ(v.diffuse.a, 128.0f / 255.0f);
    }
}

TEST_F(VertexInputTest, AbsentStreamsReadAsWhiteZeroTexCoordsAndNoSpecular) {
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    const auto out = captured();
    ASSERT_EQ(out.size(), 3u);
    for (const soft::ScreenVertex& v : out) {
        EXPECT_EQ(v.diffuse.r, 1.0f);
        EXPECT_EQ(v.diffuse.g, 1.0f);
        EXPECT_EQ(v.diffuse.b, 1.0f);
        EXPECT_EQ(v.diffuse.a, 1.0f);
        EXPECT_EQ(v.specular.r, 0.0f);
        EXPECT_EQ(v.u, 0.0f);
        EXPECT_EQ(v.v, 0.0f);
    }
}

TEST_F(VertexInputTest, SeparateStreamsAreReadWithTheirOwnStrides) {
    auto texCoords =
        makeVertexBuffer<Float4>(device_.get(), {{0.0f, 0.25f, 9, 9}, {1.0f, 0.5f, 9, 9}, {2.0f, 0.75f, 9, 9}});
    device_->SetStreamSource(1, texCoords.get(), 0, 16);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    const auto out = captured();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2].u, 2.0f);
    EXPECT_EQ(out[2].v, 0.75f);
    EXPECT_FLOAT_EQ(out[2].x, 600.0f);  // x 0.5 of an 800-pixel viewport
    EXPECT_FLOAT_EQ(out[2].y, 125.0f);  // y 0.5 of a 500-pixel viewport, upwards
}

TEST_F(VertexInputTest, IndexedDrawsAddTheBaseVertexToSixteenAndThirtyTwoBitIndices) {
    auto shorts = makeIndexBuffer<std::uint16_t>(device_.get(), {7, 0, 1, 2, 2, 3, 0});
    device_->SetIndices(shorts.get());
    // Start at index 1, base vertex 1: vertices 1, 2, 3 then 3, 4 (missing), 1.
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 1, 2), S_OK);
    auto out = captured();
    ASSERT_EQ(out.size(), 3u);  // the second triangle names vertex 4, past the buffer
    EXPECT_FLOAT_EQ(out[0].x, 200.0f);
    EXPECT_FLOAT_EQ(out[0].y, 125.0f);
    EXPECT_FLOAT_EQ(out[2].x, 600.0f);
    EXPECT_FLOAT_EQ(out[2].y, 375.0f);

    auto longs = makeIndexBuffer<std::uint32_t>(device_.get(), {3, 2, 1, 0, 0x10000u});
    device_->SetIndices(longs.get());
    sink_.draws.clear();
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 3), S_OK);
    out = captured();
    ASSERT_EQ(out.size(), 6u);  // the third strip triangle names vertex 65536
    EXPECT_FLOAT_EQ(out[0].x, 600.0f);
    EXPECT_FLOAT_EQ(out[0].y, 375.0f);

    sink_.draws.clear();
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 1), S_OK);
    EXPECT_EQ(captured().size(), 3u);  // 3 - 1, 2 - 1, 1 - 1
    sink_.draws.clear();
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -4, 0, 4, 0, 1), S_OK);
    EXPECT_TRUE(captured().empty());  // negative vertex numbers
}

TEST_F(VertexInputTest, ReadsOutsideTheBuffersSkipPrimitivesWithoutTouchingOtherMemory) {
    auto indices = makeIndexBuffer<std::uint16_t>(device_.get(), {0, 1, 2, 0, 2, 3});
    device_->SetIndices(indices.get());
    // More primitives than the index buffer holds: the complete ones are drawn.
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1000), S_OK);
    EXPECT_EQ(captured().size(), 6u);
    sink_.draws.clear();
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 5, 1), S_OK);
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0xFFFFFFF0u, 1), S_OK);
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, std::numeric_limits<INT>::max(), 0, 4, 0, 2), S_OK);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1), S_OK);  // needs vertices 2..4
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFFu, 1), S_OK);
    EXPECT_TRUE(captured().empty());

    // A stream offset or an element offset past the end leaves nothing readable.
    device_->SetStreamSource(0, positions_.get(), 64, 16);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    device_->SetStreamSource(0, positions_.get(), 1000, 16);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    // The last vertex of a 16-byte stride reads only 12 bytes: 60 bytes hold 4 positions, 59 only 3.
    const std::vector<float> floats = {-0.5f, -0.5f, 0.5f, 1,    -0.5f, 0.5f, 0.5f, 1,
                                       0.5f,  0.5f,  0.5f, 1,    0.5f,  -0.5f, 0.5f};
    std::vector<std::uint8_t> bytes(60);
    std::memcpy(bytes.data(), floats.data(), 60);
    auto sixty = makeVertexBuffer(device_.get(), bytes);
    bytes.pop_back();
    auto fiftyNine = makeVertexBuffer(device_.get(), bytes);
    device_->SetStreamSource(0, sixty.get(), 0, 16);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), S_OK);
    device_->SetStreamSource(0, fiftyNine.get(), 0, 16);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), S_OK);
    ASSERT_EQ(sink_.draws.size(), 1u);
    EXPECT_EQ(sink_.draws[0].vertices.size(), 3u);

    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x7FFFFFFF), D3DERR_INVALIDCALL);
    device_->SetIndices(nullptr);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL);
}

// Every vertex reads the one position: the triangles have no area and nothing reaches the raster stage,
// whether two indices lie four billion vertices apart or a long list names 600,000 vertices.
TEST_F(VertexInputTest, StrideZeroPositionsWithSparseIndicesOrLongListsStayCheap) {
    auto point = makeVertexBuffer<Float4>(device_.get(), {{0.25f, 0.25f, 0.5f, 1}});
    device_->SetStreamSource(0, point.get(), 0, 0);
    auto indices = makeIndexBuffer<std::uint32_t>(device_.get(), {0, 4000000000u, 12});
    device_->SetIndices(indices.get());
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 1, 0, 1), S_OK);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 200000), S_OK);
    EXPECT_TRUE(captured().empty());
}

TEST_F(VertexInputTest, DrawPrimitiveUPUnbindsStreamZeroAfterwards) {
    const Float4 triangle[] = {{0, 0, 0.5f, 1}, {0.5f, 0, 0.5f, 1}, {0, 0.5f, 0.5f, 1}};
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(Float4)), S_OK);
    ASSERT_EQ(captured().size(), 3u);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    EXPECT_EQ(captured().size(), 3u);  // stream 0 is gone, so there is no position
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, 16), D3DERR_INVALIDCALL);
}

TEST_F(VertexInputTest, BufferContentsAreReadAtDrawTime) {
    void* bytes = nullptr;
    ASSERT_EQ(positions_->Lock(0, 16, &bytes, 0), S_OK);
    const Float4 moved{0.0f, 0.0f, 0.5f, 1.0f};
    std::memcpy(bytes, &moved, sizeof moved);
    positions_->Unlock();
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    EXPECT_FLOAT_EQ(captured()[0].x, 400.0f);
    EXPECT_FLOAT_EQ(captured()[0].y, 250.0f);
}

}  // namespace
}  // namespace softtest
