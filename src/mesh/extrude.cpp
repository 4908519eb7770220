// Vertex and face extrusion.
#include "mesh/extrude.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "mesh/mesh_limits.h"
#include "mesh/normals.h"

namespace mesh {

namespace {

using math::vecAdd;
using math::vecScale;

// Rings of one selected face, or -1 when it is left alone; may exceed any mesh limit.
double ringCount(float weight, std::int32_t stepsPerUnit) {
    if (!(weight >= 0.5f)) return -1.0;
    const double steps = std::nearbyint(static_cast<double>((weight + 0.01f) * static_cast<float>(stepsPerUnit)));
    return steps >= 0.0 ? steps : -1.0;
}

Status checkFaceExtrusion(const Mesh& mesh, const MeshArray<float>& weights, std::int32_t stepsPerUnit) {
    MeshSize size{mesh.vertexCount(), mesh.faceCount(), mesh.lines.count()};
    for (std::int32_t i = 0; i < mesh.faceCount(); ++i) {
        const double rings = ringCount(weights[i], stepsPerUnit);
        if (rings == 0.0) {
            size.vertices += 1;
            size.faces += 2;
        } else if (rings > 0.0) {
            // Capped far above any limit, so that the sums cannot overflow before the check stops them.
            const auto count = static_cast<std::int64_t>(std::min(rings, 0x1p40));
            size.vertices += 3 * count;
            size.faces += 6 * count;
        }
        if (!size.withinLimits()) break;
    }
    return checkMeshSize(size, std::to_string(stepsPerUnit) + " steps per unit");
}

void extrudeVertices(Mesh& mesh, const MeshArray<float>& weights, float distance) {
    const Status normals = computeNormals(mesh, VertexNormals::Yes, TangentFrame::No);
    static_cast<void>(normals);  // the caller has checked the faces
    for (std::int32_t i = 0; i < mesh.vertexCount(); ++i) {
        mesh.positions[i] = vecAdd(mesh.positions[i], vecScale(vecScale(mesh.normals[i], weights[i]), distance));
    }
}

// The three-sided spike over face at the centre of its moved corners s; returns the face's new corners.
Face addSpike(Mesh& mesh, const Face& face, const Vec4 s[3], std::int32_t channelIndex, float weight) {
    const std::int32_t v = mesh.vertexCount();
    const std::int32_t g = mesh.faceCount();
    mesh.positions.pushBack(math::vecDivide(vecAdd(vecAdd(s[0], s[1]), s[2]), 3.0f));
    if (!mesh.texCoords.empty()) {
        const Vec4 t0 = mesh.texCoords[face.corner[0]], t1 = mesh.texCoords[face.corner[1]];
        const Vec4 t2 = mesh.texCoords[face.corner[2]];
        mesh.texCoords.pushBack(math::vecDivide(vecAdd(vecAdd(t0, t1), t2), 3.0f));
    }
    const std::int32_t c0 = face.corner[0], c1 = face.corner[1], c2 = face.corner[2];
    mesh.faces.pushBack({{c1, c2, v}});
    mesh.faces.pushBack({{c2, c0, v}});
    if (!mesh.faceUvOffsets.empty()) {
        mesh.faceUvOffsets.pushBack({0, 0, 0, 0});
        mesh.faceUvOffsets.pushBack({0, 0, 0, 0});
    }
    MeshArray<float>& weights = channel(mesh, channelIndex);
    weights[g] = weight;
    weights[g + 1] = weight;
    return {{c0, c1, v}};
}

// One ring of side walls from the corners of face to the moved corners s; returns the new corners.
Face addRing(Mesh& mesh, const Face& face, const Vec4 s[3]) {
    const std::int32_t v = mesh.vertexCount();
    for (int j = 0; j < 3; ++j) mesh.positions.pushBack(s[j]);
    if (!mesh.texCoords.empty()) {
        for (std::int32_t corner : face.corner) mesh.texCoords.pushBack(mesh.texCoords[corner]);
    }
    const std::int32_t c0 = face.corner[0], c1 = face.corner[1], c2 = face.corner[2];
    const Face sides[6] = {{{c0, v + 1, v}}, {{v + 1, c0, c1}}, {{c1, v + 2, v + 1}},
                           {{v + 2, c1, c2}}, {{c2, v, v + 2}},  {{v, c2, c0}}};
    for (const Face& side : sides) mesh.faces.pushBack(side);
    if (!mesh.faceUvOffsets.empty()) {
        for (int k = 0; k < 6; ++k) mesh.faceUvOffsets.pushBack({0, 0, 0, 0});
    }
    return {{v, v + 1, v + 2}};
}

void extrudeFaces(Mesh& mesh, std::int32_t channelIndex, float distance, std::int32_t stepsPerUnit) {
    const Status normals = computeNormals(mesh, VertexNormals::No, TangentFrame::No);
    static_cast<void>(normals);  // the caller has checked the faces
    const std::int32_t faceCount = mesh.faceCount();
    // Fetched once: rings give their faces no weights; only spikes grow the channel (addSpike).
    const MeshArray<float>& weights = channel(mesh, channelIndex);
    for (std::int32_t i = 0; i < faceCount; ++i) {
        const float weight = weights[i];
        const double rings = ringCount(weight, stepsPerUnit);
        if (rings < 0.0) continue;
        const Vec4 move = vecScale(mesh.faceNormals[i], distance);
        Face corners = mesh.faces[i];
        for (std::int64_t j = 0;; ++j) {
            const Vec4 s[3] = {vecAdd(mesh.positions[corners.corner[0]], move),
                               vecAdd(mesh.positions[corners.corner[1]], move),
                               vecAdd(mesh.positions[corners.corner[2]], move)};
            if (static_cast<double>(j) == rings) {
                if (rings == 0.0) corners = addSpike(mesh, corners, s, channelIndex, weight);
                break;
            }
            corners = addRing(mesh, corners, s);
        }
        mesh.faces[i] = corners;
    }
}

}  // namespace

Status extrude(Mesh& mesh, std::int32_t channelIndex, float distance, std::int32_t stepsPerUnit) {
    if (static_cast<std::uint32_t>(channelIndex) > 6u) return Status::done();
    if (!facesInRange(mesh)) return Status::refused("a face names a vertex the mesh does not have");
    const MeshArray<float>& weights = channel(mesh, channelIndex);
    if (channelIndex >= 1 && channelIndex <= 3) {
        extrudeVertices(mesh, weights, distance);
        return Status::done();
    }
    const Status check = checkFaceExtrusion(mesh, weights, stepsPerUnit);
    if (!check.ok()) return check;
    extrudeFaces(mesh, channelIndex, distance, stepsPerUnit);
    return Status::done();
}

}  // namespace mesh
