// Splits every triangle of a mesh into four at its edge midpoints, carrying texture coordinates, texture
// seams and lines along; the only way the generators add vertices to a surface.
#pragma once

#include <cstdint>

#include "mesh/mesh.h"
#include "mesh/mesh_limits.h"
#include "mesh/status.h"

namespace mesh {

// Passes beyond this are refused outright: nine already take one face past the face limit.
constexpr std::int32_t kMaxSubdivisions = 64;

// Empties channels 0 to 6 (channel 7 keeps its values), then subdivides times times. Each pass adds one
// vertex per distinct edge of the faces and lines, makes four faces of each face with the parent's
// winding and two lines of each line. Refused, with the mesh unchanged, when the result would pass the
// mesh limits or times exceeds kMaxSubdivisions.
Status subdivide(Mesh& mesh, std::int32_t times);

// One pass as subdivide(mesh, 1) makes it, for a modifier that has already checked its whole run with
// checkSubdivision (which also proves the faces valid and in memory).
void subdivideOnceChecked(Mesh& mesh);

// The size of the mesh after times passes (an upper bound when two faces share two edges), and a refusal
// when that passes the limits. Nothing is changed.
Status checkSubdivision(const Mesh& mesh, std::int32_t times);

}  // namespace mesh
