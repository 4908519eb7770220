// The edge table: chains of edges keyed by their smaller vertex index, linear in the edges of a vertex.
#include "mesh/edge_table.h"

#include <utility>

namespace mesh {

namespace {

// Chains of (other vertex, next node, edge number), one chain per smaller vertex index.
class EdgeChains {
public:
    explicit EdgeChains(std::int32_t vertexCount, std::size_t expectedEdges)
        : head_(static_cast<std::size_t>(vertexCount), -1) {
        nodes_.reserve(expectedEdges);
    }

    // The number of edge (c, b), c the smaller index; a new edge gets the next number and isNew is set.
    std::int32_t find(std::int32_t c, std::int32_t b, bool& isNew) {
        std::int32_t previous = -1;
        for (std::int32_t at = head_[static_cast<std::size_t>(c)]; at != -1; at = nodes_[static_cast<std::size_t>(at)].next) {
            if (nodes_[static_cast<std::size_t>(at)].other == b) {
                isNew = false;
                return nodes_[static_cast<std::size_t>(at)].edge;
            }
            previous = at;
        }
        const auto number = static_cast<std::int32_t>(nodes_.size());
        const std::int32_t position = number;
        nodes_.push_back({b, -1, number});
        (previous == -1 ? head_[static_cast<std::size_t>(c)] : nodes_[static_cast<std::size_t>(previous)].next) = position;
        isNew = true;
        return number;
    }

    std::size_t edgeCount() const { return nodes_.size(); }

private:
    struct Node {
        std::int32_t other;
        std::int32_t next;
        std::int32_t edge;
    };
    std::vector<std::int32_t> head_;
    std::vector<Node> nodes_;
};

bool validIndex(std::int32_t index, std::int32_t vertexCount) { return index >= 0 && index < vertexCount; }

// Visits every directed edge of the faces, then of the lines, with its seam offset: calls
// visit(c, b, du, dv, slot) where slot counts corners first, then lines. False when an index is invalid.
template <typename Visit>
bool visitEdges(const Mesh& mesh, Visit&& visit) {
    const std::int32_t vertexCount = mesh.vertexCount();
    const bool offsets = !mesh.faceUvOffsets.empty();
    for (std::int32_t f = 0; f < mesh.faceCount(); ++f) {
        const Face& face = mesh.faces[f];
        const FaceUvOffset o = offsets ? mesh.faceUvOffsets[f] : FaceUvOffset{0, 0, 0, 0};
        const std::int32_t du[3] = {o.du1, o.du2 - o.du1, -o.du2};
        const std::int32_t dv[3] = {o.dv1, o.dv2 - o.dv1, -o.dv2};
        for (int j = 0; j < 3; ++j) {
            const std::int32_t c = face.corner[j];
            const std::int32_t b = face.corner[(j + 1) % 3];
            if (!validIndex(c, vertexCount) || !validIndex(b, vertexCount)) return false;
            visit(c, b, du[j], dv[j], 3 * static_cast<std::size_t>(f) + static_cast<std::size_t>(j));
        }
    }
    const std::size_t lineBase = 3 * static_cast<std::size_t>(mesh.faceCount());
    for (std::int32_t i = 0; i < mesh.lines.count(); ++i) {
        const IndexPair line = mesh.lines[i];
        if (!validIndex(line.a, vertexCount) || !validIndex(line.b, vertexCount)) return false;
        visit(line.a, line.b, 0, 0, lineBase + static_cast<std::size_t>(i));
    }
    return true;
}

bool inMemory(const Mesh& mesh) {
    return mesh.faces.inMemory() && mesh.lines.inMemory() && mesh.faceUvOffsets.inMemory();
}

std::size_t expectedEdges(const Mesh& mesh) {
    // A closed triangle mesh has one and a half edges per face; lines usually lie on face edges.
    return 3 * static_cast<std::size_t>(mesh.faceCount()) / 2 + static_cast<std::size_t>(mesh.lines.count());
}

}  // namespace

Status buildEdgeTable(Mesh& mesh, const EdgeTableOutputs& outputs) {
    mesh.edges.clear();
    if (!inMemory(mesh)) {
        return Status::refused("the mesh's faces are no longer in memory (it was prepared for drawing)");
    }
    const bool wantSeams = outputs.seams != nullptr && !mesh.faceUvOffsets.empty();
    if (outputs.cornerEdges) outputs.cornerEdges->assign(static_cast<std::size_t>(mesh.faceCount()), {});
    if (outputs.lineEdges) outputs.lineEdges->assign(static_cast<std::size_t>(mesh.lines.count()), 0);
    if (outputs.seams) outputs.seams->clear();
    mesh.edges.reserve(static_cast<std::int32_t>(expectedEdges(mesh)));
    EdgeChains chains(mesh.vertexCount(), expectedEdges(mesh));
    const std::size_t lineBase = 3 * static_cast<std::size_t>(mesh.faceCount());
    const bool valid = visitEdges(mesh, [&](std::int32_t c, std::int32_t b, std::int32_t du, std::int32_t dv,
                                            std::size_t slot) {
        if (b < c) {
            std::swap(c, b);
            du = -du;
            dv = -dv;
        }
        bool isNew = false;
        const std::int32_t number = chains.find(c, b, isNew);
        if (isNew) {
            mesh.edges.pushBack({c, b});
            if (wantSeams) outputs.seams->push_back({du, dv, 0, 0});
        }
        if (slot < lineBase) {
            if (outputs.cornerEdges) (*outputs.cornerEdges)[slot / 3][slot % 3] = number;
        } else if (outputs.lineEdges) {
            (*outputs.lineEdges)[slot - lineBase] = number;
        }
    });
    if (!valid) {
        mesh.edges.clear();
        return Status::refused("a face or line names a vertex the mesh does not have");
    }
    return Status::done();
}

std::int64_t countEdges(const Mesh& mesh) {
    if (!inMemory(mesh)) return -1;
    EdgeChains chains(mesh.vertexCount(), expectedEdges(mesh));
    const bool valid = visitEdges(mesh, [&](std::int32_t c, std::int32_t b, std::int32_t, std::int32_t, std::size_t) {
        bool isNew = false;
        chains.find(b < c ? b : c, b < c ? c : b, isNew);
    });
    return valid ? static_cast<std::int64_t>(chains.edgeCount()) : -1;
}

}  // namespace mesh
