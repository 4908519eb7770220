// Unit face normals of a mesh and, on request, smooth vertex normals and tangent frames derived from the
// texture coordinates.
#pragma once

#include "mesh/mesh.h"
#include "mesh/status.h"

namespace mesh {

enum class VertexNormals : bool { No = false, Yes = true };
enum class TangentFrame : bool { No = false, Yes = true };

// Face normals always. With vertex normals: the normalised sum of the unit normals of the faces that
// share a vertex index (every face weighs the same). With a tangent frame: per-face tangent and binormal
// from the texture coordinates (seam offsets added), and with vertex normals also per-vertex ones,
// made orthogonal to the vertex normal. A mesh without texture coordinates reads them as zero, which
// like any degenerate mapping gives non-finite tangents. Refused when faces or positions cannot be read
// or a face names a vertex the mesh does not have.
Status computeNormals(Mesh& mesh, VertexNormals vertexNormals, TangentFrame tangentFrame);

}  // namespace mesh
