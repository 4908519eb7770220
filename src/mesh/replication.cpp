// Copies along a path, copy-to-vertices and merging.
#include "mesh/replication.h"

#include <string>
#include <vector>

#include "mesh/mesh_limits.h"
#include "mesh/normals.h"
#include "scene/path_frames.h"

namespace mesh {

namespace {

MeshSize sizeOf(const Mesh& mesh) { return {mesh.vertexCount(), mesh.faceCount(), mesh.lines.count()}; }

MeshSize times(const MeshSize& size, std::int64_t copies) {
    return {size.vertices * copies, size.faces * copies, size.lines * copies};
}

// Generators read and write a mesh's arrays in memory; a prepared mesh has given them away.
Status checkUsable(const Mesh& mesh, const std::string& role) {
    if (mesh.prepared()) {
        return Status::refused(role + " was already prepared for drawing; give the object instance a copy");
    }
    if (!facesInRange(mesh)) {
        return Status::refused(role + " names vertices it does not have");
    }
    return Status::done();
}

// Allocates the result's arrays once at their final size: growing them copy by copy would fault in
// about twice the memory, which costs more than the copying itself.
void reserveFinal(Mesh& result, const MeshSize& size, bool texCoords, bool offsets) {
    result.positions.reserve(static_cast<std::int32_t>(size.vertices));
    result.faces.reserve(static_cast<std::int32_t>(size.faces));
    result.lines.reserve(static_cast<std::int32_t>(size.lines));
    if (texCoords) result.texCoords.reserve(static_cast<std::int32_t>(size.vertices));
    if (offsets) result.faceUvOffsets.reserve(static_cast<std::int32_t>(size.faces));
}

}  // namespace

PlacementMode placementMode(std::int32_t mode) {
    if (mode == 1) return PlacementMode::AlongFrame;
    if (mode == 2) return PlacementMode::FromOrigin;
    return PlacementMode::Translate;
}

math::Matrix4 placementMatrix(PlacementMode mode, const Vec4& position, const Vec4& normal) {
    constexpr Vec4 kUp{0.0f, 1.0f, 0.0f, 1.0f};
    switch (mode) {
    case PlacementMode::AlongFrame: return math::matLookAt(position, math::vecSub(position, normal), kUp);
    case PlacementMode::FromOrigin: return math::matLookAt(position, Vec4{0.0f, 0.0f, 0.0f, 1.0f}, kUp);
    case PlacementMode::Translate: break;
    }
    return math::matTranslation(position.x, position.y, position.z);
}

void appendTransformed(Mesh& target, const Mesh& source, const math::Matrix4& placement) {
    const std::int32_t first = target.vertexCount();
    appendMesh(target, source);
    for (std::int32_t i = first; i < target.vertexCount(); ++i) {
        target.positions[i] = vecTimesMatrix(target.positions[i], placement);
    }
}

Status copyAlongPath(const Mesh& source, scene::VectorValue& path, std::int32_t count, std::int32_t mode,
                     Mesh& result) {
    const Status usable = checkUsable(source, "the copied mesh");
    if (!usable.ok()) return usable;
    result.uScale = source.uScale;
    result.vScale = source.vScale;
    const MeshSize one = sizeOf(source);
    // Copies of nothing are nothing, however many: no frames need sampling for them.
    if (count < 1 || (one.vertices == 0 && one.faces == 0 && one.lines == 0)) return Status::done();
    // Checked before sampling, so that the count + 1 frames are bounded by the mesh limits too.
    const MeshSize total = times(one, count);
    const Status size = checkMeshSize(total, std::to_string(count) + " copies");
    if (!size.ok()) return size;
    const std::vector<math::Matrix4> frames = scene::samplePathFrames(path, count);
    const PlacementMode placement = placementMode(mode);
    reserveFinal(result, total, !source.texCoords.empty(), !source.faceUvOffsets.empty());
    for (std::int32_t i = 0; i < count; ++i) {
        const math::Matrix4& frame = frames[static_cast<std::size_t>(i)];
        const bool ownFrame = placement == PlacementMode::AlongFrame;
        appendTransformed(result, source, ownFrame ? frame : placementMatrix(placement, frame.row(3), {}));
    }
    return Status::done();
}

Status copyToVertices(const Mesh& source, Mesh& target, std::int32_t mode, Mesh& result) {
    Status usable = checkUsable(source, "the copied mesh");
    if (usable.ok()) usable = checkUsable(target, "the target mesh");
    if (!usable.ok()) return usable;
    const std::int32_t copies = target.vertexCount();
    const MeshSize total = times(sizeOf(source), copies);
    const Status size = checkMeshSize(total, std::to_string(copies) + " copies");
    if (!size.ok()) return size;
    const PlacementMode placement = placementMode(mode);
    if (placement == PlacementMode::AlongFrame) {
        const Status normals = computeNormals(target, VertexNormals::Yes, TangentFrame::No);
        if (!normals.ok()) return normals;
    }
    result.uScale = source.uScale;
    result.vScale = source.vScale;
    reserveFinal(result, total, !source.texCoords.empty(), !source.faceUvOffsets.empty());
    for (std::int32_t i = 0; i < copies; ++i) {
        const Vec4 normal = placement == PlacementMode::AlongFrame ? target.normals[i] : Vec4{};
        appendTransformed(result, source, placementMatrix(placement, target.positions[i], normal));
    }
    return Status::done();
}

Status mergeMeshes(std::span<const Mesh* const> meshes, Mesh& result) {
    MeshSize total;
    bool texCoords = false, offsets = false;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        if (meshes[i] == nullptr) {
            return Status::refused("list entry " + std::to_string(i) + " is not a mesh");
        }
        const Status usable = checkUsable(*meshes[i], "list entry " + std::to_string(i));
        if (!usable.ok()) return usable;
        const MeshSize size = sizeOf(*meshes[i]);
        total = {total.vertices + size.vertices, total.faces + size.faces, total.lines + size.lines};
        texCoords = texCoords || !meshes[i]->texCoords.empty();
        offsets = offsets || !meshes[i]->faceUvOffsets.empty();
    }
    const Status size = checkMeshSize(total, std::to_string(meshes.size()) + " merged meshes");
    if (!size.ok()) return size;
    reserveFinal(result, total, texCoords, offsets);
    for (const Mesh* mesh : meshes) appendMesh(result, *mesh);
    return Status::done();
}

}  // namespace mesh
