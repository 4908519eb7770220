// drawTriangles: splits the target into row bands, draws each band's triangles in order (bands in
// parallel for large draws) and feeds their spans to the pixel pipeline in batches.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/soft/pixel_pipeline.h"
#include "platform/soft/raster.h"
#include "platform/soft/raster_threads.h"
#include "platform/soft/textured_span.h"
#include "platform/soft/triangle_setup.h"

namespace soft {
namespace {

// Bands are horizontal strips of the target. Each band visits its triangles in submission order, so a
// pixel sees the same sequence of writes whichever thread draws its band, and the picture does not
// depend on the thread count. A few bands per thread balance the load; more would set up the triangles
// that cross band borders more often and read the vertices more often.
constexpr int kBandsPerThread = 4;
constexpr int kMinBandHeight = 16;

// Draws with less estimated coverage than this stay on the calling thread: waking workers would cost
// more than it saves.
constexpr std::int64_t kParallelArea = 12000;

// Large draws bin their triangles to bands in chunks of at least this many, on all threads.
constexpr std::size_t kTrianglesPerChunk = 4096;

// Vertices beyond this are rejected by setup (triangle_setup.cpp keeps coordinates within 2^20).
constexpr float kCoordinateLimit = 1048576.0f;

struct DrawContext {
    const RenderTarget* target;
    const PixelContext* pixels;
    const SpanProgram* spans;
    const ScreenVertex* vertices;
};

// Spans of triangles that fit the span program, on rows where v is constant, skip the batches.
void drawSpan(const DrawContext& d, const TriangleSetup& setup, bool spanKernel, int py, int xl, int xr,
              FragmentBatch& batch) {
    const RenderTarget& t = *d.target;
    const int length = xr - xl + 1;
    TexturedSpan span;
    if (spanKernel && spanTexCoords(setup, py, xl, span.u, span.du, span.v)) {
        span.pixels = t.color.pixels + static_cast<std::ptrdiff_t>(py) * t.color.pitchInPixels + xl;
        span.count = length;
        span.diffuse = setup.diffuse;
        drawTexturedSpan(*d.spans, span);
        return;
    }
    for (int first = 0; first < length; first += kBatchSize) {
        const int count = std::min(kBatchSize, length - first);
        interpolateSpan(setup, *d.pixels, py, xl, first, count, batch);
        batch.contiguous = true;
        batch.colorIndex[0] = py * t.color.pitchInPixels + xl + first;
        batch.depthIndex[0] = t.depth != nullptr ? py * t.depth->pitchInValues + xl + first : 0;
        shadeBatch(*d.pixels, t, batch);
    }
}

void drawTriangle(const DrawContext& d, std::size_t index, int bandTop, int bandBottom, TriangleSetup& setup,
                  FragmentBatch& batch) {
    if (!setupTriangle(d.vertices + 3 * index, *d.pixels, setup)) return;
    const RenderTarget& t = *d.target;
    const bool spanKernel = spanProgramFits(*d.spans, setup);
    const int top = std::max(bandTop, setup.minY);
    const int bottom = std::min(bandBottom, setup.maxY);
    for (int py = top; py <= bottom; ++py) {
        int xl = 0, xr = 0;
        if (!spanForRow(setup, py, xl, xr)) continue;
        xl = std::max(xl, t.x0);
        xr = std::min(xr, t.x1 - 1);
        if (xl <= xr) drawSpan(d, setup, spanKernel, py, xl, xr, batch);
    }
}

// Rows bandTop..bandBottom (inclusive) of all triangles, in order.
void drawBand(const DrawContext& d, std::size_t triangleCount, int bandTop, int bandBottom) {
    TriangleSetup setup;
    FragmentBatch batch;
    for (std::size_t i = 0; i < triangleCount; ++i) drawTriangle(d, i, bandTop, bandBottom, setup, batch);
}

// The triangle's rows inside the target, or false when it covers none of them.
bool clippedRows(const ScreenVertex* v, const RenderTarget& t, int& top, int& bottom, std::int64_t& area) {
    int minX = 0, maxX = 0;
    if (!triangleBounds(v, minX, maxX, top, bottom)) return false;
    top = std::max(top, t.y0);
    bottom = std::min(bottom, t.y1 - 1);
    minX = std::max(minX, t.x0);
    maxX = std::min(maxX, t.x1 - 1);
    if (top > bottom || minX > maxX) return false;
    area = static_cast<std::int64_t>(maxX - minX + 1) * (bottom - top + 1);
    return true;
}

std::int64_t estimateArea(const ScreenVertex* vertices, std::size_t triangleCount, const RenderTarget& t) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < triangleCount && total < kParallelArea; ++i) {
        int top = 0, bottom = 0;
        std::int64_t area = 0;
        if (clippedRows(vertices + 3 * i, t, top, bottom, area)) total += area / 2;
    }
    return total;
}

