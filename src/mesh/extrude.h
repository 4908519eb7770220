// Pushes a mesh out along its normals, steered by a channel: vertices along their smooth normals, or
// faces as rings of side walls (or three-sided spikes) along their face normals.
#pragma once

#include <cstdint>

#include "mesh/mesh.h"
#include "mesh/status.h"

namespace mesh {

// Channel 1 to 3: every vertex moves by its unit vertex normal times its weight times distance.
// Channel 0 or 4 to 6: every face whose weight is at least 0.5 gets round((weight + 0.01) x stepsPerUnit)
// rings, each a further distance along the face normal, or a spike when that rounds to zero; negative
// step counts leave the face alone. Any other channel does nothing. Refused, with the mesh unchanged,
// when the rings would pass the mesh limits.
Status extrude(Mesh& mesh, std::int32_t channelIndex, float distance, std::int32_t stepsPerUnit);

}  // namespace mesh
