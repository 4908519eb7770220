// The software device's frame calls: scenes, clears and draws.
#include <algorithm>
#include <cmath>

#include "platform/soft/pixel_state_builder.h"
#include "platform/soft/soft_device.h"
#include "platform/soft/vertex_input.h"

namespace soft {

using namespace device;

namespace {

D3DRECT intersect(const D3DRECT& a, const D3DRECT& b) {
    return {std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
}

D3DRECT viewportRect(const D3DVIEWPORT9& v) {
    const auto clampLong = [](std::uint64_t value) {
        return static_cast<LONG>(std::min<std::uint64_t>(value, 0x7FFFFFFF));
    };
    return {clampLong(v.X), clampLong(v.Y), clampLong(std::uint64_t{v.X} + v.Width),
            clampLong(std::uint64_t{v.Y} + v.Height)};
}

template <typename Fill>
void fillArea(std::uint32_t* words, int width, int height, const D3DRECT& area, Fill value) {
    const D3DRECT inside = intersect(area, {0, 0, width, height});
    for (LONG y = inside.y1; y < inside.y2; ++y) {
        std::uint32_t* row = words + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::fill(row + inside.x1, row + inside.x2, value);
    }
}

}  // namespace

HRESULT SoftDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return S_OK;
}

HRESULT SoftDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return S_OK;
}

void SoftDevice::clearColor(const D3DRECT& area, D3DCOLOR color) {
    SoftSurface* target = state_.renderTarget.get();
    if (target) fillArea(target->words(), target->width(), target->height(), area, color);
}

// Depth is stored as a 24-bit unsigned fraction: 0 at the near plane, 0xFFFFFF at the far plane.
void SoftDevice::clearDepth(const D3DRECT& area, float z) {
    SoftSurface* depth = state_.depthStencil.get();
    const auto value = static_cast<std::uint32_t>(std::lround(static_cast<double>(z) * 16777215.0));
    if (depth) fillArea(depth->words(), depth->width(), depth->height(), area, value);
}

// Clears the viewport, or the parts of the given rectangles inside it. Clearing depth needs a depth
// buffer and clearing stencil one with stencil bits (D24X8 has none), as in Direct3D.
HRESULT SoftDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !state_.depthStencil) return D3DERR_INVALIDCALL;
    if (flags & D3DCLEAR_STENCIL) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;
    if (cooperation_ != Cooperation::Ready) return S_OK;
    const D3DRECT viewport = viewportRect(state_.viewport);
    const DWORD areas = count > 0 ? count : 1;
    for (DWORD i = 0; i < areas; ++i) {
        const D3DRECT area = count > 0 ? intersect(rects[i], viewport) : viewport;
        if (area.x1 >= area.x2 || area.y1 >= area.y2) continue;
        if (flags & D3DCLEAR_TARGET) clearColor(area, color);
        if (flags & D3DCLEAR_ZBUFFER) clearDepth(area, z);
    }
    return S_OK;
}

HRESULT SoftDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
    DrawRequest request;
    request.type = primitiveType;
    request.primitiveCount = primitiveCount;
    request.source.baseVertex = startVertex;
    return draw(request, nullptr);
}

// MinVertexIndex and NumVertices are only hints; every index read is checked against the vertex data.
HRESULT SoftDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT, UINT,
                                         UINT startIndex, UINT primitiveCount) {
    const SoftIndexBuffer* indices = state_.indices.get();
    if (!indices) return D3DERR_INVALIDCALL;
    DrawRequest request;
    request.type = primitiveType;
    request.primitiveCount = primitiveCount;
    request.source.indexSize = indices->indexSize();
    request.source.baseVertex = baseVertexIndex;
    const std::uint64_t bytes = indices->bytes().size();
    const std::uint64_t first = std::uint64_t{startIndex} * request.source.indexSize;
    if (first < bytes) {
        request.source.indices = indices->bytes().data() + first;
        request.source.indexCount = (bytes - first) / request.source.indexSize;
    } else {
        request.source.indices = indices->bytes().data();  // nothing readable: indexCount stays 0
    }
    return draw(request, nullptr);
}

// Stream 0 comes from the caller's memory for this draw only; afterwards stream 0 is unbound, as in Direct3D.
HRESULT SoftDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                    const void* vertexStreamZeroData, UINT vertexStreamZeroStride) {
    if (!vertexStreamZeroData || vertexStreamZeroStride == 0 || primitiveCount > kMaxPrimitiveCount) {
        return D3DERR_INVALIDCALL;
    }
    DrawRequest request;
    request.type = primitiveType;
    request.primitiveCount = primitiveCount;
    const UserStream stream{vertexStreamZeroData,
                            positionsFor(primitiveType, primitiveCount) * vertexStreamZeroStride,
                            vertexStreamZeroStride};
    const HRESULT hr = draw(request, &stream);
    state_.streams[0] = {};
    return hr;
}

HRESULT SoftDevice::draw(DrawRequest request, const UserStream* userStream) {
    if (!inScene_ || request.primitiveCount > kMaxPrimitiveCount || !state_.declaration) return D3DERR_INVALIDCALL;
    if (cooperation_ != Cooperation::Ready) return S_OK;
    RenderTarget target;
    DepthSurface depth;
    if (!buildRenderTarget(state_, target, depth)) return S_OK;
    const unsigned texCoordSet = state_.stageState(0, D3DTSS_TEXCOORDINDEX) & 0xFFFF;
    const VertexInput input = resolveVertexInput(state_.declaration->elements(), state_, userStream, texCoordSet);
    VertexStage stage;
    if (!prepareVertexStage(state_, input, stage)) return S_OK;
    const PixelState pixelState = buildPixelState(state_);
    request.cull = static_cast<D3DCULL>(state_.renderState(D3DRS_CULLMODE));
    request.flat = state_.renderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT;
    RasterSink* sink = settings_.rasterSink ? settings_.rasterSink : &rasterStage_;
    pipeline_.draw(input, stage, request, {&target, &pixelState, sink});
    return S_OK;
}

}  // namespace soft
