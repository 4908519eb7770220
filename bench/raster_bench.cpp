// Raster stage benchmarks, calling drawTriangles directly with screen-space vertices (the device-level
// benchmarks are in soft_device_bench.cpp): a full-frame blended bilinear-textured quad and 50,000 small
// depth-tested Gouraud triangles. Read the *_median rows: Time is the median wall time of one draw over
// 9 repetitions, and x_memcpy that time as a multiple of a memcpy of the 800 x 500 frame timed in the
// same process (frame_reference.h).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "frame_reference.h"
#include "platform/soft/raster.h"
#include "platform/soft/raster_settings.h"

namespace {

using bench::kFramePixels;
using bench::timeAgainstMemcpy;

constexpr int kWidth = bench::kFrameWidth;
constexpr int kHeight = bench::kFrameHeight;
constexpr int kRepetitions = 9;

struct Frame {
    std::vector<std::uint32_t> color = std::vector<std::uint32_t>(kFramePixels, 0xFF203040u);
    std::vector<std::uint32_t> depth = std::vector<std::uint32_t>(kFramePixels, 0xFFFFFFu);
    soft::DepthSurface depthSurface{depth.data(), kWidth, kHeight, kWidth};
    soft::RenderTarget target() {
        soft::RenderTarget t;
        t.color = {color.data(), kWidth, kHeight, kWidth};
        t.depth = &depthSurface;
        t.x1 = kWidth;
        t.y1 = kHeight;
        return t;
    }
};

soft::ScreenVertex vertex(float x, float y, float z, float rhw, soft::Color4 c, float u = 0, float v = 0) {
    soft::ScreenVertex out{};
    out.x = x;
    out.y = y;
    out.z = z;
    out.rhw = rhw;
    out.diffuse = c;
    out.u = u;
    out.v = v;
    return out;
}

// The overlay case: a 256 x 256 texture over the frame (bilinear, wrapping past 1), modulated by a
// translucent vertex colour and alpha-blended over the frame. Arguments: raster threads; 0 to stretch
// the texture so that every sample is filtered, 1 to map one texel per pixel as the presentation's
// overlays do (samples on texel centres); 1 to let the textured span kernel draw, 0 to force the batch
// pipeline (the general path, for comparison).
void BM_OverlayQuad(benchmark::State& state) {
    soft::RasterSettings settings;
    settings.threadCount = static_cast<int>(state.range(0));
    settings.spanKernels = state.range(2) != 0 ? soft::KernelUse::Auto : soft::KernelUse::Never;
    const bool oneToOne = state.range(1) != 0;
    std::vector<std::uint32_t> texels(256 * 256);
    std::uint32_t seed = 1;
    for (auto& t : texels) {
        seed = seed * 1664525u + 1013904223u;
        t = seed;
    }
    soft::PixelState ps;
    ps.zEnable = device::D3DZB_FALSE;
    ps.alphaBlendEnable = true;
    ps.srcBlend = device::D3DBLEND_SRCALPHA;
    ps.destBlend = device::D3DBLEND_INVSRCALPHA;
    ps.stages[0] = {device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE,
                    device::D3DTOP_MODULATE, device::D3DTA_TEXTURE, device::D3DTA_DIFFUSE};
    ps.samplers[0].texture = {texels.data(), 256, 256, 256};
    ps.samplers[0].magFilter = device::D3DTEXF_LINEAR;
    ps.samplers[0].minFilter = device::D3DTEXF_LINEAR;
    const soft::Color4 c{1.0f, 0.9f, 0.8f, 0.7f};
    const float x0 = -0.5f, y0 = -0.5f, x1 = kWidth - 0.5f, y1 = kHeight - 0.5f;
    const float u0 = oneToOne ? 0.0f : 0.1f, v0 = oneToOne ? 0.0f : 0.2f;
    const float u1 = oneToOne ? kWidth / 256.0f : 1.4f, v1 = oneToOne ? kHeight / 256.0f : 1.3f;
    const soft::ScreenVertex v[6] = {vertex(x0, y0, 1, 1, c, u0, v0), vertex(x1, y0, 1, 1, c, u1, v0),
                                     vertex(x1, y1, 1, 1, c, u1, v1), vertex(x0, y0, 1, 1, c, u0, v0),
                                     vertex(x1, y1, 1, 1, c, u1, v1), vertex(x0, y1, 1, 1, c, u0, v1)};
    Frame frame;
    const soft::RenderTarget target = frame.target();
    timeAgainstMemcpy(state, [&] { soft::drawTriangles(target, ps, v, 2, settings); });
}

// 50,000 small Gouraud triangles (about 20 pixels each) with varying depth and rhw, depth-tested with
// writes, spread over the frame, after a clear of the depth buffer. Argument: raster threads.
void BM_SmallTriangles(benchmark::State& state) {
    const soft::RasterSettings settings{.threadCount = static_cast<int>(state.range(0))};
    constexpr int kTriangles = 50000;
    std::vector<soft::ScreenVertex> v;
    v.reserve(kTriangles * 3);
    std::uint32_t seed = 7;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f;
    };
    for (int i = 0; i < kTriangles; ++i) {
        const float cx = next() * kWidth, cy = next() * kHeight;
        for (int k = 0; k < 3; ++k) {
            const soft::Color4 c{next(), next(), next(), 1.0f};
            v.push_back(vertex(cx + next() * 9.0f - 4.5f, cy + next() * 9.0f - 4.5f, next(), 0.2f + next(), c));
        }
    }
    soft::PixelState ps;
    ps.zFunc = device::D3DCMP_LESSEQUAL;
    Frame frame;
    const soft::RenderTarget target = frame.target();
    timeAgainstMemcpy(state, [&] {
        std::fill(frame.depth.begin(), frame.depth.end(), 0xFFFFFFu);
        soft::drawTriangles(target, ps, v.data(), kTriangles, settings);
    });
}

BENCHMARK(bench::BM_MemcpyFrame)
    ->Name("BM_MemcpyFrame")
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OverlayQuad)
    ->ArgsProduct({{1, 2}, {0, 1}, {1, 0}})
    ->ArgNames({"threads", "texel_exact", "span_kernel"})
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SmallTriangles)
    ->ArgNames({"threads"})
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) { return bench::runBenchmarks(argc, argv); }
