// The indexed triangle mesh every generator edits and every object instance draws: per-vertex and per-face
// arrays, eight weight channels, the generators' line list and the edge list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "graph/script_object.h"
#include "math/matrix4.h"
#include "math/vec4.h"
#include "mesh/mesh_array.h"
#include "mesh/status.h"

namespace scene {
struct Material;
}

namespace mesh {

using math::Vec4;

// Triangle corners as vertex indices; the face normal is (p1 - p0) x (p2 - p0).
struct Face {
    std::int32_t corner[3];
};

// Whole texture repeats added to the u and v of a face's second corner (du1, dv1) and third corner
// (du2, dv2), so that one vertex can serve the faces on both sides of a wrap-around seam.
struct FaceUvOffset {
    std::int32_t du1, dv1, du2, dv2;
};

// Two vertex indices: a line of the generators' line list, or an edge (smaller index first).
struct IndexPair {
    std::int32_t a, b;
};

static_assert(sizeof(Face) == 12 && sizeof(FaceUvOffset) == 16 && sizeof(IndexPair) == 8 && sizeof(Vec4) == 16);

constexpr int kChannelCount = 8;

class Mesh : public graph::ScriptObject {
public:
    static constexpr const char* kScriptName = "mesh";

    Mesh() = default;  // every array empty, no channel, no material, texture scales 1
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh() override = default;

    std::int32_t vertexCount() const { return positions.count(); }
    std::int32_t faceCount() const { return faces.count(); }

    // True once the mesh has been given to an object instance: its arrays are renumbered or sit in device
    // buffers, so generators and copies must not take it any more.
    bool prepared() const;

    // The material the mesh was prepared for by an object instance; null until then.
    const scene::Material* material = nullptr;
    MeshArray<Face> faces;
    MeshArray<FaceUvOffset> faceUvOffsets;  // empty, or one record per face
    MeshArray<Vec4> faceNormals;
    MeshArray<Vec4> faceTangents;
    MeshArray<Vec4> faceBinormals;
    MeshArray<Vec4> positions;  // w is 1 for every generated vertex
    MeshArray<Vec4> texCoords;  // empty, or one per vertex: u, v and two floats carried along unread
    MeshArray<Vec4> normals;
    MeshArray<Vec4> tangents;
    MeshArray<Vec4> binormals;
    // Created on demand by channel(); see there for their lengths.
    std::array<std::unique_ptr<MeshArray<float>>, kChannelCount> channels;
    MeshArray<IndexPair> lines;  // written by generators (the cube's twelve edges and their halves)
    MeshArray<IndexPair> edges;  // every undirected edge once, rebuilt by buildEdgeTable
    float uScale = 1.0f;
    float vScale = 1.0f;
};

// Channel 0 is a constant weight of 1, channels 1 to 3 hold a value per vertex, 4 to 6 a value per face,
// 7 is a scratch channel. An index outside 1..7 means channel 0. The channel is created when missing and
// grown to its length (vertex count for 1..3, face count for 4..6, the larger of the two for 0 and 7),
// new elements 1.0 in channel 0 and 0.0 elsewhere. It is never shortened.
MeshArray<float>& channel(Mesh& mesh, std::int32_t index);

// The length channel(mesh, index) grows the channel to.
std::int32_t channelLength(const Mesh& mesh, std::int32_t index);

// A new mesh with the source's positions and texture coordinates (read through a lock, so they may sit in
// device buffers), faces, face offsets, lines, texture scales and every existing channel. Normals, tangent
// frames, edges and the material are rebuilt where needed and not copied. Refused when the source's faces,
// offsets or lines are not in memory, its vertex buffers cannot be read, or all meshes together would pass
// their memory budget.
Status copyMesh(Mesh& source, Mesh& copy);

// Gives every vertex the planar texture coordinate (x, y) of its position, every face a zero seam offset,
// and both texture scales 1.
void ensureTexCoords(Mesh& mesh);

// Appends the source's positions, faces (indices moved past the target's vertices), lines, and its texture
// coordinates and face offsets. Where only one of the two meshes has texture coordinates (or face
// offsets), the other's vertices (faces) get zero ones, so that both lists keep one entry per vertex (face)
// or none. Channels, normals and edges are not carried over.
void appendMesh(Mesh& target, const Mesh& source);

// True when every face corner names one of the mesh's vertices (generators never write another).
bool facesInRange(const Mesh& mesh);

// The row vector v times m over all four columns, w included (unlike math::transformVec).
Vec4 vecTimesMatrix(const Vec4& v, const math::Matrix4& m);

// Every position p, all four components, becomes the row vector p times m: w = 1 points receive the
// translation row.
void transformMesh(Mesh& mesh, const math::Matrix4& m);

}  // namespace mesh
