// Primitive assembly, culling and flat shading of the software device.
#include "platform/soft/primitive_assembly.h"

#include "platform/soft/raster_threads.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace soft {

using namespace device;

namespace {

// Draws naming more vertices than this are processed per reference rather than through a cache, so that
// a huge or hostile draw cannot demand gigabytes.
constexpr std::uint64_t kMaxCachedVertices = 1u << 20;
// The finished primitives go to the raster sink in batches of at most this many vertices (a multiple of
// both 2 and 3); a whole draw of the engine fits in one.
constexpr std::size_t kBatchVertices = 3u << 16;
// Draws naming at least this many vertices process them on several threads, in chunks of kVertexChunk.
constexpr std::uint64_t kParallelVertices = 8192;
constexpr std::int64_t kVertexChunk = 2048;

std::uint64_t readIndex(const IndexSource& source, std::uint64_t position) {
    const std::uint8_t* at = source.indices + position * source.indexSize;
    if (source.indexSize == 4) {
        std::uint32_t value;
        std::memcpy(&value, at, 4);
        return value;
    }
    std::uint16_t value;
    std::memcpy(&value, at, 2);
    return value;
}

// How many primitives the available positions can complete.
std::uint64_t completePrimitives(D3DPRIMITIVETYPE type, std::uint64_t requested, std::uint64_t positions) {
    switch (type) {
        case D3DPT_TRIANGLELIST: return std::min(requested, positions / 3);
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return positions >= 3 ? std::min(requested, positions - 2) : 0;
        case D3DPT_LINELIST: return std::min(requested, positions / 2);
        case D3DPT_LINESTRIP: return positions >= 2 ? std::min(requested, positions - 1) : 0;
        default: return 0;
    }
}

// Signed area (doubled) of a screen-space polygon as a fan around its first vertex. Screen y grows
// downwards, so a positive area is a clockwise polygon as seen on the screen.
float signedArea(const ScreenVertex* polygon, int count) {
    float area = 0.0f;
    for (int i = 1; i + 1 < count; ++i) {
        const float ax = polygon[i].x - polygon[0].x, ay = polygon[i].y - polygon[0].y;
        const float bx = polygon[i + 1].x - polygon[0].x, by = polygon[i + 1].y - polygon[0].y;
        area += ax * by - bx * ay;
    }
    return area;
}

void copyColors(ClipVertex& to, const ClipVertex& from) {
    to.diffuse = from.diffuse;
    to.specular = from.specular;
}

}  // namespace

struct DrawPipeline::Context {
    const VertexInput& input;
    const VertexStage& stage;
    const DrawRequest& request;
    const DrawOutput& output;
    bool lines = false;
    std::uint64_t primitiveCount = 0;
    std::int64_t cacheFirst = 0;  // vertex index of cache_[0]
    std::int64_t cacheEnd = 0;
    bool dense = false;
};

std::uint64_t positionsFor(D3DPRIMITIVETYPE type, std::uint64_t primitiveCount) {
    switch (type) {
        case D3DPT_TRIANGLELIST: return primitiveCount * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return primitiveCount + 2;
        case D3DPT_LINELIST: return primitiveCount * 2;
        case D3DPT_LINESTRIP: return primitiveCount + 1;
        default: return primitiveCount;
    }
}

void DrawPipeline::draw(const VertexInput& input, const VertexStage& stage, const DrawRequest& request,
                        const DrawOutput& output) {
    if (request.primitiveCount == 0 || input.vertexLimit == 0) return;
    Context context{input, stage, request, output};
    const IndexSource& source = request.source;
    std::uint64_t positions = positionsFor(request.type, request.primitiveCount);
    if (source.indices) {
        positions = std::min(positions, source.indexCount);
    } else if (source.baseVertex >= 0 && static_cast<std::uint64_t>(source.baseVertex) < input.vertexLimit) {
        positions = std::min(positions, input.vertexLimit - static_cast<std::uint64_t>(source.baseVertex));
    } else {
        return;
    }
    context.primitiveCount = completePrimitives(request.type, request.primitiveCount, positions);
    if (context.primitiveCount == 0) return;
    prepareCache(context, positionsFor(request.type, context.primitiveCount));

    output_.clear();
    context.lines = request.type == D3DPT_LINELIST || request.type == D3DPT_LINESTRIP;
    if (context.lines) {
        assembleLines(context);
    } else {
        assembleTriangles(context);
    }
    flush(context);
}

void DrawPipeline::flushIfFull(Context& context) {
    if (output_.size() >= kBatchVertices) flush(context);
}

