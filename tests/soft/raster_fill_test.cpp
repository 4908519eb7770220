// Triangle coverage: pixel centres on integer coordinates, the top-left fill rule on shared edges and
// vertices, clipping to the viewport rectangle, guard-band coordinates and bad input, and pictures that
// do not depend on the raster thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/soft/raster.h"
#include "raster_test_support.h"

namespace {

using namespace rastertest;

// Counts how often each pixel of the surface was drawn into a grid of characters for failure messages.
std::string coverageMap(const Surface& s) {
    std::string out;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) out += static_cast<char>('0' + countAt(s, x, y));
        out += '\n';
    }
    return out;
}

TEST(RasterFill, RectangleFromMinusHalfCoversExactlyItsPixels) {
    Surface s(16, 16);
    draw(s, countingState(), rectangle(-0.5f, -0.5f, 9.5f, 9.5f, kCountColor));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(countAt(s, x, y), (x <= 9 && y <= 9) ? 1 : 0) << x << "," << y << "\n" << coverageMap(s);
        }
    }
}

TEST(RasterFill, IntegerEdgesBelongToTopAndLeftOnly) {
    Surface s(12, 12);
    draw(s, countingState(), rectangle(1.0f, 1.0f, 5.0f, 5.0f, kCountColor));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 4;
            EXPECT_EQ(countAt(s, x, y), inside ? 1 : 0) << x << "," << y << "\n" << coverageMap(s);
        }
    }
}

TEST(RasterFill, SharedDiagonalGoesToTheTriangleWhoseLeftEdgeItIs) {
    Surface first(8, 8);
    Surface second(8, 8);
    const std::vector<ScreenVertex> a = {vertex(0, 0, kCountColor), vertex(5, 0, kCountColor), vertex(5, 5, kCountColor)};
    const std::vector<ScreenVertex> b = {vertex(0, 5, kCountColor), vertex(0, 0, kCountColor), vertex(5, 5, kCountColor)};
    draw(first, countingState(), a);
    draw(second, countingState(), b);
    int firstCount = 0, secondCount = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            firstCount += countAt(first, x, y);
            secondCount += countAt(second, x, y);
            EXPECT_LE(countAt(first, x, y) + countAt(second, x, y), 1);
        }
    }
    EXPECT_EQ(firstCount, 15);
    EXPECT_EQ(secondCount, 10);
}

// A fan around a centre that sits on a pixel centre, with rim vertices on and off pixel centres: every
// pixel of the polygon is drawn exactly once, and the covered set matches another triangulation.
TEST(RasterFill, FanAroundACentreDrawsEveryPixelOnce) {
    const int n = 9;
    std::vector<ScreenVertex> rim;
    for (int i = 0; i < n; ++i) {
        const double angle = 2.0 * 3.14159265358979 * i / n + 0.3;
        float x = static_cast<float>(20.0 + 14.0 * std::cos(angle));
        float y = static_cast<float>(20.0 + 14.0 * std::sin(angle));
        if (i % 3 == 0) {
            x = std::round(x);
            y = std::round(y);
        }
        rim.push_back(vertex(x, y, kCountColor));
    }
    std::vector<ScreenVertex> aroundCentre;
    std::vector<ScreenVertex> fromRim;
    for (int i = 0; i < n; ++i) {
        aroundCentre.insert(aroundCentre.end(), {vertex(20, 20, kCountColor), rim[i], rim[(i + 1) % n]});
        if (i >= 1 && i + 1 < n) fromRim.insert(fromRim.end(), {rim[0], rim[i], rim[i + 1]});
    }
    Surface a(40, 40);
    Surface b(40, 40);
    draw(a, countingState(), aroundCentre);
    draw(b, countingState(), fromRim);
    int covered = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_LE(countAt(a, x, y), 1) << x << "," << y << "\n" << coverageMap(a);
            ASSERT_EQ(countAt(a, x, y), countAt(b, x, y)) << x << "," << y;
            covered += countAt(a, x, y);
        }
    }
    EXPECT_EQ(countAt(a, 20, 20), 1);
    EXPECT_GT(covered, 500);  // the polygon's area is about 550 pixels
}

TEST(RasterFill, BothWindingsCoverTheSamePixels) {
    Surface cw(16, 16);
    Surface ccw(16, 16);
    const ScreenVertex p0 = vertex(1.3f, 2.0f, kCountColor), p1 = vertex(13.0f, 4.5f, kCountColor),
                       p2 = vertex(6.0f, 14.0f, kCountColor);
    draw(cw, countingState(), {p0, p1, p2});
    draw(ccw, countingState(), {p0, p2, p1});
    EXPECT_EQ(cw.color, ccw.color);
}

