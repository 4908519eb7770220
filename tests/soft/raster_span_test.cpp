// The textured span shortcut (textured_span.h) against the batch pipeline: overlays drawn with the
// shortcut on and off, with and without AVX2, must agree on every pixel; and the shortcut must be the
// one drawing them, so that the comparison means something.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/soft/pixel_math.h"
#include "platform/soft/pixel_pipeline.h"
#include "platform/soft/raster.h"
#include "platform/soft/raster_settings.h"
#include "platform/soft/textured_span.h"
#include "platform/soft/triangle_setup.h"
#include "raster_test_support.h"

namespace {

using namespace rastertest;
using soft::RenderTarget;

std::uint32_t nextRandom(std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed;
}

std::vector<std::uint32_t> noise(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint32_t> out(count);
    for (auto& v : out) v = nextRandom(seed);
    return out;
}

// An overlay-like draw: a rectangle with texture coordinates u0..u1, v0..v1 over a noisy background.
struct Overlay {
    int surfaceWidth = 96, surfaceHeight = 40;
    int texWidth = 16, texHeight = 16;
    float x0 = -0.5f, y0 = -0.5f, x1 = 95.5f, y1 = 39.5f;
    float u0 = 0.0f, v0 = 0.0f, u1 = 6.0f, v1 = 2.5f;
    Color4 color{1.0f, 0.9f, 0.8f, 0.7f};
    bool blend = true;
    device::D3DTEXTUREOP op = device::D3DTOP_MODULATE;
    device::DWORD arg1 = device::D3DTA_TEXTURE, arg2 = device::D3DTA_DIFFUSE;
    int viewX0 = 0, viewY0 = 0, viewX1 = -1, viewY1 = -1;  // -1: the surface's size
    std::uint32_t seed = 1;
};

struct Drawn {
    std::vector<std::uint32_t> pixels;
    bool spanKernel = false;  // some span of the draw qualified for the shortcut
};

PixelState overlayState(const Overlay& o, const std::vector<std::uint32_t>& texels) {
    PixelState s = plainState();
    s.alphaBlendEnable = o.blend;
    s.srcBlend = device::D3DBLEND_SRCALPHA;
    s.destBlend = device::D3DBLEND_INVSRCALPHA;
    s.stages[0] = {o.op, o.arg1, o.arg2, o.op, o.arg1, o.arg2};
    s.samplers[0].texture = {texels.data(), o.texWidth, o.texHeight, o.texWidth};
    s.samplers[0].magFilter = device::D3DTEXF_LINEAR;
    s.samplers[0].minFilter = device::D3DTEXF_LINEAR;
    return s;
}

// Whether drawTriangles hands some row of these triangles to the span kernel.
bool takesSpanKernel(const RenderTarget& target, const PixelState& state, const std::vector<ScreenVertex>& v,
                     const soft::RasterSettings& settings = {}) {
    RenderTarget clipped;
    if (!soft::clipRenderTarget(target, clipped)) return false;
    const soft::PixelContext context = soft::preparePixelContext(state, clipped, settings);
    const soft::SpanProgram program = soft::prepareSpanProgram(context, settings);
    for (std::size_t t = 0; t + 2 < v.size(); t += 3) {
        soft::TriangleSetup setup;
        if (!soft::setupTriangle(&v[t], context, setup) || !soft::spanProgramFits(program, setup)) continue;
        float u = 0, du = 0, vv = 0;
        if (soft::spanTexCoords(setup, setup.minY, setup.minX, u, du, vv)) return true;
    }
    return false;
}

Drawn drawOverlay(const Overlay& o, const std::vector<ScreenVertex>& v, bool spanKernels, bool avx2) {
    const auto texels = noise(static_cast<std::size_t>(o.texWidth) * o.texHeight, o.seed);
    Surface s(o.surfaceWidth, o.surfaceHeight);
    const auto background = noise(s.color.size(), o.seed + 1);
    std::copy(background.begin(), background.end(), s.color.begin());
    s.target.x0 = o.viewX0;
    s.target.y0 = o.viewY0;
    s.target.x1 = o.viewX1 < 0 ? o.surfaceWidth : o.viewX1;
    s.target.y1 = o.viewY1 < 0 ? o.surfaceHeight : o.viewY1;
    const PixelState state = overlayState(o, texels);
    soft::RasterSettings settings;
    settings.spanKernels = spanKernels ? soft::KernelUse::Auto : soft::KernelUse::Never;
    settings.avx2 = avx2 ? soft::KernelUse::Auto : soft::KernelUse::Never;
    Drawn out;
    out.spanKernel = takesSpanKernel(s.target, state, v, settings);
    draw(s, state, v, settings);
    out.pixels = s.color;
    return out;
}

std::vector<ScreenVertex> overlayQuad(const Overlay& o) {
    return rectangle(o.x0, o.y0, o.x1, o.y1, o.color, 1.0f, o.u0, o.v0, o.u1, o.v1);
}

std::string firstDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int width) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return "pixel (" + std::to_string(i % width) + ", " + std::to_string(i / width) + "): " +
                   std::to_string(a[i]) + " vs " + std::to_string(b[i]);
        }
    }
    return "";
}

