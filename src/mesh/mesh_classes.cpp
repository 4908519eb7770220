// What the mesh classes check beyond the argument kinds, and how they reject a record.
#include "mesh/mesh_classes.h"

#include <string>
#include <vector>

#include "mesh/channel_ops.h"
#include "mesh/extrude.h"
#include "mesh/replication.h"
#include "mesh/shape_modifiers.h"

namespace mesh {

namespace {

Mesh* reject(graph::ObjectStore& store, const char* className, const Status& status) {
    store.rejectRecord(std::string(className) + ": " + status.message());
    return nullptr;
}

// A mesh given to an object instance has been renumbered and moved into device buffers.
Status checkNotPrepared(const Mesh& mesh, const char* role = "the mesh") {
    if (mesh.prepared()) {
        return Status::refused(std::string(role) +
                               " was already prepared for drawing by an object instance; give the instance a MeshCopy");
    }
    return Status::done();
}

// Channel numbers outside 0..7 name no channel at all; a script that writes one is damaged.
Status checkChannels(std::initializer_list<std::int32_t> indices) {
    for (std::int32_t index : indices) {
        if (index < 0 || index >= kChannelCount) {
            return Status::refused("channel " + std::to_string(index) + " does not exist (channels are 0 to 7)");
        }
    }
    return Status::done();
}

// Runs the checks in order and then the edit: the mesh, or null with the record rejected.
template <typename Edit>
Mesh* modify(graph::ObjectStore& store, const char* className, Mesh& mesh, Status channels, Edit edit) {
    Status status = checkNotPrepared(mesh);
    if (status.ok()) status = std::move(channels);
    if (status.ok()) status = edit(mesh);
    return status.ok() ? &mesh : reject(store, className, status);
}

}  // namespace

Mesh* makeCube(graph::ObjectStore& store, std::int32_t subdivisions, float halfSize) {
    Mesh* cube = store.make<Mesh>();
    const Status status = makeCubeMesh(*cube, subdivisions, halfSize);
    return status.ok() ? cube : reject(store, "Cube", status);
}

Mesh* makeSpherify(graph::ObjectStore& store, Mesh& mesh, std::int32_t passes, float radius, float amount) {
    return modify(store, "Spherify", mesh, Status::done(),
                  [&](Mesh& m) { return spherify(m, passes, radius, amount); });
}

Mesh* makeSmooth(graph::ObjectStore& store, Mesh& mesh, std::int32_t passes, float amount) {
    return modify(store, "Smooth", mesh, Status::done(), [&](Mesh& m) { return smooth(m, passes, amount); });
}

Mesh* makeRandomScale(graph::ObjectStore& store, Mesh& mesh, std::int32_t passes, std::int32_t seed, float amount,
                      float decay) {
    return modify(store, "RandomScale", mesh, Status::done(),
                  [&](Mesh& m) { return randomScale(m, passes, seed, amount, decay); });
}

Mesh* makeChannelOp(graph::ObjectStore& store, Mesh& mesh, std::int32_t destination, std::int32_t sourceA,
                    std::int32_t sourceB, std::int32_t operation, float parameter) {
    return modify(store, "ChannelOp", mesh, checkChannels({destination, sourceA, sourceB}), [&](Mesh& m) {
        channelOp(m, destination, sourceA, sourceB, operation, parameter);
        return Status::done();
    });
}

Mesh* makeMeshCopy(graph::ObjectStore& store, Mesh& source) {
    Status status = checkNotPrepared(source);
    Mesh* copy = status.ok() ? store.make<Mesh>() : nullptr;
    if (copy != nullptr) status = copyMesh(source, *copy);
    return status.ok() ? copy : reject(store, "MeshCopy", status);
}

Mesh* makeFaceChannelFromVertices(graph::ObjectStore& store, Mesh& mesh, std::int32_t destination,
                                  std::int32_t source, std::int32_t operation) {
    return modify(store, "FaceChannelFromVertices", mesh, checkChannels({destination, source}),
                  [&](Mesh& m) { return faceChannelFromVertices(m, destination, source, operation); });
}

Mesh* makeExtrude(graph::ObjectStore& store, Mesh& mesh, std::int32_t channelIndex, float distance,
                  std::int32_t stepsPerUnit) {
    return modify(store, "Extrude", mesh, checkChannels({channelIndex}),
                  [&](Mesh& m) { return extrude(m, channelIndex, distance, stepsPerUnit); });
}

Mesh* makeScaleByChannel(graph::ObjectStore& store, Mesh& mesh, std::int32_t channelIndex, float sx, float sy,
                         float sz) {
    return modify(store, "ScaleByChannel", mesh, checkChannels({channelIndex}), [&](Mesh& m) {
        scaleByChannel(m, channelIndex, sx, sy, sz);
        return Status::done();
    });
}

Mesh* makeCopyToVertices(graph::ObjectStore& store, Mesh& source, Mesh& target, std::int32_t mode) {
    Mesh* result = store.make<Mesh>();
    const Status status = copyToVertices(source, target, mode, *result);
    return status.ok() ? result : reject(store, "CopyToVertices", status);
}

Mesh* makeCopyAlongPath(graph::ObjectStore& store, Mesh& source, scene::VectorValue& path, std::int32_t count,
                        std::int32_t mode, float) {
    Mesh* result = store.make<Mesh>();
    const Status status = copyAlongPath(source, path, count, mode, *result);
    return status.ok() ? result : reject(store, "CopyAlongPath", status);
}

Mesh* makeMergeMeshes(graph::ObjectStore& store, const graph::PointerArray& meshes) {
    graph::PointerArray typed;
    graph::copyObjectList<Mesh>(&meshes, typed);
    std::vector<const Mesh*> list;
    for (std::int32_t i = 0; i < typed.count(); ++i) list.push_back(typed.valueAt<Mesh*>(i));
    Mesh* result = store.make<Mesh>();
    const Status status = mergeMeshes(list, *result);
    return status.ok() ? result : reject(store, "MergeMeshes", status);
}

}  // namespace mesh
