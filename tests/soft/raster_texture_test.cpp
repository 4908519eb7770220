// Texture sampling through drawTriangles: texel-to-pixel alignment of screen overlays, bilinear weights,
// addressing modes, filter choice, and perspective-correct interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/soft/raster.h"
#include "platform/soft/raster_settings.h"
#include "raster_test_support.h"

namespace {

using namespace rastertest;

std::vector<std::uint32_t> noiseTexture(int w, int h, std::uint32_t seed) {
    std::vector<std::uint32_t> t(static_cast<std::size_t>(w) * h);
    for (auto& texel : t) {
        seed = seed * 1664525u + 1013904223u;
        texel = seed;
    }
    return t;
}

PixelState textured(const std::uint32_t* texels, int w, int h, device::D3DTEXTUREFILTERTYPE filter) {
    PixelState s = plainState();
    s.stages[0] = {device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                   device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    s.samplers[0].texture = {texels, w, h, w};
    s.samplers[0].magFilter = filter;
    s.samplers[0].minFilter = filter;
    return s;
}

// An overlay drawn like the screen overlays: corners moved by -0.5 and texture coordinates 0..1 over a
// texture of the same size reproduces the texture exactly under bilinear filtering.
TEST(RasterTexture, OverlayAtHalfPixelOffsetReproducesTheTexture) {
    const int w = 32, h = 16;
    const auto texels = noiseTexture(w, h, 7);
    for (const int ox : {0, 5}) {
        Surface s(48, 24);
        draw(s, textured(texels.data(), w, h, device::D3DTEXF_LINEAR),
             rectangle(ox - 0.5f, 3 - 0.5f, ox - 0.5f + w, 3 - 0.5f + h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(s.at(ox + x, 3 + y), texels[static_cast<std::size_t>(y) * w + x]) << x << "," << y;
            }
        }
        EXPECT_EQ(s.at(ox + w, 3), 0xFF000000u);
        EXPECT_EQ(s.at(ox, 2), 0xFF000000u);
    }
}

// Sampling a 2x2 texture at its centre weighs all four texels equally; a quarter of the way across
// weighs them 3:1.
TEST(RasterTexture, BilinearWeightsBetweenTexels) {
    const std::uint32_t texels[4] = {0xFF000000u, 0xFFFF0000u, 0x0000FF00u, 0x000000FFu};
    const PixelState state = textured(texels, 2, 2, device::D3DTEXF_LINEAR);
    auto sampleAt = [&](float u, float v) {
        Surface s(1, 1);
        draw(s, state, rectangle(-0.5f, -0.5f, 0.5f, 0.5f, rgba(1, 1, 1, 1), 0.5f, u, v, u, v));
        return s.at(0, 0);
    };
    const std::uint32_t centre = sampleAt(0.5f, 0.5f);
    EXPECT_NEAR(channel(centre, 24), 255 / 2.0, 1.0);
    EXPECT_NEAR(channel(centre, 16), 255 / 4.0, 1.0);
    EXPECT_NEAR(channel(centre, 8), 255 / 4.0, 1.0);
    EXPECT_NEAR(channel(centre, 0), 255 / 4.0, 1.0);
    // u = 0.5 texel right of the first centre, v on the first row of centres.
    const std::uint32_t quarter = sampleAt(0.375f, 0.25f);  // 3/4 of texel 0, 1/4 of texel 1
    EXPECT_NEAR(channel(quarter, 16), 255 / 4.0, 1.0);
    EXPECT_EQ(channel(quarter, 24), 255);
    EXPECT_EQ(channel(quarter, 8), 0);
    // Point sampling picks the texel containing the sample.
    Surface p(1, 1);
    draw(p, textured(texels, 2, 2, device::D3DTEXF_POINT),
         rectangle(-0.5f, -0.5f, 0.5f, 0.5f, rgba(1, 1, 1, 1), 0.5f, 0.75f, 0.75f, 0.75f, 0.75f));
    EXPECT_EQ(p.at(0, 0), texels[3]);
}

// Wrapping repeats the texture every unit; bilinear filtering across the seam blends the last texel
// with the first.
TEST(RasterTexture, WrapAddressingRepeatsAndBlendsAcrossTheSeam) {
    const auto texels = noiseTexture(8, 4, 99);
    Surface s(24, 4);
    draw(s, textured(texels.data(), 8, 4, device::D3DTEXF_POINT),
         rectangle(-0.5f, -0.5f, 23.5f, 3.5f, rgba(1, 1, 1, 1), 0.5f, -1.0f, 0.0f, 2.0f, 1.0f));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 24; ++x) EXPECT_EQ(s.at(x, y), texels[static_cast<std::size_t>(y) * 8 + x % 8]);
    }
    const std::uint32_t seam[2] = {0xFF000000u, 0xFFFFFFFFu};  // 2x1: black then white
    Surface b(1, 1);
    draw(b, textured(seam, 2, 1, device::D3DTEXF_LINEAR),
         rectangle(-0.5f, -0.5f, 0.5f, 0.5f, rgba(1, 1, 1, 1), 0.5f, 1.0f, 0.5f, 1.0f, 0.5f));
    EXPECT_NEAR(channel(b.at(0, 0), 16), 127.5, 1.0);  // u = 1.0: halfway between texel 1 and texel 0
}