// Draws the overlay the general way and through the shortcut (SSE2, and AVX2 where present); every
// pixel must match. Returns whether the shortcut took part.
bool expectSameAsGeneralPath(const Overlay& o, const std::vector<ScreenVertex>& v, const std::string& label) {
    const Drawn general = drawOverlay(o, v, false, false);
    const Drawn sse2 = drawOverlay(o, v, true, false);
    EXPECT_EQ(firstDifference(general.pixels, sse2.pixels, o.surfaceWidth), "") << label << " (SSE2)";
    if (soft::rasterUsesAvx2({})) {
        const Drawn avx2 = drawOverlay(o, v, true, true);
        EXPECT_EQ(firstDifference(general.pixels, avx2.pixels, o.surfaceWidth), "") << label << " (AVX2)";
    }
    EXPECT_FALSE(general.spanKernel) << label << ": the switch did not turn the shortcut off";
    return sse2.spanKernel;
}

struct NamedCase {
    const char* name;
    Overlay overlay;
};

std::vector<NamedCase> overlayCases() {
    std::vector<NamedCase> cases;
    Overlay o;
    cases.push_back({"stretched, every sample filtered", o});
    o.u0 = 0.0f, o.v0 = 0.0f, o.u1 = 96.0f / 16.0f, o.v1 = 40.0f / 16.0f;
    cases.push_back({"one texel per pixel", o});
    o.u0 = 0.37f, o.v0 = -2.61f, o.u1 = o.u0 + 6.0f, o.v1 = o.v0 + 2.5f;
    cases.push_back({"one texel per pixel, scrolled by fractions of a texel", o});
    o.u0 = 3.0f / 16.0f, o.v0 = -5.0f / 16.0f, o.u1 = o.u0 + 6.0f, o.v1 = o.v0 + 2.5f;
    cases.push_back({"one texel per pixel, scrolled by whole texels", o});
    o.u0 = -37.0f / 32.0f, o.v0 = 3.0f / 32.0f, o.u1 = o.u0 + 6.0f, o.v1 = o.v0 + 2.5f;
    cases.push_back({"one texel per pixel, scrolled by half texels", o});
    o.u0 = 9.0f / 128.0f, o.v0 = 0.0f, o.u1 = o.u0 + 6.0f, o.v1 = o.v0 + 2.5f;
    cases.push_back({"one texel per pixel, scrolled by an eighth of a texel", o});
    o.u0 = 0.9f, o.v0 = -0.3f, o.u1 = 1.2f, o.v1 = 0.2f;
    cases.push_back({"magnified across the texture's edges", o});
    o.u0 = -3.1f, o.v0 = 0.45f, o.u1 = 17.3f, o.v1 = 3.7f;
    cases.push_back({"minified, over three texels per pixel", o});
    o.u0 = 2.0f, o.u1 = -1.3f;
    cases.push_back({"mirrored, u falling along the row", o});
    o.u0 = 1000.37f, o.v0 = 2000.11f, o.u1 = 1002.9f, o.v1 = 2001.0f;
    cases.push_back({"far from the origin of the texture", o});
    o = Overlay{};
    o.blend = false;
    cases.push_back({"without blending", o});
    o.op = device::D3DTOP_SELECTARG1;
    cases.push_back({"the texture alone", o});
    o = Overlay{};
    o.arg1 = device::D3DTA_DIFFUSE, o.arg2 = device::D3DTA_TEXTURE;
    o.color = {0.2f, 1.0f, 0.5f, 0.35f};
    cases.push_back({"modulate with the arguments swapped, partial alpha", o});
    o = Overlay{};
    o.x0 = -20.5f, o.y0 = -7.5f, o.x1 = 130.5f, o.y1 = 60.5f;
    o.viewX0 = 7, o.viewY0 = 3, o.viewX1 = 88, o.viewY1 = 37;
    cases.push_back({"clipped by the viewport", o});
    o = Overlay{};
    o.texWidth = 1, o.texHeight = 1;
    cases.push_back({"a 1 x 1 texture", o});
    o.texWidth = 2, o.texHeight = 8;
    cases.push_back({"a 2 x 8 texture", o});
    o.texWidth = 64, o.texHeight = 4, o.u0 = 0.0f, o.u1 = 96.0f / 64.0f, o.v0 = 0.125f, o.v1 = o.v0 + 10.0f;
    cases.push_back({"a 64 x 4 texture, one texel per pixel across", o});
    return cases;
}

