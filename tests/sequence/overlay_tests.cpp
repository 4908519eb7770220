// Screen overlays and clear layers against the recording device: the overlay's call sequence, its fade and
// clamping, the quad it sends (corners, texture span, scroll), and the clear layer's one call.
#include "sequence/screen_overlay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "device/call_lines.h"
#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "device/started_device_fixture.h"
#include "scene/constant_vector.h"
#include "scene/scalar_remap.h"
#include "sequence/clear_layer.h"
#include "test_instances.h"

namespace {

using namespace device;
using namespace recording::calls;
using sequence::OverlayRect;
using sequence::ScreenOverlay;

class OverlayTest : public StartedDeviceTest {
protected:
    // The four vertices of the one quad drawn, or fails.
    std::vector<QuadVertex> quad() {
        const auto& drawn = backend.device()->userPrimitives;
        EXPECT_EQ(drawn.size(), 1u);
        if (drawn.size() != 1 || drawn[0].vertices.size() != 4 * sizeof(QuadVertex)) {
            return {};
        }
        std::vector<QuadVertex> vertices(4);
        std::memcpy(vertices.data(), drawn[0].vertices.data(), 4 * sizeof(QuadVertex));
        return vertices;
    }
};

void expectVertex(const QuadVertex& v, float x, float y, float u, float vv, D3DCOLOR color) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, 1.0f);
    EXPECT_EQ(v.u, u);
    EXPECT_EQ(v.v, vv);
    EXPECT_EQ(v.color, color);
}

TEST_F(OverlayTest, TexturedOverlayCallsInOrderAndItsQuad) {
    texture::TextureUpload title(deviceState().device.get(), 512, 128, 512, 128, nullptr);
    backend.clearLog();
    const std::string quadDeclaration = backend.argument(deviceState().quadDeclaration.get());
    ScreenOverlay overlay(nullptr, nullptr, &title, 0xFFFFFFFF, OverlayRect{290, 170, 512, 128}, true);
    overlay.update(0.0f);
    overlay.render(0.0f);
    setScreenProjection();
    std::vector<std::string> expected = modulatedStageZero("texture1");
    expected.insert(expected.end(), {
                                        transform("PROJECTION", toD3DMatrix(deviceState().sharedProjection)),
                                        transform("WORLD", toD3DMatrix(math::matIdentity())),
                                        renderState(D3DRS_ZENABLE, D3DZB_FALSE),
                                        renderState(D3DRS_LIGHTING, FALSE),
                                        on("SetVertexDeclaration(" + quadDeclaration + ")"),
                                        renderState(D3DRS_ALPHABLENDENABLE, TRUE),
                                        renderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
                                        renderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
                                        on("DrawPrimitiveUP(6, 2, data, 24)"),
                                    });
    EXPECT_EQ(backend.lines(), expected)
        << backend.transcript();
    // Spans x 289.5 .. 801.5 and y 169.5 .. 297.5; the content fills texture coordinates 0 .. 1.
    const auto v = quad();
    ASSERT_EQ(v.size(), 4u);
    expectVertex(v[0], 289.5f, 169.5f, 0, 0, 0xFFFFFFFF);
    expectVertex(v[1], 801.5f, 169.5f, 1, 0, 0xFFFFFFFF);
    expectVertex(v[2], 801.5f, 297.5f, 1, 1, 0xFFFFFFFF);
    expectVertex(v[3], 289.5f, 297.5f, 0, 1, 0xFFFFFFFF);
}

TEST_F(OverlayTest, FlatOverlayDisablesTheStage) {
    ScreenOverlay overlay(nullptr, nullptr, nullptr, 0x80FF0000, OverlayRect{0, 0, 800, 600}, false);
    overlay.render(0.0f);
    const auto lines = backend.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], stageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE));
    EXPECT_EQ(lines[1], stageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE));
    EXPECT_EQ(backend.count("SetTexture"), 0u);
    const auto v = quad();
    ASSERT_EQ(v.size(), 4u);
    expectVertex(v[2], 799.5f, 599.5f, 1, 1, 0x80FF0000);
}

