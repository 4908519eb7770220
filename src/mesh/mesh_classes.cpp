// Argument checks of the mesh classes and the one place their refusals are reported.
#include "mesh/mesh_classes.h"

#include <cstdio>
#include <string>
#include <vector>

#include "mesh/channel_ops.h"
#include "mesh/extrude.h"
#include "mesh/replication.h"
#include "mesh/shape_modifiers.h"

namespace mesh {

namespace {

Mesh* refuse(const char* className, const std::string& why) {
    std::fprintf(stderr, "mesh: %s refused: %s\n", className, why.c_str());
    return nullptr;
}

// The mesh a modifier edits: present, and not yet consumed by an object instance.
Status checkInput(const Mesh* mesh, const char* role = "the mesh argument") {
    if (mesh == nullptr) {
        return Status::refused(std::string(role) + " is not a mesh (tag 0, another class, or a refused record)");
    }
    if (mesh->prepared()) {
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

// Runs the checks in order and then the edit; the mesh, or null with the first refusal reported.
template <typename Edit>
Mesh* modify(const char* className, Mesh* mesh, Status channels, Edit edit) {
    Status status = checkInput(mesh);
    if (status.ok()) status = std::move(channels);
    if (status.ok()) status = edit(*mesh);
    return status.ok() ? mesh : refuse(className, status.message());
}

}  // namespace

Mesh* makeCube(graph::ObjectStore& store, std::int32_t subdivisions, float halfSize) {
    Mesh* cube = store.make<Mesh>();
    const Status status = makeCubeMesh(*cube, subdivisions, halfSize);
    return status.ok() ? cube : refuse("Cube", status.message());
}

Mesh* makeSpherify(graph::ObjectStore&, Mesh* mesh, std::int32_t passes, float radius, float amount) {
    return modify("Spherify", mesh, Status::done(), [&](Mesh& m) { return spherify(m, passes, radius, amount); });
}

Mesh* makeSmooth(graph::ObjectStore&, Mesh* mesh, std::int32_t passes, float amount) {
    return modify("Smooth", mesh, Status::done(), [&](Mesh& m) { return smooth(m, passes, amount); });
}

Mesh* makeRandomScale(graph::ObjectStore&, Mesh* mesh, std::int32_t passes, std::int32_t seed, float amount,
                      float decay) {
    return modify("RandomScale", mesh, Status::done(),
                  [&](Mesh& m) { return randomScale(m, passes, seed, amount, decay); });
}

Mesh* makeChannelOp(graph::ObjectStore&, Mesh* mesh, std::int32_t destination, std::int32_t sourceA,
                    std::int32_t sourceB, std::int32_t operation, float parameter) {
    return modify("ChannelOp", mesh, checkChannels({destination, sourceA, sourceB}), [&](Mesh& m) {
        channelOp(m, destination, sourceA, sourceB, operation, parameter);
        return Status::done();
    });
}

Mesh* makeMeshCopy(graph::ObjectStore& store, Mesh* source) {
    const Status usable = checkInput(source);
    if (!usable.ok()) return refuse("MeshCopy", usable.message());
    Mesh* copy = store.make<Mesh>();
    const Status status = copyMesh(*source, *copy);
    return status.ok() ? copy : refuse("MeshCopy", status.message());
}

Mesh* makeFaceChannelFromVertices(graph::ObjectStore&, Mesh* mesh, std::int32_t destination, std::int32_t source,
                                  std::int32_t operation) {
    return modify("FaceChannelFromVertices", mesh, checkChannels({destination, source}),
                  [&](Mesh& m) { return faceChannelFromVertices(m, destination, source, operation); });
}

Mesh* makeExtrude(graph::ObjectStore&, Mesh* mesh, std::int32_t channelIndex, float distance,
                  std::int32_t stepsPerUnit) {
    return modify("Extrude", mesh, checkChannels({channelIndex}),
                  [&](Mesh& m) { return extrude(m, channelIndex, distance, stepsPerUnit); });
}

Mesh* makeScaleByChannel(graph::ObjectStore&, Mesh* mesh, std::int32_t channelIndex, float sx, float sy, float sz) {
    return modify("ScaleByChannel", mesh, checkChannels({channelIndex}), [&](Mesh& m) {
        scaleByChannel(m, channelIndex, sx, sy, sz);
        return Status::done();
    });
}

Mesh* makeCopyToVertices(graph::ObjectStore& store, Mesh* source, Mesh* target, std::int32_t mode) {
    Status status = checkInput(source, "the copied mesh (argument 1)");
    if (status.ok()) status = checkInput(target, "the target mesh (argument 2)");
    if (!status.ok()) return refuse("CopyToVertices", status.message());
    Mesh* result = store.make<Mesh>();
    status = copyToVertices(*source, *target, mode, *result);
    return status.ok() ? result : refuse("CopyToVertices", status.message());
}

Mesh* makeMergeMeshes(graph::ObjectStore& store, const graph::PointerArray* meshes) {
    graph::PointerArray typed;
    graph::copyObjectList<Mesh>(meshes, typed);
    std::vector<const Mesh*> list;
    for (std::int32_t i = 0; i < typed.count(); ++i) list.push_back(typed.valueAt<Mesh*>(i));
    Mesh* result = store.make<Mesh>();
    const Status status = mergeMeshes(list, *result);
    return status.ok() ? result : refuse("MergeMeshes", status.message());
}

}  // namespace mesh