TEST(RasterSpan, OverlaysMatchTheBatchPipeline) {
    for (const NamedCase& c : overlayCases()) {
        EXPECT_TRUE(expectSameAsGeneralPath(c.overlay, overlayQuad(c.overlay), c.name)) << c.name;
    }
}

// Every span length from 1 to 40 and every start column: the kernels' groups of eight and four and
// their remainders.
TEST(RasterSpan, OddWidthsAndOffsets) {
    for (int width = 1; width <= 40; ++width) {
        Overlay o;
        o.surfaceWidth = 53, o.surfaceHeight = 3;
        const float left = static_cast<float>((width * 7) % 13);
        o.x0 = left - 0.5f, o.x1 = left + static_cast<float>(width) - 0.5f, o.y0 = -0.5f, o.y1 = 2.5f;
        o.u0 = 0.3f, o.u1 = 0.3f + static_cast<float>(width) * 0.71f / 16.0f;
        EXPECT_TRUE(expectSameAsGeneralPath(o, overlayQuad(o), "width " + std::to_string(width)));
    }
}

// Random rectangles, texture sizes, coordinates and colours.
TEST(RasterSpan, RandomOverlays) {
    std::uint32_t seed = 99;
    auto uniform = [&seed](float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(nextRandom(seed) >> 8) / 16777216.0f;
    };
    for (int i = 0; i < 150; ++i) {
        Overlay o;
        o.seed = nextRandom(seed);
        o.texWidth = 1 << (nextRandom(seed) % 7);
        o.texHeight = 1 << (nextRandom(seed) % 7);
        o.x0 = std::floor(uniform(-30.0f, 90.0f)) - 0.5f;
        o.y0 = std::floor(uniform(-10.0f, 35.0f)) - 0.5f;
        o.x1 = o.x0 + std::floor(uniform(1.0f, 120.0f));
        o.y1 = o.y0 + std::floor(uniform(1.0f, 30.0f));
        if (i % 3 == 0) {  // an off-grid rectangle, as a fitted or moving overlay may be
            o.x0 += uniform(0.0f, 1.0f);
            o.x1 += uniform(0.0f, 1.0f);
        }
        o.u0 = uniform(-4.0f, 4.0f);
        o.v0 = uniform(-4.0f, 4.0f);
        const float texelsPerPixel = i % 4 == 0 ? 1.0f : uniform(-2.5f, 2.5f);
        o.u1 = o.u0 + (o.x1 - o.x0) * texelsPerPixel / static_cast<float>(o.texWidth);
        o.v1 = o.v0 + (o.y1 - o.y0) * uniform(0.1f, 2.0f) / static_cast<float>(o.texHeight);
        o.color = {uniform(0.0f, 1.0f), uniform(0.0f, 1.0f), uniform(0.0f, 1.0f), uniform(0.0f, 1.0f)};
        o.blend = i % 5 != 0;
        o.op = i % 7 == 0 ? device::D3DTOP_SELECTARG1 : device::D3DTOP_MODULATE;
        expectSameAsGeneralPath(o, overlayQuad(o), "random overlay " + std::to_string(i));
    }
}

