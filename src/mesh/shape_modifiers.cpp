// Cube, spherify, smooth, random scale and scale by channel.
#include "mesh/shape_modifiers.h"

#include <algorithm>
#include <vector>

#include "math/msvc_random.h"
#include "mesh/subdivide.h"

namespace mesh {

namespace {

using math::vecAdd;
using math::vecScale;
using math::vecSub;

constexpr Face kCubeFaces[12] = {{{0, 2, 1}}, {{1, 2, 3}}, {{4, 5, 6}}, {{6, 5, 7}}, {{0, 1, 4}}, {{1, 5, 4}},
                                 {{2, 6, 3}}, {{3, 6, 7}}, {{0, 4, 2}}, {{2, 4, 6}}, {{1, 3, 5}}, {{5, 3, 7}}};
constexpr IndexPair kCubeLines[12] = {{0, 1}, {0, 2}, {3, 1}, {3, 2}, {4, 5}, {4, 6},
                                      {7, 5}, {7, 6}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// The float nearest 1/4095: random scale steps.
constexpr float kRandomStep = 0.00024420026f;

void spherifyOnce(Mesh& mesh, float radius, float amount) {
    for (Vec4& p : mesh.positions.span()) {
        Vec4 direction{p.x, p.y, p.z, 0.0f};
        math::vecNormalize3(direction);
        Vec4 onSphere = vecScale(direction, radius);
        onSphere.w = 1.0f;
        p = vecAdd(p, vecScale(vecSub(onSphere, p), amount));
    }
}

void smoothOnce(Mesh& mesh, float amount) {
    const std::int32_t vertexCount = mesh.vertexCount();
    std::vector<float> counts(static_cast<std::size_t>(vertexCount), 0.0f);
    std::vector<Vec4> sums(static_cast<std::size_t>(vertexCount));
    for (const Face& face : mesh.faces.span()) {
        const Vec4 faceSum = vecAdd(vecAdd(mesh.positions[face.corner[0]], mesh.positions[face.corner[1]]),
                                    mesh.positions[face.corner[2]]);
        for (std::int32_t corner : face.corner) {
            counts[static_cast<std::size_t>(corner)] += 3.0f;
            sums[static_cast<std::size_t>(corner)] = vecAdd(sums[static_cast<std::size_t>(corner)], faceSum);
        }
    }
    for (std::int32_t v = 0; v < vertexCount; ++v) {
        Vec4& p = mesh.positions[v];
        const Vec4 average = math::vecDivide(sums[static_cast<std::size_t>(v)], std::max(counts[static_cast<std::size_t>(v)], 1.0f));
        Vec4 move = vecSub(average, p);
        move.w = 0.0f;
        p = vecAdd(p, vecScale(move, amount));
    }
}

}  // namespace

Status makeCubeMesh(Mesh& mesh, std::int32_t subdivisions, float halfSize) {
    for (int k = 0; k < 8; ++k) {
        mesh.positions.pushBack({(k & 1) ? 1.0f : -1.0f, (k & 2) ? 1.0f : -1.0f, (k & 4) ? 1.0f : -1.0f, 1.0f});
    }
    for (const Face& face : kCubeFaces) mesh.faces.pushBack(face);
    for (const IndexPair& line : kCubeLines) mesh.lines.pushBack(line);
    scaleByChannel(mesh, 0, halfSize, halfSize, halfSize);
    return subdivide(mesh, subdivisions);
}

Status spherify(Mesh& mesh, std::int32_t passes, float radius, float amount) {
    if (passes < 0) return Status::done();
    const Status check = checkSubdivision(mesh, passes);
    if (!check.ok()) return check;
    for (std::int32_t iteration = 0; iteration <= passes; ++iteration) {
        if (iteration > 0) subdivideOnceChecked(mesh);
        spherifyOnce(mesh, radius, amount);
    }
    return Status::done();
}

Status smooth(Mesh& mesh, std::int32_t passes, float amount) {
    const Status check = checkSubdivision(mesh, passes);
    if (!check.ok()) return check;
    if (!facesInRange(mesh)) return Status::refused("a face names a vertex the mesh does not have");
    for (std::int32_t iteration = 0; iteration < std::max(passes, 1); ++iteration) {
        if (passes > 0) subdivideOnceChecked(mesh);
        smoothOnce(mesh, amount);
    }
    return Status::done();
}

Status randomScale(Mesh& mesh, std::int32_t passes, std::int32_t seed, float amount, float decay) {
    const Status check = checkSubdivision(mesh, passes);
    if (!check.ok()) return check;
    math::srand(static_cast<std::uint32_t>(seed));
    for (std::int32_t iteration = 0; iteration < std::max(passes, 1); ++iteration) {
        if (passes > 0) subdivideOnceChecked(mesh);
        for (Vec4& p : mesh.positions.span()) {
            const int r = math::rand();
            const float factor = 1.0f - amount * static_cast<float>(r & 4095) * kRandomStep;
            p = math::vecScale3(p, factor);
            p.w = 1.0f;
        }
        amount *= decay;
    }
    return Status::done();
}

void scaleByChannel(Mesh& mesh, std::int32_t channelIndex, float sx, float sy, float sz) {
    if (static_cast<std::uint32_t>(channelIndex) > 3u) return;
    const MeshArray<float>& weights = channel(mesh, channelIndex);
    for (std::int32_t i = 0; i < mesh.vertexCount(); ++i) {
        Vec4& p = mesh.positions[i];
        const Vec4 scaled{sx * p.x, sy * p.y, sz * p.z, 1.0f};
        p = vecAdd(p, vecScale(vecSub(scaled, p), weights[i]));
    }
}

}  // namespace mesh
