// The per-vertex stage of a draw: world-view-projection transform, lighting, clip outcodes, and for vertices
// inside every clip plane the projection to the screen, done once per vertex.
#pragma once

#include <cstdint>

#include "platform/soft/clipper.h"
#include "platform/soft/device_state.h"
#include "platform/soft/vertex_input.h"
#include "platform/soft/vertex_lighting.h"

namespace soft {

struct VertexStage {
    device::D3DMATRIX worldViewProjection{};
    LightingSetup lighting;
    ViewportMapping viewport;
    ClipPlanes planes{};
};

struct ProcessedVertex {
    ClipVertex clip;
    std::uint32_t outcode = 0;
    ScreenVertex screen{};  // valid only when outcode is 0
};

// False when the viewport is empty and nothing can be drawn.
bool prepareVertexStage(const DeviceState& state, const VertexInput& input, VertexStage& stage);

void processVertex(const VertexStage& stage, const InputVertex& in, ProcessedVertex& out);

}  // namespace soft
