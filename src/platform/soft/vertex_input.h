// Vertex fetch: resolves the bound declaration against the stream bindings once per draw, then reads
// single vertices with bounds-checked reads. Elements whose stream has no buffer read as absent.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/soft/device_state.h"
#include "platform/soft/raster.h"
#include "platform/soft/soft_math.h"

namespace soft {

// Where one declaration element's values lie for this draw.
struct ElementSource {
    const std::uint8_t* base = nullptr;  // first byte of vertex 0's element
    std::uint64_t available = 0;         // readable bytes from base
    std::uint32_t stride = 0;            // 0: every vertex reads the same value
    device::BYTE type = device::D3DDECLTYPE_FLOAT3;
    bool present = false;
};

// The elements the fixed-function pipeline reads.
struct VertexInput {
    ElementSource position;
    ElementSource normal;
    ElementSource color0;  // diffuse
    ElementSource color1;  // specular
    ElementSource texCoord;
    // Every present element can be read for vertex indices below this (all of them when every stride is 0).
    std::uint64_t vertexLimit = 0;
};

// Stream 0 taken from user memory by DrawPrimitiveUP instead of the bound buffer.
struct UserStream {
    const void* data = nullptr;
    std::uint64_t size = 0;
    std::uint32_t stride = 0;
};

// Resolves elements (position 0, normal 0, colour 0 and 1, texture coordinate set texCoordSet). Without a
// position the vertex limit is 0 and nothing can be drawn.
VertexInput resolveVertexInput(const std::vector<device::D3DVERTEXELEMENT9>& elements, const DeviceState& state,
                               const UserStream* userStream0, unsigned texCoordSet);

struct InputVertex {
    Vec4 position;   // w is 1 unless the element has four components
    Vec3 normal;     // (0, 0, 0) when absent
    Color4 color0;   // opaque white when absent
    Color4 color1;   // transparent black when absent
    float u, v;      // (0, 0) when absent
};

// Reads vertex `index`, which must be below input.vertexLimit.
void fetchVertex(const VertexInput& input, std::uint64_t index, InputVertex& out);

}  // namespace soft
