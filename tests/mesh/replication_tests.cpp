// Copies on the vertices of a mesh and merging: counts, index offsets, placement frames and limits.
#include <gtest/gtest.h>

#include <array>

#include "mesh/normals.h"
#include "mesh/replication.h"
#include "mesh_test_support.h"

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