// Wherever unitRunAt claims a run, pixel i's fixed-point u computed with the general path's float
// operations must be firstFixed + 256 (i - first); and runs must cover most of a plain overlay's span,
// scrolled or not.
TEST(RasterSpan, UnitRunsAgreeWithTheFloatSteps) {
    std::uint32_t seed = 5;
    std::int64_t claimed = 0, pixels = 0;
    for (int n = 0; n < 400; ++n) {
        soft::SamplerConfig sampler;
        sampler.width = 1 << (nextRandom(seed) % 12);
        const float scale = static_cast<float>(sampler.width) * 256.0f;
        soft::TexturedSpan span;
        span.count = 1 + static_cast<int>(nextRandom(seed) % 2000);
        span.du = 1.0f / static_cast<float>(sampler.width);
        // Starts whose fixed-point u spans 2^-4 to 2^31, around where the float steps stop being exact
        // or leave the sampler's range, on coarse grids (as overlay coordinates are) and fine ones.
        const float magnitude = std::ldexp(1.0f, static_cast<int>(nextRandom(seed) % 36) - 4) / scale;
        const float fraction = static_cast<float>(nextRandom(seed) % 4096) / 2048.0f - 1.0f;
        const float grid = std::ldexp(1.0f, -static_cast<int>(nextRandom(seed) % 24));
        span.u = n % 4 == 0 ? fraction * magnitude : std::round(fraction * magnitude / grid) * grid;
        pixels += span.count;
        for (int first = 0; first < span.count; ++first) {
            const soft::UnitRun run = soft::unitRunAt(sampler, span, first);
            ASSERT_EQ(run.first, first);
            ASSERT_LE(run.end, span.count);
            if (first == 0 || first % 97 == 0) claimed += run.end - run.first;
            for (int i = run.first; i < run.end; ++i) {
                const float u = span.u + span.du * static_cast<float>(i);
                const int fixed = _mm_cvtsi128_si32(soft::pixel::texelFixed4(_mm_set1_ps(u), scale, -127.5f));
                ASSERT_EQ(fixed, run.firstFixed + 256 * (i - first))
                    << "u " << span.u << " width " << sampler.width << " run from " << first << " at " << i;
            }
        }
    }
    EXPECT_GT(claimed, pixels / 10);

    soft::SamplerConfig sampler;
    sampler.width = 256;
    soft::TexturedSpan overlay;
    overlay.u = 0.5f / 256.0f, overlay.du = 1.0f / 256.0f, overlay.count = 800;
    EXPECT_EQ(soft::unitRunAt(sampler, overlay, 0).end, 800);
    overlay.u = 0.3f / 256.0f;
    EXPECT_EQ(soft::unitRunAt(sampler, overlay, 520).end, 800);
    overlay.du = 1.01f / 256.0f;
    EXPECT_EQ(soft::unitRunAt(sampler, overlay, 0).end, 0);
}

// Draws the shortcut must leave to the batch pipeline still come out the same: a turned quad (v changes
// along each row), perspective, and a depth-tested overlay.
TEST(RasterSpan, IneligibleDrawsAreLeftToThePipeline) {
    Overlay o;
    const auto turned = fanQuad(vertex(10.0f, -3.0f, o.color, 1.0f, 0.0f, 0.0f),
                                vertex(90.0f, 8.0f, o.color, 1.0f, 3.0f, 0.2f),
                                vertex(80.0f, 45.0f, o.color, 1.0f, 2.8f, 1.7f),
                                vertex(2.0f, 30.0f, o.color, 1.0f, -0.1f, 1.5f));
    EXPECT_FALSE(expectSameAsGeneralPath(o, turned, "turned quad"));
    auto perspective = overlayQuad(o);
    for (auto& v : perspective) v.rhw = v.x > 0.0f ? 0.5f : 1.0f;
    EXPECT_FALSE(expectSameAsGeneralPath(o, perspective, "perspective"));

    const auto texels = noise(16 * 16, 3);
    PixelState state = overlayState(o, texels);
    Surface s(96, 40);
    EXPECT_TRUE(takesSpanKernel(s.target, state, overlayQuad(o)));
    state.zEnable = device::D3DZB_TRUE;
    EXPECT_FALSE(takesSpanKernel(s.target, state, overlayQuad(o)));
    state = overlayState(o, texels);
    state.samplers[0].addressU = device::D3DTADDRESS_CLAMP;
    EXPECT_FALSE(takesSpanKernel(s.target, state, overlayQuad(o)));
}

}  // namespace
