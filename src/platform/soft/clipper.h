// Homogeneous clipping of triangles and lines: near and far (0 <= z <= w), a small positive w, and
// guard-band planes in x and y that keep screen coordinates within kGuardBand. Also the viewport mapping.
#pragma once

#include <cstdint>

#include "platform/soft/raster.h"
#include "platform/soft/soft_math.h"

namespace soft {

// A vertex in clip space with the attributes that are interpolated when an edge is cut.
struct ClipVertex {
    Vec4 position;
    Color4 diffuse;
    Color4 specular;
    float u, v;
};

// Plane side test: a x + b y + c z + d w + e >= 0 is inside.
struct ClipPlane {
    float a, b, c, d, e;
};

constexpr int kClipPlaneCount = 7;
// A convex polygon cut by every plane gains at most one vertex per plane.
constexpr int kMaxClippedVertices = 3 + kClipPlaneCount;

// The viewport transform: x' = X + (1 + x/w) Width/2, y' = Y + (1 - y/w) Height/2, z' = MinZ + z/w (MaxZ - MinZ).
struct ViewportMapping {
    float x = 0.0f, y = 0.0f;
    float halfWidth = 0.0f, halfHeight = 0.0f;
    float minZ = 0.0f, depthScale = 1.0f;
};

struct ClipPlanes {
    ClipPlane planes[kClipPlaneCount];
};

// The planes for a viewport; the guard-band planes sit a little inside kGuardBand.
ClipPlanes makeClipPlanes(const ViewportMapping& viewport);

// Bit i set when the position lies outside plane i.
std::uint32_t outcode(const ClipPlanes& planes, const Vec4& position);

// Clips the polygon in[0..count) against the planes whose bits are in mask and writes the result to out
// (room for kMaxClippedVertices). Returns the vertex count, below 3 when nothing is left.
int clipPolygon(const ClipPlanes& planes, std::uint32_t mask, const ClipVertex* in, int count, ClipVertex* out);

// Clips a line in place; false when nothing is left.
bool clipLine(const ClipPlanes& planes, std::uint32_t mask, ClipVertex& a, ClipVertex& b);

// Perspective divide and viewport mapping of a vertex inside all planes.
ScreenVertex toScreen(const ViewportMapping& viewport, const ClipVertex& vertex);

}  // namespace soft