void DrawPipeline::flush(Context& context) {
    if (output_.empty()) return;
    const DrawOutput& out = context.output;
    if (context.lines) {
        out.sink->drawLines(*out.target, *out.pixelState, output_.data(), output_.size() / 2);
    } else {
        out.sink->drawTriangles(*out.target, *out.pixelState, output_.data(), output_.size() / 3);
    }
    output_.clear();
}

// Every vertex the draw names is processed at most once when the named vertices lie close together (the
// usual case); a sparse index buffer spanning far more vertices than it has indices is processed per
// reference instead of allocating for the whole span.
void DrawPipeline::prepareCache(Context& context, std::uint64_t positions) {
    const IndexSource& source = context.request.source;
    std::uint64_t lowest = 0, highest = positions - 1;
    if (source.indices) {
        lowest = std::numeric_limits<std::uint64_t>::max();
        highest = 0;
        for (std::uint64_t i = 0; i < positions; ++i) {
            const std::uint64_t index = readIndex(source, i);
            lowest = std::min(lowest, index);
            highest = std::max(highest, index);
        }
    }
    const std::int64_t limit = static_cast<std::int64_t>(
        std::min<std::uint64_t>(context.input.vertexLimit, std::numeric_limits<std::int64_t>::max() / 2));
    context.cacheFirst = std::clamp<std::int64_t>(source.baseVertex + static_cast<std::int64_t>(lowest), 0, limit);
    context.cacheEnd = std::clamp<std::int64_t>(source.baseVertex + static_cast<std::int64_t>(highest) + 1, 0, limit);
    const std::uint64_t span = static_cast<std::uint64_t>(context.cacheEnd - context.cacheFirst);
    // Lists drawn without indices name each vertex once, so caching them would gain nothing.
    const bool reused = source.indices || (context.request.type != D3DPT_TRIANGLELIST &&
                                           context.request.type != D3DPT_LINELIST);
    context.dense = reused && span <= 2 * positions + 1024 && span <= kMaxCachedVertices;
    if (!context.dense) return;
    cache_.resize(span);
    cached_.assign(span, 0);
    if (span >= kParallelVertices && threadCount_ > 1) processAll(context);
}

// A large draw's vertices are processed up front, in chunks spread over the raster stage's threads. A
// vertex's result depends on nothing but the vertex, so neither the split nor processing a vertex that
// no primitive names changes the picture.
void DrawPipeline::processAll(Context& context) {
    const auto span = static_cast<std::int64_t>(cache_.size());
    const auto chunks = static_cast<int>((span + kVertexChunk - 1) / kVertexChunk);
    runRasterTasks(threadCount_, chunks, [&](int chunk) {
        const std::int64_t first = static_cast<std::int64_t>(chunk) * kVertexChunk;
        const std::int64_t end = std::min(span, first + kVertexChunk);
        InputVertex in;
        for (std::int64_t slot = first; slot < end; ++slot) {
            fetchVertex(context.input, static_cast<std::uint64_t>(context.cacheFirst + slot), in);
            processVertex(context.stage, in, cache_[static_cast<std::size_t>(slot)]);
        }
    });
    std::fill(cached_.begin(), cached_.end(), std::uint8_t{1});
}

const ProcessedVertex* DrawPipeline::processed(Context& context, std::int64_t vertex) {
    if (vertex < context.cacheFirst || vertex >= context.cacheEnd) return nullptr;
    InputVertex in;
    if (context.dense) {
        const std::size_t slot = static_cast<std::size_t>(vertex - context.cacheFirst);
        if (!cached_[slot]) {
            fetchVertex(context.input, static_cast<std::uint64_t>(vertex), in);
            processVertex(context.stage, in, cache_[slot]);
            cached_[slot] = 1;
        }
        return &cache_[slot];
    }
    ProcessedVertex& out = scratch_[nextScratch_];
    nextScratch_ = (nextScratch_ + 1) % 3;
    fetchVertex(context.input, static_cast<std::uint64_t>(vertex), in);
    processVertex(context.stage, in, out);
    return &out;
}

const ProcessedVertex* DrawPipeline::vertexAt(Context& context, std::uint64_t position) {
    const IndexSource& source = context.request.source;
    const std::int64_t offset = source.indices ? static_cast<std::int64_t>(readIndex(source, position))
                                               : static_cast<std::int64_t>(position);
    return processed(context, source.baseVertex + offset);
}

