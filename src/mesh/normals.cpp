// Face normals, smooth vertex normals and tangent frames.
#include "mesh/normals.h"

#include <algorithm>

namespace mesh {

namespace {

using math::vecAdd;
using math::vecScale;
using math::vecSub;

void zeroed(MeshArray<Vec4>& array, std::int32_t count) {
    array.resize(count);
    std::fill(array.data(), array.data() + count, Vec4{});
}

// Tangent and binormal of one face, unnormalised; both divide by the mapping's determinant.
void faceFrame(const Vec4& e1, const Vec4& e2, const Vec4 t[3], Vec4& tangent, Vec4& binormal) {
    const float du1 = t[1].x - t[0].x, dv1 = t[1].y - t[0].y;
    const float du2 = t[2].x - t[0].x, dv2 = t[2].y - t[0].y;
    const float r = 1.0f / (du1 * dv2 - dv1 * du2);
    tangent = vecScale(vecSub(vecScale(e1, dv2), vecScale(e2, dv1)), r);
    binormal = vecScale(vecSub(vecScale(e1, du2), vecScale(e2, du1)), r);
}

// The texture coordinates of a face's corners with the face's seam repeats added.
void cornerTexCoords(const Mesh& mesh, std::int32_t f, const Face& face, Vec4 t[3]) {
    const bool present = mesh.texCoords.count() >= mesh.vertexCount() && mesh.texCoords.data() != nullptr;
    for (int j = 0; j < 3; ++j) t[j] = present ? mesh.texCoords[face.corner[j]] : Vec4{};
    if (mesh.faceUvOffsets.count() > f) {
        const FaceUvOffset& o = mesh.faceUvOffsets[f];
        t[1].x += static_cast<float>(o.du1);
        t[1].y += static_cast<float>(o.dv1);
        t[2].x += static_cast<float>(o.du2);
        t[2].y += static_cast<float>(o.dv2);
    }
}

// Removes from v its part along the unit normal n, then makes it a unit direction.
void orthonormalise(Vec4& v, const Vec4& n) {
    v = vecSub(v, vecScale(n, math::vecDot3(n, v)));
    v.w = 0.0f;
    math::vecNormalize3(v);
}

}  // namespace

Status computeNormals(Mesh& mesh, VertexNormals vertexNormals, TangentFrame tangentFrame) {
    const bool smooth = vertexNormals == VertexNormals::Yes;
    const bool frame = tangentFrame == TangentFrame::Yes;
    const bool readable = mesh.faces.lockForRead() && mesh.positions.lockForRead() &&
                          mesh.faceUvOffsets.inMemory() && mesh.texCoords.inMemory();
    if (!readable || !facesInRange(mesh)) {
        mesh.faces.unlock();
        mesh.positions.unlock();
        return Status::refused(readable ? "a face names a vertex the mesh does not have"
                                        : "the mesh's faces or positions cannot be read");
    }
    const std::int32_t vertexCount = mesh.vertexCount();
    const std::int32_t faceCount = mesh.faceCount();
    if (smooth) {
        zeroed(mesh.normals, vertexCount);
        if (frame) {
            zeroed(mesh.tangents, vertexCount);
            zeroed(mesh.binormals, vertexCount);
        }
    }
    mesh.faceNormals.resize(faceCount);
    if (frame) {
        mesh.faceTangents.resize(faceCount);
        mesh.faceBinormals.resize(faceCount);
    }
    for (std::int32_t f = 0; f < faceCount; ++f) {
        const Face face = mesh.faces[f];
        const Vec4& p0 = mesh.positions[face.corner[0]];
        const Vec4 e1 = vecSub(mesh.positions[face.corner[1]], p0);
        const Vec4 e2 = vecSub(mesh.positions[face.corner[2]], p0);
        Vec4 normal = math::vecCross(e1, e2);
        math::vecNormalize3(normal);
        mesh.faceNormals[f] = normal;
        if (frame) {
            Vec4 t[3];
            cornerTexCoords(mesh, f, face, t);
            Vec4 tangent, binormal;
            faceFrame(e1, e2, t, tangent, binormal);
            if (smooth) {
                for (std::int32_t corner : face.corner) {
                    mesh.tangents[corner] = vecAdd(mesh.tangents[corner], tangent);
                    mesh.binormals[corner] = vecAdd(mesh.binormals[corner], binormal);
                }
            }
            math::vecNormalize3(tangent);
            math::vecNormalize3(binormal);
            mesh.faceTangents[f] = tangent;
            mesh.faceBinormals[f] = binormal;
        }
        if (smooth) {
            for (std::int32_t corner : face.corner) mesh.normals[corner] = vecAdd(mesh.normals[corner], normal);
        }
    }
    mesh.faces.unlock();
    mesh.positions.unlock();
    if (smooth) {
        for (std::int32_t v = 0; v < vertexCount; ++v) {
            math::vecNormalize3(mesh.normals[v]);
            if (frame) {
                orthonormalise(mesh.tangents[v], mesh.normals[v]);
                orthonormalise(mesh.binormals[v], mesh.normals[v]);
            }
        }
    }
    return Status::done();
}

}  // namespace mesh
