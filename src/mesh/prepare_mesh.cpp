// prepareMesh: the checks that keep a prepared mesh drawable, then seam splitting, unwelding and uploads.
#include "mesh/prepare_mesh.h"

#include <algorithm>
#include <string>
#include <vector>

#include "mesh/edge_table.h"
#include "mesh/mesh_limits.h"
#include "mesh/normals.h"

namespace mesh {

namespace {

// What the material asks of the mesh.
struct Plan {
    bool surface;    // a solid surface is drawn
    bool smooth;     // shared vertices with vertex normals, indexed
    bool flat;       // three vertices per face with the face's normal
    bool frame;      // tangent and binormal streams
    bool texCoords;  // the texture-coordinate stream
    bool sprites;    // one square per vertex, positions read every frame
    std::int32_t lineMode;
};

Plan planFor(const scene::Material& material) {
    return {material.surfaceMode >= 0, material.surfaceMode > 0,     material.surfaceMode == 0,
            material.tangentStreams,   material.usesTexCoords,       material.spriteTexture != nullptr,
            material.lineMode};
}

// Texture coordinates and seam offsets are either absent or one per vertex (face) from here on.
void matchLengths(Mesh& mesh) {
    if (!mesh.texCoords.empty()) mesh.texCoords.resize(mesh.vertexCount());
    if (!mesh.faceUvOffsets.empty()) mesh.faceUvOffsets.resize(mesh.faceCount());
}

bool linesInRange(const Mesh& mesh) {
    const auto vertexCount = static_cast<std::uint32_t>(mesh.vertexCount());
    for (const IndexPair& line : mesh.lines.span()) {
        if (static_cast<std::uint32_t>(line.a) >= vertexCount || static_cast<std::uint32_t>(line.b) >= vertexCount) {
            return false;
        }
    }
    return true;
}

// Face corners that the seam split gives a vertex of their own.
std::int64_t seamCorners(const Mesh& mesh) {
    std::int64_t corners = 0;
    const std::int32_t faces = std::min(mesh.faceCount(), mesh.faceUvOffsets.count());
    for (std::int32_t f = 0; f < faces; ++f) {
        const FaceUvOffset& o = mesh.faceUvOffsets[f];
        corners += (o.du1 != 0 || o.dv1 != 0) + (o.du2 != 0 || o.dv2 != 0);
    }
    return corners;
}

// Marks the vertices that some face uses.
std::vector<bool> faceVertices(const Mesh& mesh) {
    std::vector<bool> used(static_cast<std::size_t>(mesh.vertexCount()), false);
    for (const Face& face : mesh.faces.span()) {
        for (std::int32_t corner : face.corner) used[static_cast<std::size_t>(corner)] = true;
    }
    return used;
}

// Vertices that only lines use: unwelding keeps one copy of each after the faces' vertices, so that the
// renumbered lines still find them. (A vertex whose every face corner a seam split moved elsewhere is
// kept the same way; the caller bounds those by the seam corners.)
std::int64_t lineOnlyVertices(const Mesh& mesh) {
    std::vector<bool> used = faceVertices(mesh);
    std::int64_t extra = 0;
    for (const IndexPair& line : mesh.lines.span()) {
        for (std::int32_t end : {line.a, line.b}) {
            if (!used[static_cast<std::size_t>(end)]) {
                used[static_cast<std::size_t>(end)] = true;
                ++extra;
            }
        }
    }
    return extra;
}

Status checkDrawList(std::int64_t count, const char* what) {
    if (count == 0) {
        return Status::refused(std::string("the material draws its ") + what + ", and the mesh has none");
    }
    if (count > kMaxPrimitivesPerDraw) {
        return Status::refused(std::string("the mesh has ") + std::to_string(count) + " " + what +
                               "; one draw call takes at most " + std::to_string(kMaxPrimitivesPerDraw));
    }
    return Status::done();
}

// The vertex count after seam splitting and unwelding.
Status checkPreparedVertices(const Mesh& mesh, const Plan& plan) {
    const std::int64_t seams = seamCorners(mesh);
    if (plan.flat) {
        const std::int64_t lineEnds = plan.lineMode > 0 ? lineOnlyVertices(mesh) + seams : 0;
        const std::int64_t unwelded = 3 * static_cast<std::int64_t>(mesh.faceCount()) + lineEnds;
        if (unwelded > kMaxVertices) {
            return Status::refused("flat shading gives each of the " + std::to_string(mesh.faceCount()) +
                                   " faces three vertices of its own, " + std::to_string(unwelded) +
                                   " in all; a mesh holds at most " + std::to_string(kMaxVertices) +
                                   " vertices (16-bit vertex indices); draw it smooth or with fewer faces");
        }
        return Status::done();
    }
    const std::int64_t split = mesh.vertexCount() + seams;
    if (split > kMaxVertices) {
        return Status::refused("splitting the texture seams gives the mesh " + std::to_string(split) +
                               " vertices; a mesh holds at most " + std::to_string(kMaxVertices) +
                               " vertices (16-bit vertex indices)");
    }
    return Status::done();
}

Status checkPreparable(const Mesh& mesh, const Plan& plan) {
    if (mesh.prepared()) {
        return Status::refused("the mesh was already prepared for drawing by another object instance; give each "
                               "instance its own MeshCopy");
    }
    if (mesh.vertexCount() == 0) return Status::refused("the mesh is empty: it has no vertices to draw");
    if (!facesInRange(mesh) || !linesInRange(mesh)) {
        return Status::refused("a face or line of the mesh names a vertex the mesh does not have");
    }
    Status status = Status::done();
    if (plan.surface) status = checkDrawList(mesh.faceCount(), "faces");
    if (status.ok() && plan.lineMode == 1) status = checkDrawList(mesh.lines.count(), "lines");
    if (status.ok() && plan.lineMode >= 2) status = checkDrawList(countEdges(mesh), "edges");
    if (status.ok()) status = checkPreparedVertices(mesh, plan);
    if (status.ok()) {
        const std::int64_t vertices = plan.flat ? 3 * static_cast<std::int64_t>(mesh.faceCount())
                                                : mesh.vertexCount() + seamCorners(mesh);
        status = checkMeshSize({vertices, mesh.faceCount(), mesh.lines.count()}, "preparing the mesh");
    }
    return status;
}

// A new vertex at the end of the arrays: a copy of vertex v with (du, dv) whole repeats added to its
// texture coordinate; normals and frames are copied where they are per vertex.
std::int32_t splitCorner(Mesh& mesh, std::int32_t v, std::int32_t du, std::int32_t dv, const Plan& plan) {
    mesh.positions.pushBack(mesh.positions[v]);
    if (plan.smooth) {
        mesh.normals.pushBack(mesh.normals[v]);
        if (plan.frame) {
            mesh.tangents.pushBack(mesh.tangents[v]);
            mesh.binormals.pushBack(mesh.binormals[v]);
        }
    }
    if (!mesh.texCoords.empty()) {
        Vec4 t = mesh.texCoords[v];
        t.x += static_cast<float>(du);
        t.y += static_cast<float>(dv);
        mesh.texCoords.pushBack(t);
    }
    return mesh.vertexCount() - 1;
}

void splitSeams(Mesh& mesh, const Plan& plan) {
    if (mesh.faceUvOffsets.empty()) return;
    mesh.positions.reserveMore(static_cast<std::int32_t>(seamCorners(mesh)));
    for (std::int32_t f = 0; f < mesh.faceCount(); ++f) {
        const FaceUvOffset o = mesh.faceUvOffsets[f];
        Face& face = mesh.faces[f];
        if (o.du1 != 0 || o.dv1 != 0) face.corner[1] = splitCorner(mesh, face.corner[1], o.du1, o.dv1, plan);
        if (o.du2 != 0 || o.dv2 != 0) face.corner[2] = splitCorner(mesh, face.corner[2], o.du2, o.dv2, plan);
    }
}

void scaleTexCoords(Mesh& mesh) {
    for (Vec4& t : mesh.texCoords.span()) {
        t.x *= mesh.uScale;
        t.y *= mesh.vScale;
    }
}

// Per-face values repeated for the three vertices of each face; zero for vertices past them.
MeshArray<Vec4> perCorner(const MeshArray<Vec4>& faceValues, std::int32_t vertexCount) {
    MeshArray<Vec4> out;
    out.resize(vertexCount);
    for (std::int32_t f = 0; f < faceValues.count(); ++f) {
        out[3 * f] = out[3 * f + 1] = out[3 * f + 2] = faceValues[f];
    }
    return out;
}

// Face f gets vertices 3f, 3f + 1 and 3f + 2. With lines to draw, each line end becomes the first copy
// of its vertex (a vertex no face uses is kept once after the faces' vertices), and so does each edge.
void unweld(Mesh& mesh, const Plan& plan) {
    const bool texCoords = plan.texCoords && !mesh.texCoords.empty();
    const bool renumberLines = plan.lineMode > 0;
    std::vector<std::int32_t> firstCopy(renumberLines ? static_cast<std::size_t>(mesh.vertexCount()) : 0, -1);
    MeshArray<Vec4> positions, coordinates;
    positions.reserve(3 * mesh.faceCount());
    if (texCoords) coordinates.reserve(3 * mesh.faceCount());
    const auto copyVertex = [&](std::int32_t v) {
        positions.pushBack(mesh.positions[v]);
        if (texCoords) coordinates.pushBack(mesh.texCoords[v]);
        return positions.count() - 1;
    };
    for (Face& face : mesh.faces.span()) {
        for (std::int32_t& corner : face.corner) {
            const std::int32_t copy = copyVertex(corner);
            if (renumberLines && firstCopy[static_cast<std::size_t>(corner)] < 0) {
                firstCopy[static_cast<std::size_t>(corner)] = copy;
            }
            corner = copy;
        }
    }
    if (renumberLines) {
        const auto renumber = [&](std::int32_t& v) {
            std::int32_t& copy = firstCopy[static_cast<std::size_t>(v)];
            if (copy < 0) copy = copyVertex(v);
            v = copy;
        };
        for (IndexPair& line : mesh.lines.span()) {
            renumber(line.a);
            renumber(line.b);
        }
        for (IndexPair& edge : mesh.edges.span()) {
            renumber(edge.a);
            renumber(edge.b);
        }
    }
    mesh.positions = std::move(positions);
    mesh.texCoords = std::move(coordinates);
    mesh.normals = perCorner(mesh.faceNormals, mesh.vertexCount());
    if (plan.frame) {
        mesh.tangents = perCorner(mesh.faceTangents, mesh.vertexCount());
        mesh.binormals = perCorner(mesh.faceBinormals, mesh.vertexCount());
    }
}

void upload(Mesh& mesh, const Plan& plan, device::IDirect3DDevice9* device) {
    if (!plan.sprites) mesh.positions.uploadVertices(device);
    if (plan.surface) {
        mesh.normals.uploadVertices(device);
        if (plan.texCoords) mesh.texCoords.uploadVertices(device);
        if (plan.frame) {
            mesh.tangents.uploadVertices(device);
            mesh.binormals.uploadVertices(device);
        }
        mesh.faces.uploadIndices(device);
    }
    if (plan.lineMode == 1) mesh.lines.uploadIndices(device);
    if (plan.lineMode >= 2) mesh.edges.uploadIndices(device);
}

}  // namespace

const MeshArray<float>* spriteChannel(const Mesh& mesh, std::int32_t index) {
    if (index <= 0) return nullptr;
    const std::size_t slot = index < kChannelCount ? static_cast<std::size_t>(index) : 0;
    return mesh.channels[slot].get();
}

Status prepareMesh(Mesh& mesh, const scene::Material& material, device::IDirect3DDevice9* device) {
    const Plan plan = planFor(material);
    Status status = checkPreparable(mesh, plan);
    if (!status.ok()) return status;
    mesh.material = &material;
    matchLengths(mesh);
    if (plan.texCoords && mesh.texCoords.empty()) ensureTexCoords(mesh);
    status = buildEdgeTable(mesh);
    if (status.ok()) {
        status = computeNormals(mesh, plan.smooth ? VertexNormals::Yes : VertexNormals::No,
                                plan.frame ? TangentFrame::Yes : TangentFrame::No);
    }
    if (!status.ok()) return status;
    splitSeams(mesh, plan);
    scaleTexCoords(mesh);
    mesh.faceUvOffsets.clear();
    if (plan.flat) unweld(mesh, plan);
    if (plan.sprites) {
        if (material.spriteSizeChannel > 0) channel(mesh, material.spriteSizeChannel);
        if (material.spriteAlphaChannel > 0) channel(mesh, material.spriteAlphaChannel);
    }
    upload(mesh, plan, device);
    return Status::done();
}

}  // namespace mesh
