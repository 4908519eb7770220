// Mesh channels, copying, appending and transforming.
#include "mesh/mesh.h"

#include <algorithm>

#include "mesh/mesh_limits.h"

namespace mesh {

namespace {

template <typename T>
void appendAll(MeshArray<T>& target, const MeshArray<T>& source) {
    target.reserveMore(source.count());
    for (const T& element : source.span()) {
        target.pushBack(element);
    }
}

// Copies an array that may sit in a device buffer; false when its buffer cannot be mapped.
bool copyThroughLock(MeshArray<Vec4>& source, MeshArray<Vec4>& copy) {
    const bool wasInMemory = source.inMemory();
    if (!source.lockForRead()) {
        return false;
    }
    copy.assign(source);
    if (!wasInMemory) {
        source.unlock();
    }
    return true;
}

}  // namespace

bool Mesh::prepared() const {
    return material != nullptr || faces.buffer() || faceNormals.buffer() || faceTangents.buffer() ||
           faceBinormals.buffer() || positions.buffer() || texCoords.buffer() || normals.buffer() ||
           tangents.buffer() || binormals.buffer() || lines.buffer() || edges.buffer();
}

std::int32_t channelLength(const Mesh& mesh, std::int32_t index) {
    if (index >= 1 && index <= 3) {
        return mesh.vertexCount();
    }
    if (index >= 4 && index <= 6) {
        return mesh.faceCount();
    }
    return std::max(mesh.vertexCount(), mesh.faceCount());
}

MeshArray<float>& channel(Mesh& mesh, std::int32_t index) {
    if (index < 1 || index >= kChannelCount) {
        index = 0;
    }
    auto& slot = mesh.channels[static_cast<std::size_t>(index)];
    if (!slot) {
        slot = std::make_unique<MeshArray<float>>();
    }
    const std::int32_t length = channelLength(mesh, index);
    if (slot->count() < length) {
        const std::int32_t old = slot->count();
        slot->resize(length);
        std::fill(slot->data() + old, slot->data() + length, index == 0 ? 1.0f : 0.0f);
    }
    return *slot;
}

Status copyMesh(Mesh& source, Mesh& copy) {
    if (!source.faces.inMemory() || !source.faceUvOffsets.inMemory() || !source.lines.inMemory()) {
        return Status::refused("the mesh was already prepared for drawing; copy it before an object instance takes it");
    }
    const Status size = checkMeshSize({source.vertexCount(), source.faceCount(), source.lines.count()}, "a copy");
    if (!size.ok()) return size;
    if (!copyThroughLock(source.positions, copy.positions) || !copyThroughLock(source.texCoords, copy.texCoords)) {
        return Status::refused("the mesh's vertex buffers could not be read");
    }
    copy.faces.assign(source.faces);
    copy.faceUvOffsets.assign(source.faceUvOffsets);
    copy.lines.assign(source.lines);
    copy.uScale = source.uScale;
    copy.vScale = source.vScale;
    for (std::size_t i = 0; i < source.channels.size(); ++i) {
        if (source.channels[i]) {
            copy.channels[i] = std::make_unique<MeshArray<float>>();
            copy.channels[i]->assign(*source.channels[i]);
        }
    }
    return Status::done();
}

void ensureTexCoords(Mesh& mesh) {
    mesh.faceUvOffsets.resize(mesh.faceCount());
    mesh.uScale = 1.0f;
    mesh.vScale = 1.0f;
    mesh.texCoords.assign(mesh.positions);
}

void appendMesh(Mesh& target, const Mesh& source) {
    const std::int32_t base = target.vertexCount();
    const std::int32_t baseFaces = target.faceCount();
    appendAll(target.positions, source.positions);
    if (!source.texCoords.empty() || !target.texCoords.empty()) {
        target.texCoords.resize(base);
        appendAll(target.texCoords, source.texCoords);
        target.texCoords.resize(target.vertexCount());
    }
    target.faces.reserveMore(source.faceCount());
    for (const Face& face : source.faces.span()) {
        target.faces.pushBack({{face.corner[0] + base, face.corner[1] + base, face.corner[2] + base}});
    }
    if (!source.faceUvOffsets.empty() || !target.faceUvOffsets.empty()) {
        target.faceUvOffsets.resize(baseFaces);
        appendAll(target.faceUvOffsets, source.faceUvOffsets);
        target.faceUvOffsets.resize(target.faceCount());
    }
    target.lines.reserveMore(source.lines.count());
    for (const IndexPair& line : source.lines.span()) {
        target.lines.pushBack({line.a + base, line.b + base});
    }
}

Vec4 vecTimesMatrix(const Vec4& v, const math::Matrix4& m) {
    Vec4 out;
    float* result[4] = {&out.x, &out.y, &out.z, &out.w};
    for (int c = 0; c < 4; ++c) {
        *result[c] = v.x * m.at(0, c) + v.y * m.at(1, c) + v.z * m.at(2, c) + v.w * m.at(3, c);
    }
    return out;
}

bool facesInRange(const Mesh& mesh) {
    const auto vertexCount = static_cast<std::uint32_t>(mesh.vertexCount());
    return std::all_of(mesh.faces.span().begin(), mesh.faces.span().end(), [vertexCount](const Face& face) {
        return static_cast<std::uint32_t>(face.corner[0]) < vertexCount &&
               static_cast<std::uint32_t>(face.corner[1]) < vertexCount &&
               static_cast<std::uint32_t>(face.corner[2]) < vertexCount;
    });
}

void transformMesh(Mesh& mesh, const math::Matrix4& m) {
    for (Vec4& p : mesh.positions.span()) {
        p = vecTimesMatrix(p, m);
    }
}

}  // namespace mesh
