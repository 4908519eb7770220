// The shared frame: projections, the viewport mapping of the screen projection, the matrix hand-over to
// SetTransform, and the viewport and colour buffer set up without a working device.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "device/device_state.h"
#include "device/shared_render_state.h"

namespace {

using namespace device;

class SharedRenderState : public ::testing::Test {
protected:
    void SetUp() override {
        resetDeviceState();
        initSharedRenderState(500);
        deviceState().sharedWorld = math::matTranslation(1.0f, 2.0f, 3.0f);
    }
    void TearDown() override { resetDeviceState(); }

    static const math::Matrix4& projection() { return deviceState().sharedProjection; }
};

// Every entry except the listed ones is zero.
void expectOnlyEntries(const math::Matrix4& m, std::initializer_list<int> nonZero) {
    for (int i = 0; i < 16; ++i) {
        if (std::find(nonZero.begin(), nonZero.end(), i) == nonZero.end()) {
            EXPECT_EQ(m.m[i], 0.0f) << "entry " << i;
        }
    }
}

TEST_F(SharedRenderState, PerspectiveOfAQuarterTurn) {
    setPerspectiveProjection(std::numbers::pi_v<float> / 4.0f);
    const math::Matrix4& p = projection();
    EXPECT_FLOAT_EQ(p.at(0, 0), 2.4142137f);
    EXPECT_FLOAT_EQ(p.at(1, 1), 3.8627419f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.at(2, 2)), 0x3F800054u);
    EXPECT_EQ(p.at(2, 3), 1.0f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(p.at(3, 2)), 0xBC23D775u);
    expectOnlyEntries(p, {0, 5, 10, 11, 14});
    EXPECT_EQ(deviceState().sharedWorld, math::matIdentity());
}

TEST_F(SharedRenderState, PerspectiveClampsWideAnglesAndKeepsNaN) {
    setPerspectiveProjection(3.0f);
    const math::Matrix4 atLimit = projection();
    EXPECT_FLOAT_EQ(atLimit.at(0, 0), 1.0f / std::tan(1.5f));

    setPerspectiveProjection(3.5f);
    EXPECT_EQ(projection(), atLimit);
    setPerspectiveProjection(std::numeric_limits<float>::infinity());
    EXPECT_EQ(projection(), atLimit);

    setPerspectiveProjection(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(projection().at(0, 0)));
    EXPECT_TRUE(std::isnan(projection().at(1, 1)));
    EXPECT_EQ(projection().at(2, 2), atLimit.at(2, 2));
    EXPECT_EQ(projection().at(3, 2), atLimit.at(3, 2));
    expectOnlyEntries(projection(), {0, 5, 10, 11, 14});
}

// Row vector times matrix, all four columns, then the divide by w and the viewport mapping.
struct Pixel {
    float x, y, depth;
};
Pixel toViewport(float x, float y, float z, const math::Matrix4& m, const D3DVIEWPORT9& viewport) {
    float clip[4];
    for (int c = 0; c < 4; ++c) {
        clip[c] = x * m.at(0, c) + y * m.at(1, c) + z * m.at(2, c) + m.at(3, c);
    }
    const float nx = clip[0] / clip[3];
    const float ny = clip[1] / clip[3];
    return {static_cast<float>(viewport.X) + (nx + 1.0f) * 0.5f * static_cast<float>(viewport.Width),
            static_cast<float>(viewport.Y) + (1.0f - ny) * 0.5f * static_cast<float>(viewport.Height),
            clip[2] / clip[3]};
}

TEST_F(SharedRenderState, ScreenProjectionPutsFramePixelsOnTheViewport) {
    for (UINT backBufferHeight : {500u, 600u}) {
        initSharedRenderState(backBufferHeight);
        setScreenProjection();
        const D3DVIEWPORT9& viewport = deviceState().viewport;
        const float top = backBufferHeight == 600u ? 50.0f : 0.0f;

        const Pixel topLeft = toViewport(0.0f, 0.0f, 1.0f, projection(), viewport);
        EXPECT_EQ(topLeft.x, 0.0f);
        EXPECT_EQ(topLeft.y, top);
        EXPECT_EQ(topLeft.depth, 1.0f);
        const Pixel bottomRight = toViewport(800.0f, 500.0f, 1.0f, projection(), viewport);
        EXPECT_EQ(bottomRight.x, 800.0f);
        EXPECT_EQ(bottomRight.y, top + 500.0f);
        EXPECT_EQ(bottomRight.depth, 1.0f);
    }
    EXPECT_EQ(projection().at(3, 3), 0.0f);
    expectOnlyEntries(projection(), {0, 5, 10, 11, 12, 13});
    EXPECT_EQ(deviceState().sharedWorld, math::matIdentity());
}

TEST_F(SharedRenderState, ViewportCentresTheFrameAndNeverUnderflows) {
    initSharedRenderState(600);
    const D3DVIEWPORT9& v = deviceState().viewport;
    EXPECT_EQ(v.X, 0u);
    EXPECT_EQ(v.Y, 50u);
    EXPECT_EQ(v.Width, 800u);
    EXPECT_EQ(v.Height, 500u);
    EXPECT_EQ(v.MinZ, 0.0f);
    EXPECT_EQ(v.MaxZ, 1.0f);
    initSharedRenderState(601);
    EXPECT_EQ(deviceState().viewport.Y, 50u);  // (601 - 500) / 2 truncates
    initSharedRenderState(400);
    EXPECT_EQ(deviceState().viewport.Y, 0u);
    // Without a device there is nothing to create, and nothing is dereferenced.
    EXPECT_EQ(deviceState().constantColorBuffer, nullptr);
    EXPECT_FALSE(createVertexDeclarations());
}

TEST_F(SharedRenderState, MatricesReachSetTransformInD3DMatrixOrder) {
    math::Matrix4 m;
    for (int i = 0; i < 16; ++i) {
        m.m[i] = static_cast<float>(i + 1);
    }
    const D3DMATRIX d = toD3DMatrix(m);
    EXPECT_EQ(d._11, 1.0f);
    EXPECT_EQ(d._12, 2.0f);
    EXPECT_EQ(d._21, 5.0f);
    EXPECT_EQ(d._34, 12.0f);
    EXPECT_EQ(d._41, 13.0f);  // translation row
    EXPECT_EQ(d._44, 16.0f);
    EXPECT_EQ(fromD3DMatrix(d), m);
}

}  // namespace