TEST(RasterTexture, ClampMirrorAndBorderAddressing) {
    const std::uint32_t texels[4] = {0xFF000010u, 0xFF000020u, 0xFF000030u, 0xFF000040u};  // 4x1
    auto sampleAt = [&](device::D3DTEXTUREADDRESS mode, float u) {
        PixelState state = textured(texels, 4, 1, device::D3DTEXF_POINT);
        state.samplers[0].addressU = mode;
        Surface s(1, 1);
        draw(s, state, rectangle(-0.5f, -0.5f, 0.5f, 0.5f, rgba(1, 1, 1, 1), 0.5f, u, 0.5f, u, 0.5f));
        return s.at(0, 0);
    };
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_CLAMP, -3.0f), texels[0]);
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_CLAMP, 5.0f), texels[3]);
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_MIRROR, 1.125f), texels[3]);  // texel 4 mirrors to 3
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_MIRROR, 1.875f), texels[0]);
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_MIRROR, -0.125f), texels[0]);
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_BORDER, 1.5f), 0u);
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_BORDER, 0.6f), texels[2]);
    EXPECT_EQ(sampleAt(device::D3DTADDRESS_WRAP, 1.6f), texels[2]);
}

TEST(RasterTexture, MagnificationAndMinificationFiltersAreChosenByTexelDensity) {
    const std::uint32_t texels[2] = {0xFF000000u, 0xFFFFFFFFu};  // 2x1
    PixelState state = textured(texels, 2, 1, device::D3DTEXF_POINT);
    state.samplers[0].magFilter = device::D3DTEXF_LINEAR;
    state.samplers[0].minFilter = device::D3DTEXF_POINT;
    // Magnified: 8 pixels over the two texels; pixel 3 lies between the texel centres.
    Surface big(8, 1);
    draw(big, state, rectangle(-0.5f, -0.5f, 7.5f, 0.5f));
    const int mid = channel(big.at(3, 0), 16);
    EXPECT_GT(mid, 0);
    EXPECT_LT(mid, 255);
    // Minified: one pixel over both texels repeated twice; point sampling gives a pure texel.
    Surface small(1, 1);
    draw(small, state, rectangle(-0.5f, -0.5f, 0.5f, 0.5f, rgba(1, 1, 1, 1), 0.5f, 0.1f, 0.0f, 2.1f, 1.0f));
    const int red = channel(small.at(0, 0), 16);
    EXPECT_TRUE(red == 0 || red == 255) << red;
}

// A rectangle whose right side is four times farther away (rhw 1 on the left, 0.25 on the right):
// values interpolate linearly in eye space, not on screen. At screen fraction s the eye-space fraction
// is s * 0.25 / ((1 - s) + s * 0.25).
TEST(RasterTexture, PerspectiveCorrectInterpolation) {
    const int w = 64;
    Surface s(w, 1);
    auto quad = rectangle(-0.5f, -0.5f, w - 0.5f, 0.5f, rgba(0, 0, 0, 1));
    for (auto& v : quad) {
        const bool right = v.x > 0.0f;
        v.rhw = right ? 0.25f : 1.0f;
        v.diffuse.r = right ? 1.0f : 0.0f;
    }
    draw(s, plainState(), quad);
    for (int x = 0; x < w; ++x) {
        const double f = (x + 0.5) / w;
        const double expected = f * 0.25 / ((1.0 - f) + f * 0.25);
        EXPECT_NEAR(channel(s.at(x, 0), 16), expected * 255.0, 1.0) << x;
    }
    EXPECT_LT(channel(s.at(w / 2, 0), 16), 64);  // affine interpolation would give 128 here

    // The same holds for texture coordinates: a 64-texel ramp sampled with point filtering.
    std::vector<std::uint32_t> ramp(w);
    for (int i = 0; i < w; ++i) ramp[static_cast<std::size_t>(i)] = 0xFF000000u | static_cast<std::uint32_t>(i * 4) << 16;
    auto texQuad = rectangle(-0.5f, -0.5f, w - 0.5f, 0.5f);
    for (auto& v : texQuad) v.rhw = v.x > 0.0f ? 0.25f : 1.0f;
    Surface t(w, 1);
    draw(t, textured(ramp.data(), w, 1, device::D3DTEXF_POINT), texQuad);
    for (int x = 0; x < w; ++x) {
        const double f = (x + 0.5) / w;
        const double u = f * 0.25 / ((1.0 - f) + f * 0.25);
        EXPECT_NEAR(channel(t.at(x, 0), 16) / 4, std::floor(u * w), 1.0) << x;
    }
}

// The AVX2 sampling kernel must match the SSE2 one bit for bit: a rotated, stretched, wrapped quad
// sampled both ways.
TEST(RasterTexture, WideKernelMatchesTheBaseline) {
    if (!soft::rasterUsesAvx2({})) GTEST_SKIP() << "no AVX2 on this processor";
    const auto texels = noiseTexture(64, 32, 3);
    const PixelState state = textured(texels.data(), 64, 32, device::D3DTEXF_LINEAR);
    const auto quad = fanQuad(vertex(3.3f, -20.0f, rgba(1, 1, 1, 1), 0.5f, -0.7f, 0.1f),
                              vertex(130.0f, 10.7f, rgba(1, 1, 1, 1), 0.5f, 2.9f, -0.4f),
                              vertex(97.0f, 150.2f, rgba(1, 1, 1, 1), 0.5f, 3.3f, 2.6f),
                              vertex(-30.0f, 110.0f, rgba(1, 1, 1, 1), 0.5f, -0.2f, 3.1f));
    Surface wide(128, 128);
    draw(wide, state, quad);
    Surface baseline(128, 128);
    draw(baseline, state, quad, {.avx2 = soft::KernelUse::Never});
    EXPECT_EQ(wide.color, baseline.color);
}

}  // namespace
