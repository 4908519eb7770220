// Lines through drawLines: the diamond-exit rule for aliased lines, coverage of anti-aliased lines,
// interpolation, depth testing and clipping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/soft/raster.h"
#include "raster_test_support.h"

namespace {

using namespace rastertest;

void drawLines(Surface& s, const PixelState& state, const std::vector<ScreenVertex>& v) {
    soft::drawLines(s.target, state, v.data(), v.size() / 2);
}

int totalCount(const Surface& s) {
    int total = 0;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) total += countAt(s, x, y);
    }
    return total;
}

TEST(RasterLine, AliasedLineDrawsItsStartButNotItsEnd) {
    Surface s(16, 16);
    drawLines(s, countingState(), {vertex(2, 5, kCountColor), vertex(10, 5, kCountColor)});
    for (int x = 0; x < 16; ++x) EXPECT_EQ(countAt(s, x, 5), (x >= 2 && x < 10) ? 1 : 0) << x;
    EXPECT_EQ(totalCount(s), 8);
    Surface back(16, 16);
    drawLines(back, countingState(), {vertex(10, 5, kCountColor), vertex(2, 5, kCountColor)});
    for (int x = 0; x < 16; ++x) EXPECT_EQ(countAt(back, x, 5), (x > 2 && x <= 10) ? 1 : 0) << x;
}

TEST(RasterLine, JoinedLinesShareNoPixel) {
    Surface s(32, 32);
    const std::vector<ScreenVertex> strip = {
        vertex(3.2f, 4.7f, kCountColor),  vertex(20.6f, 9.1f, kCountColor), vertex(20.6f, 9.1f, kCountColor),
        vertex(11.3f, 27.9f, kCountColor), vertex(11.3f, 27.9f, kCountColor), vertex(3.2f, 4.7f, kCountColor)};
    drawLines(s, countingState(), strip);
    int drawn = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            EXPECT_LE(countAt(s, x, y), 1) << x << "," << y;
            drawn += countAt(s, x, y);
        }
    }
    // Each line draws one pixel per step of its major axis.
    EXPECT_NEAR(drawn, 17 + 19 + 23, 3);
}

TEST(RasterLine, SteepLinesStepAlongY) {
    Surface s(16, 16);
    drawLines(s, countingState(), {vertex(4, 1, kCountColor), vertex(7, 13, kCountColor)});
    for (int y = 0; y < 16; ++y) {
        int perRow = 0;
        for (int x = 0; x < 16; ++x) perRow += countAt(s, x, y);
        EXPECT_EQ(perRow, (y >= 1 && y < 13) ? 1 : 0) << y;
    }
}

TEST(RasterLine, ColoursInterpolateAlongTheLine) {
    Surface s(16, 4);
    drawLines(s, plainState(), {vertex(0, 1, rgba(1, 0, 0, 1)), vertex(10, 1, rgba(0, 0, 1, 1))});
    for (int x = 0; x < 10; ++x) {
        EXPECT_NEAR(channel(s.at(x, 1), 16), (1.0 - x / 10.0) * 255.0, 1.0) << x;
        EXPECT_NEAR(channel(s.at(x, 1), 0), x / 10.0 * 255.0, 1.0) << x;
    }
}

PixelState smoothState() {
    PixelState s = plainState();
    s.antialiasedLines = true;
    s.alphaBlendEnable = true;
    s.srcBlend = device::D3DBLEND_SRCALPHA;
    s.destBlend = device::D3DBLEND_INVSRCALPHA;
    return s;
}

TEST(RasterLine, SmoothLineBetweenRowsSplitsItsCoverage) {
    Surface s(32, 8);
    drawLines(s, smoothState(), {vertex(4, 3.5f, rgba(1, 1, 1, 1)), vertex(24, 3.5f, rgba(1, 1, 1, 1))});
    for (int x = 6; x < 23; ++x) {
        EXPECT_NEAR(channel(s.at(x, 3), 16), 128, 1) << x;
        EXPECT_EQ(channel(s.at(x, 3), 16), channel(s.at(x, 4), 16)) << x;
        EXPECT_EQ(channel(s.at(x, 2), 16), 0);
        EXPECT_EQ(channel(s.at(x, 5), 16), 0);
    }
    // Ends covered by half a pixel along the line.
    EXPECT_NEAR(channel(s.at(4, 3), 16), 64, 1);
    EXPECT_EQ(channel(s.at(3, 3), 16), 0);
    EXPECT_EQ(channel(s.at(25, 3), 16), 0);
}

