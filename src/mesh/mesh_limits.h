// How large one mesh may grow, and the check every generator makes before it allocates.
// Vertex indices stay within 16 bits so that any Direct3D 9 device can draw a mesh with one indexed call:
// the smallest MaxVertexIndex drivers report is 0xFFFF. Faces and lines are bounded by memory: at the
// limits one mesh holds about 36 MB (16-byte vertex records in five arrays, 76 bytes of face data per face,
// edges at most three per face plus the lines), so no script record can exhaust memory on its own; and all
// meshes together stay under a budget, so that many records cannot either.
#pragma once

#include <cstdint>
#include <string>

#include "mesh/status.h"

namespace mesh {

constexpr std::int64_t kMaxVertices = 65536;
constexpr std::int64_t kMaxFaces = 262144;
constexpr std::int64_t kMaxLines = 262144;
// What one draw call may take: the smallest MaxPrimitiveCount of Direct3D 9 hardware is 0xFFFF (the 9_1
// class), so an object instance refuses a mesh whose triangles, lines or edges would pass it. Larger
// meshes may still be built as intermediate steps.
constexpr std::int64_t kMaxPrimitivesPerDraw = 65535;
// Every mesh of the process together; the presentation's meshes take a few megabytes.
constexpr std::int64_t kMeshMemoryBudget = 256 * 1024 * 1024;

// Element counts of a mesh, in 64 bits so that forecasts of repeated growth cannot overflow.
struct MeshSize {
    std::int64_t vertices = 0;
    std::int64_t faces = 0;
    std::int64_t lines = 0;

    bool withinLimits() const {
        return vertices <= kMaxVertices && faces <= kMaxFaces && lines <= kMaxLines;
    }
    // What a mesh of this size holds once prepared: five vertex arrays, faces with their offsets and
    // three face frames, lines, and edges (at most three per face plus the lines).
    std::int64_t bytes() const { return vertices * 5 * 16 + faces * (12 + 16 + 3 * 16 + 3 * 8) + lines * 16; }
};

// Refuses a result of the given size, beyond the limits of one mesh or beyond the budget of all meshes
// with those already in memory, with a message that starts with what (what the caller asked for, such as
// "7 subdivisions") and names the limit it passes.
Status checkMeshSize(const MeshSize& size, const std::string& what);

}  // namespace mesh
