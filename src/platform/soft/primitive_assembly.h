// Primitive assembly of a draw: walks the vertex positions of a list, strip or fan, processes each vertex
// once, rejects, clips, culls and resolves flat shading, and hands the draw's primitives to the raster sink
// in one call (very large draws in a few).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/soft/soft_sinks.h"
#include "platform/soft/vertex_transform.h"

namespace soft {

// Where the vertex indices of a draw come from: consecutive vertices from baseVertex on, or an index buffer
// whose entries are added to baseVertex.
struct IndexSource {
    const std::uint8_t* indices = nullptr;  // null: consecutive vertices
    std::uint64_t indexCount = 0;           // readable indices from the first one
    std::uint32_t indexSize = 2;
    std::int64_t baseVertex = 0;
};

struct DrawRequest {
    device::D3DPRIMITIVETYPE type = device::D3DPT_TRIANGLELIST;
    std::uint64_t primitiveCount = 0;
    IndexSource source;
    device::D3DCULL cull = device::D3DCULL_CCW;
    bool flat = false;
};

struct DrawOutput {
    const RenderTarget* target = nullptr;
    const PixelState* pixelState = nullptr;
    RasterSink* sink = nullptr;
};

// Keeps its scratch storage from one draw to the next, so steady-state drawing does not allocate.
class DrawPipeline {
public:
    // threadCount: how many threads may process a large draw's vertices (rasterThreadCount).
    explicit DrawPipeline(int threadCount) : threadCount_(threadCount) {}

    // Primitives that name a vertex outside the readable range, or an index beyond the index buffer, are
    // skipped. Point lists draw nothing.
    void draw(const VertexInput& input, const VertexStage& stage, const DrawRequest& request,
              const DrawOutput& output);

private:
    struct Context;

    const ProcessedVertex* vertexAt(Context& context, std::uint64_t position);
    const ProcessedVertex* processed(Context& context, std::int64_t vertex);
    void prepareCache(Context& context, std::uint64_t positions);
    void processAll(Context& context);
    void assembleTriangles(Context& context);
    void assembleLines(Context& context);
    void emitTriangle(Context& context, const ProcessedVertex& a, const ProcessedVertex& b,
                      const ProcessedVertex& c);
    void emitClippedTriangle(Context& context, const ClipVertex (&corners)[3], std::uint32_t mask);
    bool culled(const Context& context, const ScreenVertex* polygon, int count) const;
    void emitLine(Context& context, const ProcessedVertex& a, const ProcessedVertex& b);
    void flushIfFull(Context& context);
    void flush(Context& context);

    int threadCount_;
    std::vector<ProcessedVertex> cache_;
    std::vector<std::uint8_t> cached_;
    ProcessedVertex scratch_[3];
    int nextScratch_ = 0;
    std::vector<ScreenVertex> output_;
};

// Vertex positions a primitive count needs (for a strip or fan: the count plus 2).
std::uint64_t positionsFor(device::D3DPRIMITIVETYPE type, std::uint64_t primitiveCount);

}  // namespace soft
