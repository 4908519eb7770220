// Arithmetic on a mesh's weight channels: sixteen element-wise operations (one a seeded random fill), and
// the union of a face's corner weights as a face weight.
#pragma once

#include <cstdint>

#include "mesh/mesh.h"
#include "mesh/status.h"

namespace mesh {

// Destination 1 to 6 only (others do nothing). Fetches channels d, a and b; when d is longer than a or b
// nothing more happens. Seeds the shared generator with round(parameter x 10), then writes, for every
// element, the operation's result of A = a[i], B = b[i] and the parameter clamped to 0..1. A is read
// before d[i] is written, so a may be d.
void channelOp(Mesh& mesh, std::int32_t destination, std::int32_t sourceA, std::int32_t sourceB,
               std::int32_t operation, float parameter);

// Destination 4 to 7 only (others do nothing). Every face gets 1 - (1 - x)(1 - y)(1 - z) of its corners'
// source weights, unclamped, and then channelOp(destination, destination, 7, operation, 0). Refused when
// the source is a face channel (4 to 6), which has no value per vertex.
Status faceChannelFromVertices(Mesh& mesh, std::int32_t destination, std::int32_t source, std::int32_t operation);

}  // namespace mesh
