// Vertex fetch from the bound declaration and streams.
#include "platform/soft/vertex_input.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace soft {

using namespace device;

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

std::uint32_t elementSize(BYTE type) {
    switch (type) {
        case D3DDECLTYPE_FLOAT1: return 4;
        case D3DDECLTYPE_FLOAT2: return 8;
        case D3DDECLTYPE_FLOAT3: return 12;
        case D3DDECLTYPE_FLOAT4: return 16;
        default: return 4;  // D3DDECLTYPE_D3DCOLOR
    }
}

// How many vertices can be read from a present element.
std::uint64_t readableVertices(const ElementSource& source) {
    const std::uint32_t size = elementSize(source.type);
    if (source.available < size) return 0;
    if (source.stride == 0) return kUnlimited;
    return (source.available - size) / source.stride + 1;
}

ElementSource sourceFor(const D3DVERTEXELEMENT9& element, const DeviceState& state, const UserStream* user) {
    ElementSource source;
    source.type = element.Type;
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    if (element.Stream == 0 && user) {
        data = static_cast<const std::uint8_t*>(user->data);
        size = user->size;
        source.stride = user->stride;
    } else {
        const StreamBinding& binding = state.streams[element.Stream];
        if (!binding.buffer) return source;
        data = binding.buffer->bytes().data();
        size = binding.buffer->bytes().size();
        source.stride = binding.stride;
        if (binding.offset > size) return source;
        data += binding.offset;
        size -= binding.offset;
    }
    if (!data) return source;
    source.present = true;
    if (element.Offset <= size) {
        source.base = data + element.Offset;
        source.available = size - element.Offset;
    }
    return source;
}

// Direct3D expands every element to four components, filling the missing ones from (0, 0, 0, 1); a
// D3DCOLOR (bytes B, G, R, A in memory) expands to (R, G, B, A) / 255.
Vec4 readElement(const ElementSource& source, std::uint64_t index) {
    const std::uint8_t* at = source.base + index * source.stride;
    if (source.type == D3DDECLTYPE_D3DCOLOR) {
        return {at[2] / 255.0f, at[1] / 255.0f, at[0] / 255.0f, at[3] / 255.0f};
    }
    float v[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    std::memcpy(v, at, elementSize(source.type));
    return {v[0], v[1], v[2], v[3]};
}

}  // namespace

VertexInput resolveVertexInput(const std::vector<D3DVERTEXELEMENT9>& elements, const DeviceState& state,
                               const UserStream* userStream0, unsigned texCoordSet) {
    VertexInput input;
    bool hasPosition = false;
    for (const D3DVERTEXELEMENT9& element : elements) {
        ElementSource* slot = nullptr;
        if (element.Usage == D3DDECLUSAGE_POSITION && element.UsageIndex == 0) slot = &input.position;
        if (element.Usage == D3DDECLUSAGE_NORMAL && element.UsageIndex == 0) slot = &input.normal;
        if (element.Usage == D3DDECLUSAGE_COLOR && element.UsageIndex == 0) slot = &input.color0;
        if (element.Usage == D3DDECLUSAGE_COLOR && element.UsageIndex == 1) slot = &input.color1;
        if (element.Usage == D3DDECLUSAGE_TEXCOORD && element.UsageIndex == texCoordSet) slot = &input.texCoord;
        if (!slot || slot->present) continue;
        *slot = sourceFor(element, state, userStream0);
        if (slot == &input.position) hasPosition = slot->present;
    }
    if (!hasPosition) return input;
    input.vertexLimit = kUnlimited;
    for (const ElementSource* source :
         {&input.position, &input.normal, &input.color0, &input.color1, &input.texCoord}) {
        if (source->present) input.vertexLimit = std::min(input.vertexLimit, readableVertices(*source));
    }
    return input;
}

void fetchVertex(const VertexInput& input, std::uint64_t index, InputVertex& out) {
    out.position = readElement(input.position, index);
    if (input.normal.present) {
        const Vec4 n = readElement(input.normal, index);
        out.normal = {n.x, n.y, n.z};
    } else {
        out.normal = {0.0f, 0.0f, 0.0f};
    }
    if (input.color0.present) {
        const Vec4 c = readElement(input.color0, index);
        out.color0 = {c.x, c.y, c.z, c.w};
    } else {
        out.color0 = {1.0f, 1.0f, 1.0f, 1.0f};
    }
    if (input.color1.present) {
        const Vec4 c = readElement(input.color1, index);
        out.color1 = {c.x, c.y, c.z, c.w};
    } else {
        out.color1 = {0.0f, 0.0f, 0.0f, 0.0f};
    }
    if (input.texCoord.present) {
        const Vec4 t = readElement(input.texCoord, index);
        out.u = t.x;
        out.v = t.y;
    } else {
        out.u = 0.0f;
        out.v = 0.0f;
    }
}

}  // namespace soft