TEST_F(OverlayTest, FadeIsClampedAndNoFadeDrawsNothing) {
    auto drawWith = [this](D3DCOLOR color, float opacity) {
        backend.clearLog();
        backend.device()->userPrimitives.clear();
        scene::ScalarRemap fade(nullptr, opacity, 0.0f, 1.0f);
        ScreenOverlay overlay(nullptr, &fade, nullptr, color, OverlayRect{10, 10, 20, 20}, false);
        overlay.render(3.0f);
    };
    // Opacity 2 on alpha 0x80: clamped to 1, drawn as alpha 255.
    drawWith(0x80123456, 2.0f);
    ASSERT_EQ(quad().size(), 4u);
    EXPECT_EQ(quad()[0].color, 0xFF123456u);
    // Half of full alpha: 127.5 rounds to the even 128.
    drawWith(0xFF123456, 0.5f);
    EXPECT_EQ(quad()[0].color, 0x80123456u);
    // Alpha 0, a fade of 0 or below, or one that is not a number: no call at all.
    for (auto [color, opacity] : {std::pair{0x00FFFFFFu, 5.0f}, std::pair{0xFFFFFFFFu, 0.0f},
                                  std::pair{0xFFFFFFFFu, -1.0f},
                                  std::pair{0xFFFFFFFFu, std::numeric_limits<float>::quiet_NaN()}}) {
        drawWith(color, opacity);
        EXPECT_TRUE(backend.lines().empty()) << std::hex << color << " " << opacity;
    }
    // Without a fade the colour's own alpha decides: 0 draws nothing.
    backend.clearLog();
    ScreenOverlay invisible(nullptr, nullptr, nullptr, 0x00FFFFFF, OverlayRect{0, 0, 8, 8}, false);
    invisible.render(0.0f);
    EXPECT_TRUE(backend.lines().empty());
}

TEST_F(OverlayTest, TextureSpanRepeatsOrFitsAndScrolls) {
    texture::TextureUpload small(deviceState().device.get(), 128, 128, 100, 64, nullptr);
    scene::ConstantVector scroll({0.25f, 0.5f, 9.0f, 1.0f});
    ScreenOverlay repeating(&scroll, nullptr, &small, 0xFFFFFFFF, OverlayRect{0, 0, 256, 256}, false);
    repeating.render(0.0f);
    auto v = quad();
    ASSERT_EQ(v.size(), 4u);
    // One texel per pixel: 256 pixels span the 128-texel texture twice.
    expectVertex(v[0], -0.5f, -0.5f, 0.25f, 0.5f, 0xFFFFFFFF);
    expectVertex(v[2], 255.5f, 255.5f, 2.25f, 2.5f, 0xFFFFFFFF);

    backend.device()->userPrimitives.clear();
    ScreenOverlay fitted(nullptr, nullptr, &small, 0xFFFFFFFF, OverlayRect{0, 0, 256, 256}, true);
    fitted.render(0.0f);
    v = quad();
    ASSERT_EQ(v.size(), 4u);
    expectVertex(v[2], 255.5f, 255.5f, 100.0f / 128.0f, 0.5f, 0xFFFFFFFF);
}

TEST_F(OverlayTest, UpdateAdvancesTheImage) {
    cliptest::CountingTexture animated;
    ScreenOverlay overlay(nullptr, nullptr, &animated, 0xFFFFFFFF, OverlayRect{0, 0, 4, 4}, true);
    overlay.update(7.5f);
    EXPECT_EQ(animated.updates, 1);
    EXPECT_EQ(animated.lastTime, 7.5f);
    // An image whose upload found no device draws as the flat colour.
    overlay.render(7.5f);
    EXPECT_EQ(backend.count("SetTexture"), 0u);
    EXPECT_EQ(backend.device()->textureStageStates.at({0, D3DTSS_COLOROP}), static_cast<DWORD>(D3DTOP_DISABLE));
}

TEST_F(OverlayTest, ClearLayerClearsOnlyWithFlags) {
    sequence::ClearLayer nothing(0xFFFFFFFF, 0);
    sequence::ClearLayer negative(0xFFFFFFFF, -3);
    nothing.update(0.0f);
    nothing.render(0.0f);
    negative.render(0.0f);
    EXPECT_TRUE(backend.lines().empty());
    sequence::ClearLayer white(0xFFFFFFFF, 3);
    white.render(0.0f);
    EXPECT_EQ(backend.lines(), std::vector<std::string>{on("Clear(0, null, 0x3, 0xFFFFFFFF, 1, 0)")});
}

}  // namespace
