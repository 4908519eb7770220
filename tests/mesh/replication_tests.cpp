// Copies along a path and on the vertices of a mesh, and merging: counts, index offsets, placement frames
// and limits.
#include <gtest/gtest.h>

#include <array>

#include "mesh/normals.h"
#include "mesh/replication.h"
#include "mesh_test_support.h"
#include "scene/orbit_path.h"

namespace {

using meshtest::cube;
using meshtest::near;
using mesh::Mesh;
using mesh::Vec4;

// A small arrow along local +z: tip at z = 1, so placements show where a copy's +z axis went.
std::unique_ptr<Mesh> arrow() {
    auto m = std::make_unique<Mesh>();
    m->positions.pushBack({0, 0, 0, 1});
    m->positions.pushBack({0.1f, 0, 0, 1});
    m->positions.pushBack({0, 0, 1, 1});
    m->faces.pushBack({{0, 1, 2}});
    return m;
}

Vec4 unit(const Vec4& v) {
    Vec4 d{v.x, v.y, v.z, 0};
    math::vecNormalize3(d);
    return d;
}

// A wavy orbit: radius 3 about z, rising and falling twice a turn, one turn in 4 s.
scene::OrbitPath wavyOrbit() { return scene::OrbitPath(2, 3.0f, 0.5f, 4.0f); }

TEST(CopyAlongPath, CopiesAtTheSamplesWithShiftedIndices) {
    auto source = cube(0, 0.1f);
    source->uScale = 2.0f;
    scene::OrbitPath path = wavyOrbit();
    Mesh result;
    ASSERT_TRUE(mesh::copyAlongPath(*source, path, 49, 0, result).ok());
    EXPECT_EQ(result.vertexCount(), 49 * 8);
    EXPECT_EQ(result.faceCount(), 49 * 12);
    EXPECT_EQ(result.lines.count(), 49 * 12);
    EXPECT_EQ(result.uScale, 2.0f);
    for (std::int32_t k = 0; k < 49; ++k) {
        for (std::int32_t f = 0; f < 12; ++f) {
            for (int j = 0; j < 3; ++j) {
                ASSERT_EQ(result.faces[12 * k + f].corner[j], 8 * k + source->faces[f].corner[j]) << k << " " << f;
            }
        }
        EXPECT_EQ(result.lines[12 * k + 5].b, 8 * k + source->lines[5].b);
        // Translated to the sample at k x 4 / 49 s: the copy keeps its orientation.
        const Vec4 at = path.value(static_cast<float>(k) * 4.0f / 49.0f);
        for (std::int32_t v = 0; v < 8; ++v) {
            const Vec4& p = source->positions[v];
            EXPECT_TRUE(near(result.positions[8 * k + v], {at.x + p.x, at.y + p.y, at.z + p.z, 1}, 2e-6f));
        }
    }
    // The 50th sample, where the closed path is back at its start, carries no copy: the last copy sits one
    // step before the start.
    EXPECT_FALSE(near(result.positions[8 * 48], result.positions[0], 0.1f));

    Mesh none;
    ASSERT_TRUE(mesh::copyAlongPath(*source, path, 0, 1, none).ok());
    EXPECT_EQ(none.vertexCount(), 0);
    EXPECT_EQ(none.faceCount(), 0);
    EXPECT_EQ(none.uScale, 2.0f);
}

TEST(CopyAlongPath, FrameModesTurnTheCopies) {
    scene::OrbitPath path = wavyOrbit();
    Mesh along, fromOrigin;
    ASSERT_TRUE(mesh::copyAlongPath(*arrow(), path, 7, 1, along).ok());
    ASSERT_TRUE(mesh::copyAlongPath(*arrow(), path, 7, 2, fromOrigin).ok());
    ASSERT_EQ(along.vertexCount(), 21);
    for (std::int32_t k = 0; k < 7; ++k) {
        const float t = static_cast<float>(k) * 4.0f / 7.0f;
        const Vec4 p = path.value(t);
        // Mode 1: the arrow's base on the path, its tip one unit further along the direction of travel.
        EXPECT_TRUE(near(along.positions[3 * k], p, 1e-5f));
        EXPECT_TRUE(near(math::vecSub(along.positions[3 * k + 2], p), path.direction(t), 1e-4f)) << k;
        // Mode 2: the tip points from the sample towards the origin.
        EXPECT_TRUE(near(fromOrigin.positions[3 * k], p, 1e-5f));
        EXPECT_TRUE(near(math::vecSub(fromOrigin.positions[3 * k + 2], p), unit({-p.x, -p.y, -p.z, 0}), 1e-5f));
        // Both frames are rigid: the arrow's side keeps its length and stays square to the shaft.
        for (const Mesh* copies : {&along, &fromOrigin}) {
            const Vec4 side = math::vecSub(copies->positions[3 * k + 1], copies->positions[3 * k]);
            const Vec4 shaft = math::vecSub(copies->positions[3 * k + 2], copies->positions[3 * k]);
            EXPECT_NEAR(math::vecLength3(side), 0.1f, 1e-6f);
            EXPECT_NEAR(math::vecDot3(side, shaft), 0.0f, 1e-6f);
        }
    }
}

TEST(CopyAlongPath, RefusesCountsBeyondTheLimitsBeforeSamplingThePath) {
    auto source = cube();
    scene::OrbitPath path = wavyOrbit();
    Mesh result;
    const mesh::Status refused = mesh::copyAlongPath(*source, path, 8193, 0, result);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.message().find("8193 copies would make a mesh of 65544 vertices"), 0u) << refused.message();
    EXPECT_EQ(result.vertexCount(), 0);
    // A count near the int32 limit is refused as quickly: no frame is sampled for it.
    EXPECT_FALSE(mesh::copyAlongPath(*source, path, 0x7FFFFFFF, 0, result).ok());
    ASSERT_TRUE(mesh::copyAlongPath(*source, path, 8192, 0, result).ok());
    EXPECT_EQ(result.vertexCount(), 65536);
}

