// The cube every solid grows from, and the modifiers that subdivide, round, smooth, roughen and scale it
// in place. Each refuses, leaving the mesh unchanged, when its subdivisions would pass the mesh limits.
#pragma once

#include <cstdint>

#include "mesh/mesh.h"
#include "mesh/status.h"

namespace mesh {

// Eight vertices at (+-h, +-h, +-h) (x from bit 0 of the index, y bit 1, z bit 2; clear is minus), twelve
// outward-facing faces and the twelve cube edges as lines, then subdivided. mesh must be empty.
Status makeCubeMesh(Mesh& mesh, std::int32_t subdivisions, float halfSize);

// Negative passes do nothing. Otherwise passes + 1 iterations that move every vertex p to
// p + amount (radius d - p), d the unit direction of p, with one subdivision between two iterations.
Status spherify(Mesh& mesh, std::int32_t passes, float radius, float amount);

// max(passes, 1) iterations, each subdividing first when passes is above zero, then moving every vertex
// by amount towards the mean of its faces' corners (each face counted once per corner, itself included).
Status smooth(Mesh& mesh, std::int32_t passes, float amount);

// Seeds the shared generator, then max(passes, 1) iterations (subdividing first when passes is above
// zero) that scale each vertex towards the origin by 1 - amount x (rand() & 4095) / 4095, one rand() per
// vertex in index order; amount is multiplied by decay after each iteration.
Status randomScale(Mesh& mesh, std::int32_t passes, std::int32_t seed, float amount, float decay);

// For a channel from 0 to 3 (anything else does nothing): every position p becomes
// p + w (scaled p - p), scaled p being (sx x, sy y, sz z, 1) and w the vertex's channel weight.
void scaleByChannel(Mesh& mesh, std::int32_t channelIndex, float sx, float sy, float sz);

}  // namespace mesh
