// Builds one new mesh out of several: copies placed along a path or on the vertices of another mesh, and
// concatenation. The results hold positions, texture coordinates, faces, face offsets and lines; channels,
// normals and edges are rebuilt by later stages.
#pragma once

#include <cstdint>
#include <span>

#include "math/matrix4.h"
#include "mesh/mesh.h"
#include "mesh/status.h"
#include "scene/animated_value.h"

namespace mesh {

// Where a copy goes: 1 follows the placement's own frame (CopyAlongPath: the path's sweep frame;
// CopyToVertices: looking against the vertex normal), 2 faces away from the origin, anything else is a
// plain translation.
enum class PlacementMode : std::int32_t { Translate = 0, AlongFrame = 1, FromOrigin = 2 };

PlacementMode placementMode(std::int32_t mode);

// The matrix that places a copy at the point position: for AlongFrame the look-at frame from position
// towards position - normal (up (0, 1, 0, 1)), for FromOrigin the look-at frame from position towards the
// origin, else the translation by position.
math::Matrix4 placementMatrix(PlacementMode mode, const Vec4& position, const Vec4& normal);

// Appends source to target with its positions transformed by placement (appendMesh, then transformMesh
// of the appended vertices).
void appendTransformed(Mesh& target, const Mesh& source, const math::Matrix4& placement);

// count copies of source at the samples i x period / count (i = 0 .. count - 1) of path, into result
// (which takes the source's texture scales): AlongFrame places each copy in the path's sweep frame (its
// local z along the path), the other modes as placementMatrix does at the sampled position. The sample
// at i = count, where a closed path returns to its start, is not used. A count below 1 gives an empty
// mesh. Refused, leaving result empty, when the result would pass the mesh limits or the source is
// prepared for drawing.
Status copyAlongPath(const Mesh& source, scene::VectorValue& path, std::int32_t count, std::int32_t mode,
                     Mesh& result);

// A copy of source at every vertex of target, in vertex order, into result (which takes the source's
// texture scales). AlongFrame first gives target smooth vertex normals. Refused, leaving result empty,
// when the result would pass the mesh limits or either mesh is prepared for drawing.
Status copyToVertices(const Mesh& source, Mesh& target, std::int32_t mode, Mesh& result);

// Appends every mesh of the list in order to result (texture scales 1). Refused, leaving result empty,
// for a null or prepared entry or a result beyond the mesh limits.
Status mergeMeshes(std::span<const Mesh* const> meshes, Mesh& result);

}  // namespace mesh