TEST(RasterFill, DrawsOnlyInsideTheViewportRectangle) {
    Surface s(20, 20);
    s.target.x0 = 3;
    s.target.y0 = 4;
    s.target.x1 = 11;
    s.target.y1 = 9;
    draw(s, countingState(), rectangle(-100.0f, -100.0f, 100.0f, 100.0f, kCountColor));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            EXPECT_EQ(countAt(s, x, y), (x >= 3 && x < 11 && y >= 4 && y < 9) ? 1 : 0) << x << "," << y;
        }
    }
}

TEST(RasterFill, ViewportLargerThanTheSurfaceIsClipped) {
    Surface s(8, 8);
    s.target.x0 = -5;
    s.target.y0 = -5;
    s.target.x1 = 50;
    s.target.y1 = 50;
    draw(s, countingState(), rectangle(-100.0f, -100.0f, 100.0f, 100.0f, kCountColor));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) EXPECT_EQ(countAt(s, x, y), 1);
    }
}

TEST(RasterFill, GuardBandCoordinatesDrawTheVisiblePart) {
    Surface s(64, 48);
    const float g = soft::kGuardBand;
    draw(s, countingState(), {vertex(-g, -g, kCountColor), vertex(g, -g, kCountColor), vertex(0, g, kCountColor)});
    // The slanted edges pass thousands of pixels away from the screen: every pixel is inside.
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) ASSERT_EQ(countAt(s, x, y), 1) << x << "," << y;
    }
    // A sliver from far outside crossing the screen.
    Surface t(64, 48);
    draw(t, countingState(), {vertex(-g, 10.0f, kCountColor), vertex(g, 10.0f, kCountColor), vertex(g, 12.0f, kCountColor)});
    int covered = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) covered += countAt(t, x, y);
    }
    EXPECT_GT(covered, 0);
    EXPECT_LE(covered, 64 * 3);
}

TEST(RasterFill, BadInputDrawsNothing) {
    Surface s(16, 16);
    const float nan = std::nanf("");
    const float inf = INFINITY;
    draw(s, countingState(), {vertex(nan, 0, kCountColor), vertex(10, 0, kCountColor), vertex(0, 10, kCountColor)});
    draw(s, countingState(), {vertex(0, 0, kCountColor), vertex(inf, 0, kCountColor), vertex(0, 10, kCountColor)});
    draw(s, countingState(), {vertex(0, 0, kCountColor), vertex(5, 5, kCountColor), vertex(10, 10, kCountColor)});
    draw(s, countingState(), {vertex(0, 0, kCountColor, 0.5f, 0, 0, 0.0f), vertex(10, 0, kCountColor),
                              vertex(0, 10, kCountColor)});
    soft::drawTriangles(s.target, countingState(), nullptr, 5);
    soft::RenderTarget noPixels = s.target;
    noPixels.color.pixels = nullptr;
    const auto quad = rectangle(0, 0, 16, 16, kCountColor);
    soft::drawTriangles(noPixels, countingState(), quad.data(), 2);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) EXPECT_EQ(countAt(s, x, y), 0);
    }
}

// Many overlapping blended, textured, depth-tested triangles give the same picture on one thread as on
// several, since each band draws the triangles in submission order; enough of them that the parallel
// binning splits them into chunks.
TEST(RasterFill, PictureDoesNotDependOnThreadCount) {
    std::vector<std::uint32_t> texels(16 * 16);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (auto& t : texels) t = next() | 0x80000000u;
    std::vector<ScreenVertex> v;
    for (int i = 0; i < 10000; ++i) {
        const float cx = static_cast<float>(next() % 300), cy = static_cast<float>(next() % 200);
        for (int k = 0; k < 3; ++k) {
            const float x = cx + static_cast<float>(next() % 12000) / 100.0f - 60.0f;
            const float y = cy + static_cast<float>(next() % 12000) / 100.0f - 60.0f;
            const Color4 c = rgba((next() % 256) / 255.0f, (next() % 256) / 255.0f, (next() % 256) / 255.0f, 0.6f);
            v.push_back(vertex(x, y, c, (next() % 1000) / 1000.0f, x / 50.0f, y / 50.0f,
                               0.5f + (next() % 100) / 100.0f));
        }
    }
    PixelState state;
    state.alphaBlendEnable = true;
    state.srcBlend = device::D3DBLEND_SRCALPHA;
    state.destBlend = device::D3DBLEND_INVSRCALPHA;
    state.zFunc = device::D3DCMP_LESS;
    state.stages[0] = {device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                       device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    state.samplers[0].texture = {texels.data(), 16, 16, 16};
    state.samplers[0].magFilter = device::D3DTEXF_LINEAR;
    state.samplers[0].minFilter = device::D3DTEXF_LINEAR;

    Surface single(300, 200);
    draw(single, state, v, {.threadCount = 1});
    Surface parallel(300, 200);
    draw(parallel, state, v, {.threadCount = 4});
    EXPECT_EQ(single.color, parallel.color);
    EXPECT_EQ(single.depth, parallel.depth);
}

}  // namespace
