// The pixel pipeline through drawTriangles: depth functions and writes, blend factors and rounding,
// table fog, texture stage combiners and adding specular light.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/soft/raster.h"
#include "raster_test_support.h"

namespace {

using namespace rastertest;

constexpr std::uint32_t kHalfDepth = 0x800000u;  // z = 0.5 quantised: round(0.5 * 0xFFFFFF)

// round(x / 255), the rounding the colour arithmetic promises.
int div255(int x) { return (2 * x + 255) / 510; }

struct DepthCase {
    device::D3DCMPFUNC func;
    bool passesNearer, passesEqual, passesFarther;
};

TEST(RasterDepth, ComparisonFunctionsAgainstTheStoredDepth) {
    const DepthCase cases[] = {
        {device::D3DCMP_NEVER, false, false, false},       {device::D3DCMP_LESS, true, false, false},
        {device::D3DCMP_EQUAL, false, true, false},        {device::D3DCMP_LESSEQUAL, true, true, false},
        {device::D3DCMP_GREATER, false, false, true},      {device::D3DCMP_NOTEQUAL, true, false, true},
        {device::D3DCMP_GREATEREQUAL, false, true, true},  {device::D3DCMP_ALWAYS, true, true, true},
    };
    const float depths[] = {0.25f, 0.5f, 0.75f};
    for (const DepthCase& c : cases) {
        const bool expected[] = {c.passesNearer, c.passesEqual, c.passesFarther};
        for (int i = 0; i < 3; ++i) {
            Surface s(4, 4, 0xFF000000u, kHalfDepth);
            PixelState state;
            state.zFunc = c.func;
            draw(s, state, rectangle(-0.5f, -0.5f, 3.5f, 3.5f, rgba(1, 1, 1, 1), depths[i]));
            EXPECT_EQ(s.at(2, 2), expected[i] ? 0xFFFFFFFFu : 0xFF000000u) << "func " << c.func << " z " << depths[i];
            const std::uint32_t written = static_cast<std::uint32_t>(std::lround(depths[i] * 16777215.0));
            EXPECT_EQ(s.depthAt(2, 2), expected[i] ? written : kHalfDepth);
        }
    }
}

// Only the low 24 bits of a depth word hold depth: the comparison ignores the top byte, a failing
// fragment leaves the word alone and a passing one replaces it. Rows of 9 and 3 pixels take the
// four-at-a-time path and the one-at-a-time path.
TEST(RasterDepth, TheTopByteOfAStoredWordIsIgnored) {
    for (const float width : {9.0f, 3.0f}) {
        Surface s(9, 2, 0xFF000000u, 0xAB000000u | kHalfDepth);
        PixelState state;
        state.zFunc = device::D3DCMP_EQUAL;
        draw(s, state, rectangle(-0.5f, -0.5f, width - 0.5f, 0.5f, rgba(0, 1, 0, 1), 0.5f));
        EXPECT_EQ(s.at(0, 0), 0xFF00FF00u) << width;
        EXPECT_EQ(s.depthAt(0, 0), kHalfDepth) << width;
        state.zFunc = device::D3DCMP_LESS;
        draw(s, state, rectangle(-0.5f, 0.5f, width - 0.5f, 1.5f, rgba(1, 0, 0, 1), 0.75f));
        EXPECT_EQ(s.at(static_cast<int>(width) - 1, 1), 0xFF000000u) << width;
        EXPECT_EQ(s.depthAt(static_cast<int>(width) - 1, 1), 0xAB000000u | kHalfDepth) << width;
    }
}

TEST(RasterDepth, WriteDisabledTestsButKeepsTheBuffer) {
    Surface s(4, 4, 0xFF000000u, kHalfDepth);
    PixelState state;
    state.zWriteEnable = false;
    state.zFunc = device::D3DCMP_LESS;
    draw(s, state, rectangle(-0.5f, -0.5f, 3.5f, 3.5f, rgba(1, 0, 0, 1), 0.25f));
    EXPECT_EQ(s.at(1, 1), 0xFFFF0000u);
    EXPECT_EQ(s.depthAt(1, 1), kHalfDepth);
    draw(s, state, rectangle(-0.5f, -0.5f, 3.5f, 3.5f, rgba(0, 1, 0, 1), 0.75f));
    EXPECT_EQ(s.at(1, 1), 0xFFFF0000u);
}

TEST(RasterDepth, ZEnableFalseNeitherTestsNorWrites) {
    Surface s(4, 4, 0xFF000000u, 0u);
    PixelState state;
    state.zEnable = device::D3DZB_FALSE;
    state.zFunc = device::D3DCMP_NEVER;
    draw(s, state, rectangle(-0.5f, -0.5f, 3.5f, 3.5f, rgba(0, 0, 1, 1), 0.75f));
    EXPECT_EQ(s.at(3, 3), 0xFF0000FFu);
    EXPECT_EQ(s.depthAt(3, 3), 0u);
}

TEST(RasterDepth, NearerSurfaceHidesFartherOneInEitherOrder) {
    for (const bool nearFirst : {true, false}) {
        Surface s(8, 8);
        PixelState state;
        state.zFunc = device::D3DCMP_LESS;
        const auto nearQuad = rectangle(-0.5f, -0.5f, 7.5f, 7.5f, rgba(1, 0, 0, 1), 0.2f);
        const auto farQuad = rectangle(-0.5f, -0.5f, 7.5f, 7.5f, rgba(0, 1, 0, 1), 0.8f);
        draw(s, state, nearFirst ? nearQuad : farQuad);
        draw(s, state, nearFirst ? farQuad : nearQuad);
        EXPECT_EQ(s.at(4, 4), 0xFFFF0000u);
        EXPECT_EQ(s.depthAt(4, 4), static_cast<std::uint32_t>(std::lround(0.2 * 16777215.0)));
    }
}

TEST(RasterDepth, FarPlaneQuantisesToTheLargestDepth) {
    Surface s(2, 2, 0xFF000000u, 0u);
    PixelState state;
    state.zFunc = device::D3DCMP_ALWAYS;
    draw(s, state, rectangle(-0.5f, -0.5f, 1.5f, 1.5f, rgba(1, 1, 1, 1), 1.0f));
    EXPECT_EQ(s.depthAt(0, 0), 0xFFFFFFu);
}

PixelState blendState(device::D3DBLEND src, device::D3DBLEND dest) {
    PixelState s = plainState();
    s.alphaBlendEnable = true;
    s.srcBlend = src;
    s.destBlend = dest;
    return s;
}

// Draws one colour over a surface cleared to dest and returns the pixel.
std::uint32_t blendOver(std::uint32_t dest, Color4 src, const PixelState& state) {
    Surface s(2, 2, dest);
    draw(s, state, rectangle(-0.5f, -0.5f, 1.5f, 1.5f, src));
    return s.at(1, 1);
}

TEST(RasterBlend, SrcAlphaInvSrcAlphaRoundsEachChannel) {
    const std::uint32_t dest = 0xFF204060u;
    const std::uint32_t out = blendOver(dest, rgba(200 / 255.0f, 10 / 255.0f, 1.0f, 128 / 255.0f),
                                        blendState(device::D3DBLEND_SRCALPHA, device::D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(channel(out, 16), div255(200 * 128 + 0x20 * 127));
    EXPECT_EQ(channel(out, 8), div255(10 * 128 + 0x40 * 127));
    EXPECT_EQ(channel(out, 0), div255(255 * 128 + 0x60 * 127));
    EXPECT_EQ(channel(out, 24), div255(128 * 128 + 255 * 127));
}

TEST(RasterBlend, OpaqueAndTransparentSourceAlpha) {
    const PixelState state = blendState(device::D3DBLEND_SRCALPHA, device::D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(blendOver(0xFF123456u, rgba(1, 0, 1, 1), state) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(blendOver(0xFF123456u, rgba(1, 0, 1, 0), state) & 0xFFFFFF, 0x123456u);
}

TEST(RasterBlend, ColourFactorsAndSaturation) {
    const Color4 src = rgba(100 / 255.0f, 200 / 255.0f, 50 / 255.0f, 1);
    const std::uint32_t dest = 0xFF80C0FFu;
    const std::uint32_t add = blendOver(dest, src, blendState(device::D3DBLEND_ONE, device::D3DBLEND_ONE));
    EXPECT_EQ(add & 0xFFFFFF, 0xE4FFFFu);  // 100 + 128, 200 + 192 saturated, 50 + 255 saturated

    const std::uint32_t multiply = blendOver(dest, src, blendState(device::D3DBLEND_DESTCOLOR, device::D3DBLEND_ZERO));
    EXPECT_EQ(channel(multiply, 16), div255(100 * 0x80));
    EXPECT_EQ(channel(multiply, 8), div255(200 * 0xC0));
    EXPECT_EQ(channel(multiply, 0), div255(50 * 0xFF));

    const std::uint32_t screen = blendOver(dest, src, blendState(device::D3DBLEND_INVDESTCOLOR, device::D3DBLEND_ONE));
    EXPECT_EQ(channel(screen, 16), 0x80 + div255(100 * (255 - 0x80)));
    EXPECT_EQ(channel(screen, 8), 0xC0 + div255(200 * (255 - 0xC0)));

    const std::uint32_t srcColor = blendOver(dest, src, blendState(device::D3DBLEND_SRCCOLOR, device::D3DBLEND_INVSRCCOLOR));
    EXPECT_EQ(channel(srcColor, 16), div255(100 * 100 + 0x80 * 155));
    EXPECT_EQ(channel(srcColor, 8), div255(200 * 200 + 0xC0 * 55));

    const std::uint32_t destAlpha = blendOver(0x40000000u, rgba(1, 1, 1, 1), blendState(device::D3DBLEND_DESTALPHA, device::D3DBLEND_ZERO));
    EXPECT_EQ(channel(destAlpha, 16), 0x40);
}

TEST(RasterBlend, BlendingOffWritesTheSourceWithItsAlpha) {
    EXPECT_EQ(blendOver(0xFF00FF00u, rgba(1, 0, 0, 0.5f), plainState()), 0x80FF0000u);
}

// Fog on eye depth w = 1 / rhw: rectangles at depth 10, 15 and 20 with linear fog from 10 to 20.
std::uint32_t foggedAt(float depth, const PixelState& state, float z = 0.5f) {
    Surface s(2, 2);
    auto quad = rectangle(-0.5f, -0.5f, 1.5f, 1.5f, rgba(1, 0, 0, 0.5f), z);
    for (auto& v : quad) v.rhw = 1.0f / depth;
    draw(s, state, quad);
    return s.at(0, 0);
}

PixelState fogState(device::D3DFOGMODE mode) {
    PixelState s = plainState();
    s.fogEnable = true;
    s.fogTableMode = mode;
    s.fogColor = 0xFF0000FFu;
    s.fogStart = 10.0f;
    s.fogEnd = 20.0f;
    s.fogDensity = 0.1f;
    return s;
}

TEST(RasterFog, LinearFogFromStartToEnd) {
    const PixelState state = fogState(device::D3DFOG_LINEAR);
    EXPECT_EQ(foggedAt(5.0f, state), 0x80FF0000u);
    EXPECT_EQ(foggedAt(10.0f, state), 0x80FF0000u);
    EXPECT_EQ(foggedAt(20.0f, state), 0x800000FFu);  // alpha untouched
    EXPECT_EQ(foggedAt(40.0f, state), 0x800000FFu);
    const std::uint32_t mid = foggedAt(15.0f, state);
    EXPECT_EQ(channel(mid, 16), div255(255 * 128));
    EXPECT_EQ(channel(mid, 0), div255(255 * 127));
    EXPECT_EQ(channel(mid, 24), 0x80);
}

TEST(RasterFog, DepthFromZWhenNotFromW) {
    PixelState state = fogState(device::D3DFOG_LINEAR);
    state.fogFromW = false;
    state.fogStart = 0.0f;
    state.fogEnd = 1.0f;
    EXPECT_EQ(foggedAt(100.0f, state, 0.0f), 0x80FF0000u);
    EXPECT_EQ(foggedAt(100.0f, state, 1.0f), 0x800000FFu);
    EXPECT_EQ(channel(foggedAt(100.0f, state, 0.5f), 16), div255(255 * 128));
}

TEST(RasterFog, ExponentialModesUseTheDensity) {
    const std::uint32_t exp = foggedAt(10.0f, fogState(device::D3DFOG_EXP));
    const int f = static_cast<int>(std::exp(-1.0) * 255.0 + 0.5);
    EXPECT_EQ(channel(exp, 16), div255(255 * f));
    EXPECT_EQ(channel(exp, 0), div255(255 * (255 - f)));
    const std::uint32_t exp2 = foggedAt(10.0f, fogState(device::D3DFOG_EXP2));
    EXPECT_EQ(channel(exp2, 16), div255(255 * f));  // (0.1 * 10)^2 = 1 too
}

TEST(RasterFog, FogDisabledOrModeNoneLeavesColour) {
    PixelState state = fogState(device::D3DFOG_LINEAR);
    state.fogEnable = false;
    EXPECT_EQ(foggedAt(20.0f, state), 0x80FF0000u);
    state = fogState(device::D3DFOG_NONE);
    EXPECT_EQ(foggedAt(20.0f, state), 0x80FF0000u);
}

// A one-texel texture makes every sample the same colour.
struct StageFixture {
    std::uint32_t texel0 = 0x80402010u;
    std::uint32_t texel1 = 0xFF102030u;
    PixelState state = plainState();
    StageFixture() {
        state.samplers[0].texture = {&texel0, 1, 1, 1};
        state.samplers[1].texture = {&texel1, 1, 1, 1};
    }
    std::uint32_t draw(Color4 diffuse = rgba(128 / 255.0f, 1, 64 / 255.0f, 1)) {
        Surface s(2, 2);
        rastertest::draw(s, state, rectangle(-0.5f, -0.5f, 1.5f, 1.5f, diffuse));
        return s.at(0, 0);
    }
};

TEST(RasterStages, DisabledFirstStagePassesDiffuse) {
    StageFixture f;
    f.state.stages[0].colorOp = device::D3DTOP_DISABLE;
    f.state.stages[1] = {device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_CURRENT,
                         device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_CURRENT};
    EXPECT_EQ(f.draw(), 0xFF80FF40u);  // stage 1 never runs
}

TEST(RasterStages, SelectAndModulate) {
    StageFixture f;
    f.state.stages[0] = {device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                         device::D3DTOP_SELECTARG2, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    EXPECT_EQ(f.draw(), 0xFF402010u);
    f.state.stages[0] = {device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                         device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    const std::uint32_t m = f.draw();
    EXPECT_EQ(channel(m, 24), 0x80);
    EXPECT_EQ(channel(m, 16), div255(0x40 * 128));
    EXPECT_EQ(channel(m, 8), 0x20);
    EXPECT_EQ(channel(m, 0), div255(0x10 * 64));
}

TEST(RasterStages, ModifiersFactorAndSecondStage) {
    StageFixture f;
    f.state.textureFactor = 0x20C08040u;
    f.state.stages[0] = {device::D3DTOP_SELECTARG1, device::D3DTA_TFACTOR | device::D3DTA_COMPLEMENT,
                         device::D3DTA_DIFFUSE, device::D3DTOP_SELECTARG1,
                         device::D3DTA_TEXTURE | device::D3DTA_COMPLEMENT, device::D3DTA_DIFFUSE};
    EXPECT_EQ(f.draw(), 0x7F3F7FBFu);
    f.state.stages[0].colorArg1 = device::D3DTA_TEXTURE | device::D3DTA_ALPHAREPLICATE;
    EXPECT_EQ(f.draw() & 0xFFFFFF, 0x808080u);
    f.state.stages[0] = {device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                         device::D3DTOP_SELECTARG1, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    f.state.stages[1] = {device::D3DTOP_ADD, device::D3DTA_TEXTURE, device::D3DTA_CURRENT,
                         device::D3DTOP_MODULATE2X, device::D3DTA_CURRENT, device::D3DTA_DIFFUSE};
    EXPECT_EQ(f.draw(), 0xFF504040u);  // alpha: 0x80 * 1.0 * 2 saturated
}

TEST(RasterStages, NullTextureReadsOpaqueWhite) {
    StageFixture f;
    f.state.samplers[0].texture = {};
    f.state.stages[0] = {device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                         device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    EXPECT_EQ(f.draw(), 0xFF80FF40u);
}

TEST(RasterStages, SpecularAddsToColourOnly) {
    StageFixture f;
    f.state.specularEnable = true;
    Surface s(2, 2);
    auto quad = rectangle(-0.5f, -0.5f, 1.5f, 1.5f, rgba(128 / 255.0f, 0, 1, 0.5f));
    for (auto& v : quad) v.specular = rgba(200 / 255.0f, 16 / 255.0f, 1, 1);
    draw(s, f.state, quad);
    EXPECT_EQ(s.at(1, 1), 0x80FF10FFu);
}

TEST(RasterShading, GouraudColoursInterpolateAcrossTheTriangle) {
    Surface s(11, 11);
    draw(s, plainState(), {vertex(-0.5f, -0.5f, rgba(1, 0, 0, 1)), vertex(10.5f, -0.5f, rgba(0, 1, 0, 1)),
                           vertex(-0.5f, 10.5f, rgba(0, 0, 1, 1))});
    // Pixel (x, y) lies at barycentric ((x + 0.5) / 11, (y + 0.5) / 11) towards the green and blue corners.
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x + y < 10; ++x) {
            const double g = (x + 0.5) / 11.0, b = (y + 0.5) / 11.0;
            EXPECT_NEAR(channel(s.at(x, y), 16), (1.0 - g - b) * 255.0, 1.0) << x << "," << y;
            EXPECT_NEAR(channel(s.at(x, y), 8), g * 255.0, 1.0);
            EXPECT_NEAR(channel(s.at(x, y), 0), b * 255.0, 1.0);
        }
    }
}

}  // namespace