TEST(CopyToVertices, OneCopyPerTargetVertexWithShiftedIndices) {
    auto source = cube(0, 0.1f);
    auto target = cube();
    Mesh result;
    ASSERT_TRUE(mesh::copyToVertices(*source, *target, 0, result).ok());
    EXPECT_EQ(result.vertexCount(), 64);
    EXPECT_EQ(result.faceCount(), 96);
    EXPECT_EQ(result.lines.count(), 96);
    for (std::int32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(result.faces[12 * k].corner[0], 8 * k + source->faces[0].corner[0]);
        // Translated: the copy's vertex 0 sits at the target vertex minus 0.1 on each axis.
        const Vec4& t = target->positions[k];
        EXPECT_TRUE(near(result.positions[8 * k], {t.x - 0.1f, t.y - 0.1f, t.z - 0.1f, 1}));
    }
    EXPECT_FALSE(result.channels[0]);
    EXPECT_TRUE(target->normals.empty());  // only mode 1 needs them
}

TEST(CopyToVertices, FrameModesAimTheCopiesLocalZ) {
    auto target = cube();
    Mesh fromOrigin, alongNormal;
    ASSERT_TRUE(mesh::copyToVertices(*arrow(), *target, 2, fromOrigin).ok());
    ASSERT_TRUE(mesh::copyToVertices(*arrow(), *target, 1, alongNormal).ok());
    ASSERT_EQ(target->normals.count(), 8);
    for (std::int32_t k = 0; k < 8; ++k) {
        const Vec4& p = target->positions[k];
        // Mode 2 looks from the vertex at the origin; mode 1 from the vertex against its normal.
        EXPECT_TRUE(near(fromOrigin.positions[3 * k], p));
        EXPECT_TRUE(near(math::vecSub(fromOrigin.positions[3 * k + 2], p), unit({-p.x, -p.y, -p.z, 0})));
        const Vec4 n = target->normals[k];
        EXPECT_TRUE(near(math::vecSub(alongNormal.positions[3 * k + 2], p), {-n.x, -n.y, -n.z, 0}));
        // The copies keep their size: the frames are orthonormal.
        EXPECT_NEAR(math::vecLength3(math::vecSub(fromOrigin.positions[3 * k + 1], p)), 0.1f, 1e-6f);
    }
}

TEST(CopyToVertices, RefusesResultsBeyondTheLimitsAndKeepsTheScales) {
    auto big = cube(5);  // 6,146 vertices
    auto target = cube(1);
    Mesh result;
    const mesh::Status refused = mesh::copyToVertices(*big, *target, 0, result);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.message().find("26 copies would make a mesh of 159796 vertices"), 0u) << refused.message();
    EXPECT_EQ(result.vertexCount(), 0);
    auto source = cube();
    source->uScale = 4.0f;
    ASSERT_TRUE(mesh::copyToVertices(*source, *target, 0, result).ok());
    EXPECT_EQ(result.uScale, 4.0f);
}

TEST(MergeMeshes, ConcatenatesInListOrder) {
    Mesh empty;
    ASSERT_TRUE(mesh::mergeMeshes({}, empty).ok());
    EXPECT_EQ(empty.vertexCount(), 0);
    EXPECT_EQ(empty.uScale, 1.0f);
    auto a = cube();
    auto b = cube(1);
    b->uScale = 3.0f;
    const std::array<const Mesh*, 3> list{a.get(), b.get(), a.get()};
    Mesh merged;
    ASSERT_TRUE(mesh::mergeMeshes(list, merged).ok());
    EXPECT_EQ(merged.vertexCount(), 8 + 26 + 8);
    EXPECT_EQ(merged.faceCount(), 12 + 48 + 12);
    EXPECT_EQ(merged.faces[60].corner[0], 34 + a->faces[0].corner[0]);
    EXPECT_EQ(merged.lines[12].a, 8 + b->lines[0].a);
    EXPECT_EQ(merged.uScale, 1.0f);
    const std::array<const Mesh*, 2> withGap{a.get(), nullptr};
    Mesh refused;
    EXPECT_FALSE(mesh::mergeMeshes(withGap, refused).ok());
    EXPECT_EQ(refused.vertexCount(), 0);
}

}  // namespace