TEST(RasterLine, SmoothLineOnPixelCentresIsOnePixelWide) {
    Surface s(32, 8);
    drawLines(s, smoothState(), {vertex(4, 3, rgba(1, 1, 1, 1)), vertex(24, 3, rgba(1, 1, 1, 1))});
    EXPECT_EQ(channel(s.at(10, 3), 16), 255);
    EXPECT_EQ(channel(s.at(10, 2), 16), 0);
    EXPECT_EQ(channel(s.at(10, 4), 16), 0);
}

// A diagonal line: the picture is the same in both directions and mirror-symmetric about the line's
// midpoint (and, away from its square-cut ends, about the diagonal), every lit pixel lies within about
// a pixel of the line, and each column carries the coverage of a band sqrt(2) pixels tall.
TEST(RasterLine, SmoothDiagonalIsSymmetricAndBounded) {
    const Color4 white = rgba(1, 1, 1, 1);
    Surface forward(40, 40);
    Surface backward(40, 40);
    drawLines(forward, smoothState(), {vertex(5.2f, 7.1f, white), vertex(31.7f, 26.3f, white)});
    drawLines(backward, smoothState(), {vertex(31.7f, 26.3f, white), vertex(5.2f, 7.1f, white)});
    EXPECT_EQ(forward.color, backward.color);

    Surface diagonal(40, 40);
    drawLines(diagonal, smoothState(), {vertex(5, 5, white), vertex(30, 30, white)});
    for (int y = 0; y <= 35; ++y) {
        for (int x = 0; x <= 35; ++x) {
            const int c = channel(diagonal.at(x, y), 16);
            EXPECT_EQ(c, channel(diagonal.at(35 - x, 35 - y), 16)) << x << "," << y;
            if (x > 6 && x < 29 && y > 6 && y < 29) {
                EXPECT_EQ(c, channel(diagonal.at(y, x), 16)) << x << "," << y;
            }
            if (c > 0) {
                EXPECT_LE(std::abs(x - y), 1) << x << "," << y;
            }
        }
    }
    for (int x = 8; x < 28; ++x) {
        int column = 0;
        for (int y = 0; y < 40; ++y) column += channel(diagonal.at(x, y), 16);
        EXPECT_NEAR(column, std::sqrt(2.0) * 255.0, 4.0) << x;
    }
}

TEST(RasterLine, CoverageMultipliesSourceAlpha) {
    Surface s(16, 4, 0xFF000000u);
    drawLines(s, smoothState(), {vertex(0, 1.5f, rgba(1, 1, 1, 0.5f)), vertex(16, 1.5f, rgba(1, 1, 1, 0.5f))});
    EXPECT_NEAR(channel(s.at(8, 1), 16), 64, 1);  // half covered, half transparent
}

TEST(RasterLine, DepthTestHidesLinesBehindSurfaces) {
    Surface s(16, 16);
    PixelState solid;
    solid.zFunc = device::D3DCMP_LESS;
    draw(s, solid, rectangle(-0.5f, -0.5f, 7.5f, 15.5f, rgba(0, 0, 1, 1), 0.3f));
    PixelState line = plainState();
    line.zEnable = device::D3DZB_TRUE;
    line.zWriteEnable = false;
    line.zFunc = device::D3DCMP_LESSEQUAL;
    drawLines(s, line, {vertex(0, 8, rgba(1, 0, 0, 1), 0.5f), vertex(16, 8, rgba(1, 0, 0, 1), 0.5f)});
    EXPECT_EQ(s.at(3, 8), 0xFF0000FFu);
    EXPECT_EQ(s.at(12, 8), 0xFFFF0000u);
    EXPECT_EQ(s.depthAt(12, 8), 0xFFFFFFu);
}

TEST(RasterLine, ClippedToTheViewportAndSafeWithBadInput) {
    Surface s(16, 16);
    s.target.x0 = 4;
    s.target.x1 = 12;
    const float g = soft::kGuardBand;
    const float nan = std::nanf("");
    for (const bool smooth : {false, true}) {
        PixelState state = countingState();
        state.antialiasedLines = smooth;
        drawLines(s, state, {vertex(-g, 6, kCountColor), vertex(g, 6, kCountColor), vertex(8, -g, kCountColor),
                             vertex(8.3f, g, kCountColor), vertex(nan, 1, kCountColor), vertex(5, 1, kCountColor),
                             vertex(3, 3, kCountColor), vertex(3, 3, kCountColor)});
    }
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (x < 4 || x >= 12) {
                EXPECT_EQ(countAt(s, x, y), 0) << x << "," << y;
            }
        }
    }
    EXPECT_GT(countAt(s, 6, 6), 0);
    EXPECT_GT(countAt(s, 8, 12), 0);
    EXPECT_EQ(countAt(s, 5, 1), 0);
}

}  // namespace