// Rows the triangle may cover inside the target, cheaply: snapping moves a vertex by at most 1/512
// pixel, so floor and ceiling of its unsnapped extent bound the pixel centres it covers. Non-finite or
// far-off coordinates, which setup rejects, give false.
bool rowRange(const ScreenVertex* v, const RenderTarget& t, int& top, int& bottom) {
    const float lo = std::min({v[0].y, v[1].y, v[2].y});
    const float hi = std::max({v[0].y, v[1].y, v[2].y});
    const float left = std::min({v[0].x, v[1].x, v[2].x});
    const float right = std::max({v[0].x, v[1].x, v[2].x});
    const bool inRange =
        lo >= -kCoordinateLimit && hi <= kCoordinateLimit && left >= -kCoordinateLimit && right <= kCoordinateLimit;
    if (!inRange) return false;  // NaN fails too
    top = std::max(t.y0, static_cast<int>(std::floor(lo)));
    bottom = std::min(t.y1 - 1, static_cast<int>(std::ceil(hi)));
    return top <= bottom && std::floor(left) <= static_cast<float>(t.x1 - 1) &&
           std::ceil(right) >= static_cast<float>(t.x0);
}

// Triangles are binned to bands in chunks on all threads: chunk c's list for band b holds its triangles
// that may reach the band, in order, and each band then draws the chunks' lists in chunk order, which
// is submission order.
void drawParallel(const DrawContext& d, std::size_t triangleCount, int threadCount) {
    const RenderTarget& t = *d.target;
    const int rows = t.y1 - t.y0;
    const int bandHeight = std::max(kMinBandHeight, (rows + threadCount * kBandsPerThread - 1) /
                                                        (threadCount * kBandsPerThread));
    const auto bandCount = static_cast<std::size_t>((rows + bandHeight - 1) / bandHeight);
    const std::size_t chunkCount =
        std::clamp<std::size_t>(triangleCount / kTrianglesPerChunk, 1, static_cast<std::size_t>(threadCount) * 2);
    const std::size_t chunkSize = (triangleCount + chunkCount - 1) / chunkCount;
    std::vector<std::vector<std::uint32_t>> lists(chunkCount * bandCount);
    runRasterTasks(threadCount, static_cast<int>(chunkCount), [&](int c) {
        const std::size_t end = std::min(triangleCount, (static_cast<std::size_t>(c) + 1) * chunkSize);
        for (std::size_t i = static_cast<std::size_t>(c) * chunkSize; i < end; ++i) {
            int top = 0, bottom = 0;
            if (!rowRange(d.vertices + 3 * i, t, top, bottom)) continue;
            for (int b = (top - t.y0) / bandHeight; b <= (bottom - t.y0) / bandHeight; ++b) {
                lists[static_cast<std::size_t>(c) * bandCount + static_cast<std::size_t>(b)].push_back(
                    static_cast<std::uint32_t>(i));
            }
        }
    });
    runRasterTasks(threadCount, static_cast<int>(bandCount), [&](int b) {
        const int top = t.y0 + b * bandHeight;
        const int bottom = std::min(top + bandHeight, t.y1) - 1;
        TriangleSetup setup;
        FragmentBatch batch;
        for (std::size_t c = 0; c < chunkCount; ++c) {
            for (std::uint32_t i : lists[c * bandCount + static_cast<std::size_t>(b)]) {
                drawTriangle(d, i, top, bottom, setup, batch);
            }
        }
    });
}

}  // namespace

void drawTriangles(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                   std::size_t triangleCount, const RasterSettings& settings) {
    RenderTarget clipped;
    if (vertices == nullptr || triangleCount == 0 || triangleCount > UINT32_MAX || !clipRenderTarget(target, clipped)) {
        return;
    }
    const PixelContext pixels = preparePixelContext(state, clipped, settings);
    const SpanProgram spans = prepareSpanProgram(pixels, settings);
    const DrawContext d{&clipped, &pixels, &spans, vertices};
    const int threads = rasterThreadCount(settings);
    if (threads > 1 && estimateArea(vertices, triangleCount, clipped) >= kParallelArea) {
        drawParallel(d, triangleCount, threads);
    } else {
        drawBand(d, triangleCount, clipped.y0, clipped.y1 - 1);
    }
}

}  // namespace soft
