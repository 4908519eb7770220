// Numbers every undirected edge of a mesh's faces and lines once, in order of first use, as
// (smaller index, larger index) in the mesh's edge list; optionally reports each corner's and line's edge
// number and the integer texture seam met along each edge.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/status.h"

namespace mesh {

// Per edge: whole texture repeats met from its smaller-index vertex to its larger one. buildEdgeTable
// fills (du, dv, 0, 0) into (uFirst, vFirst, uSecond, vSecond); subdivision rewrites all four as the
// repeats of the edge's first and second half.
struct EdgeSeam {
    std::int32_t uFirst = 0;
    std::int32_t vFirst = 0;
    std::int32_t uSecond = 0;
    std::int32_t vSecond = 0;
};

using CornerEdges = std::array<std::int32_t, 3>;  // edge of corner j: from corner j to corner j + 1 mod 3

// Optional outputs; null members are not filled. Seams are read from the face offsets and stay empty for
// a mesh without them.
struct EdgeTableOutputs {
    std::vector<CornerEdges>* cornerEdges = nullptr;
    std::vector<std::int32_t>* lineEdges = nullptr;
    std::vector<EdgeSeam>* seams = nullptr;
};

// Empties and refills mesh.edges. Refused, with edges empty, when a face or line names a vertex outside
// the positions or the faces and lines are not in memory.
Status buildEdgeTable(Mesh& mesh, const EdgeTableOutputs& outputs = {});

// The number of edges buildEdgeTable would find, without changing the mesh; -1 when it would refuse.
std::int64_t countEdges(const Mesh& mesh);

}  // namespace mesh