// Triangle i of a strip keeps the winding of the first one by swapping its last two corners when i is odd;
// triangle i of a fan is (i + 1, i + 2, 0). The first corner passed on is the one whose colours flat
// shading uses: vertex 3i of a list, i of a strip, i + 1 of a fan.
void DrawPipeline::assembleTriangles(Context& context) {
    const D3DPRIMITIVETYPE type = context.request.type;
    for (std::uint64_t i = 0; i < context.primitiveCount; ++i) {
        std::uint64_t p0 = 3 * i, p1 = 3 * i + 1, p2 = 3 * i + 2;
        if (type == D3DPT_TRIANGLESTRIP) {
            p0 = i;
            p1 = i % 2 == 0 ? i + 1 : i + 2;
            p2 = i % 2 == 0 ? i + 2 : i + 1;
        } else if (type == D3DPT_TRIANGLEFAN) {
            p0 = i + 1;
            p1 = i + 2;
            p2 = 0;
        }
        const ProcessedVertex* a = vertexAt(context, p0);
        const ProcessedVertex* b = vertexAt(context, p1);
        const ProcessedVertex* c = vertexAt(context, p2);
        if (a && b && c) emitTriangle(context, *a, *b, *c);
        flushIfFull(context);
    }
}

// A triangle without area covers no pixel centre in any cull mode, so it is dropped here as well.
bool DrawPipeline::culled(const Context& context, const ScreenVertex* polygon, int count) const {
    const float area = signedArea(polygon, count);
    if (area == 0.0f) return true;
    switch (context.request.cull) {
        case D3DCULL_CCW: return area < 0.0f;
        case D3DCULL_CW: return area > 0.0f;
        default: return false;
    }
}

void DrawPipeline::emitTriangle(Context& context, const ProcessedVertex& a, const ProcessedVertex& b,
                                const ProcessedVertex& c) {
    if (a.outcode & b.outcode & c.outcode) return;
    const std::uint32_t mask = a.outcode | b.outcode | c.outcode;
    if (mask != 0) {
        const ClipVertex corners[3] = {a.clip, b.clip, c.clip};
        emitClippedTriangle(context, corners, mask);
        return;
    }
    ScreenVertex triangle[3] = {a.screen, b.screen, c.screen};
    if (culled(context, triangle, 3)) return;
    if (context.request.flat) {
        triangle[1].diffuse = triangle[2].diffuse = a.screen.diffuse;
        triangle[1].specular = triangle[2].specular = a.screen.specular;
    }
    output_.insert(output_.end(), triangle, triangle + 3);
}

// Flat shading is settled before clipping: the first corner's colours go to all three, so every piece the
// clipper makes carries them too.
void DrawPipeline::emitClippedTriangle(Context& context, const ClipVertex (&corners)[3], std::uint32_t mask) {
    ClipVertex input[3] = {corners[0], corners[1], corners[2]};
    if (context.request.flat) {
        copyColors(input[1], input[0]);
        copyColors(input[2], input[0]);
    }
    ClipVertex clipped[kMaxClippedVertices];
    const int count = clipPolygon(context.stage.planes, mask, input, 3, clipped);
    if (count < 3) return;
    ScreenVertex polygon[kMaxClippedVertices];
    for (int i = 0; i < count; ++i) polygon[i] = toScreen(context.stage.viewport, clipped[i]);
    if (culled(context, polygon, count)) return;
    for (int i = 1; i + 1 < count; ++i) {
        output_.push_back(polygon[0]);
        output_.push_back(polygon[i]);
        output_.push_back(polygon[i + 1]);
    }
}

void DrawPipeline::assembleLines(Context& context) {
    const bool strip = context.request.type == D3DPT_LINESTRIP;
    for (std::uint64_t i = 0; i < context.primitiveCount; ++i) {
        const ProcessedVertex* a = vertexAt(context, strip ? i : 2 * i);
        const ProcessedVertex* b = vertexAt(context, strip ? i + 1 : 2 * i + 1);
        if (a && b) emitLine(context, *a, *b);
        flushIfFull(context);
    }
}

void DrawPipeline::emitLine(Context& context, const ProcessedVertex& a, const ProcessedVertex& b) {
    if (a.outcode & b.outcode) return;
    ClipVertex from = a.clip, to = b.clip;
    if (context.request.flat) copyColors(to, from);
    const std::uint32_t mask = a.outcode | b.outcode;
    if (mask != 0 && !clipLine(context.stage.planes, mask, from, to)) return;
    if (mask == 0) {
        output_.push_back(a.screen);
        output_.push_back(b.screen);
        if (context.request.flat) {
            output_.back().diffuse = a.screen.diffuse;
            output_.back().specular = a.screen.specular;
        }
        return;
    }
    output_.push_back(toScreen(context.stage.viewport, from));
    output_.push_back(toScreen(context.stage.viewport, to));
}

}  // namespace soft
