// The edge table and midpoint subdivision: edge numbering, counts, midpoints, winding, texture seams and
// the size limit.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>

#include "mesh/edge_table.h"
#include "mesh/subdivide.h"
#include "mesh_test_support.h"

namespace {

using meshtest::cube;
using meshtest::near;
using mesh::Mesh;
using mesh::Vec4;

std::pair<int, int> ordered(int a, int b) { return a < b ? std::pair{a, b} : std::pair{b, a}; }

TEST(EdgeTable, CubeHasEighteenEdgesEachOnceAndCornersNameTheirOwn) {
    auto m = cube();
    std::vector<mesh::CornerEdges> corners;
    std::vector<std::int32_t> lineEdges;
    ASSERT_TRUE(mesh::buildEdgeTable(*m, {&corners, &lineEdges, nullptr}).ok());
    ASSERT_EQ(m->edges.count(), 18);  // 12 cube edges and 6 face diagonals
    std::set<std::pair<int, int>> distinct;
    for (const auto& e : m->edges.span()) {
        EXPECT_LT(e.a, e.b);
        distinct.insert({e.a, e.b});
    }
    EXPECT_EQ(distinct.size(), 18u);
    for (std::int32_t f = 0; f < m->faceCount(); ++f) {
        for (int j = 0; j < 3; ++j) {
            const auto& edge = m->edges[corners[static_cast<std::size_t>(f)][static_cast<std::size_t>(j)]];
            const int c = m->faces[f].corner[j], b = m->faces[f].corner[(j + 1) % 3];
            EXPECT_EQ(ordered(c, b), std::make_pair(edge.a, edge.b));
        }
    }
    // The cube's lines are its edges, so they add none; the first face's edges come first.
    EXPECT_EQ(m->edges[0].a, 0);
    EXPECT_EQ(m->edges[0].b, 2);
    for (std::size_t i = 0; i < lineEdges.size(); ++i) {
        const auto& edge = m->edges[lineEdges[i]];
        EXPECT_EQ(ordered(m->lines[static_cast<std::int32_t>(i)].a, m->lines[static_cast<std::int32_t>(i)].b),
                  std::make_pair(edge.a, edge.b));
    }
}

TEST(EdgeTable, RefusesFacesThatNameMissingVertices) {
    auto m = cube();
    m->faces[3].corner[1] = 8;
    EXPECT_FALSE(mesh::buildEdgeTable(*m).ok());
    EXPECT_EQ(m->edges.count(), 0);
    EXPECT_EQ(mesh::countEdges(*m), -1);
}

TEST(Subdivide, CountsAfterOneAndTwoPasses) {
    auto m = cube();
    ASSERT_TRUE(mesh::subdivide(*m, 1).ok());
    EXPECT_EQ(m->vertexCount(), 26);
    EXPECT_EQ(m->faceCount(), 48);
    EXPECT_EQ(m->lines.count(), 24);
    ASSERT_TRUE(mesh::subdivide(*m, 1).ok());
    EXPECT_EQ(m->vertexCount(), 98);
    EXPECT_EQ(m->faceCount(), 192);
    EXPECT_EQ(m->lines.count(), 48);
    auto twice = cube();
    ASSERT_TRUE(mesh::subdivide(*twice, 2).ok());
    for (std::int32_t i = 0; i < 98; ++i) EXPECT_EQ(twice->positions[i], m->positions[i]);
}

TEST(Subdivide, NewVerticesAreMidpointsAndChildrenKeepTheParentsWinding) {
    auto parent = cube();
    auto m = cube();
    ASSERT_TRUE(mesh::subdivide(*m, 1).ok());
    for (std::int32_t i = 0; i < 8; ++i) EXPECT_EQ(m->positions[i], parent->positions[i]);
    ASSERT_TRUE(mesh::buildEdgeTable(*parent).ok());
    for (std::int32_t e = 0; e < 18; ++e) {
        const auto& edge = parent->edges[e];
        const Vec4 mid = math::vecScale(math::vecAdd(parent->positions[edge.a], parent->positions[edge.b]), 0.5f);
        EXPECT_EQ(m->positions[8 + e], mid);
        EXPECT_EQ(m->positions[8 + e].w, 1.0f);
    }
    for (std::int32_t f = 0; f < 48; ++f) {
        const Vec4 n = meshtest::rawFaceNormal(*m, f);
        const Vec4 parentNormal = meshtest::rawFaceNormal(*parent, f / 4);
        EXPECT_GT(math::vecDot3(n, parentNormal), 0.0f) << "face " << f;
        EXPECT_NEAR(math::vecLength3(n), math::vecLength3(parentNormal) / 4.0f, 1e-5f);
    }
    // Lines split at their midpoints: line 0 of the cube is (0, 1); its halves meet at (0, -1, -1).
    EXPECT_EQ(m->lines[0].a, 0);
    EXPECT_EQ(m->lines[1].b, 1);
    EXPECT_EQ(m->positions[m->lines[0].b], (Vec4{0, -1, -1, 1}));
}

TEST(Subdivide, EmptiesWeightChannelsButNotTheScratchChannel) {
    for (std::int32_t times : {0, -3, 1}) {
        auto m = cube();
        mesh::channel(*m, 2)[0] = 0.5f;
        mesh::channel(*m, 5)[0] = 0.5f;
        mesh::channel(*m, 7)[3] = 0.75f;
        ASSERT_TRUE(mesh::subdivide(*m, times).ok());
        EXPECT_EQ(m->channels[2]->count(), 0);
        EXPECT_EQ(m->channels[5]->count(), 0);
        EXPECT_EQ(m->channels[7]->count(), 12);
        EXPECT_EQ((*m->channels[7])[3], 0.75f);
        EXPECT_EQ(m->vertexCount(), times > 0 ? 26 : 8);
    }
}

TEST(Subdivide, SeamOffsetsSplitAtTheWrap) {
    Mesh m;
    for (int i = 0; i < 3; ++i) m.positions.pushBack({static_cast<float>(i), static_cast<float>(i * i), 0, 1});
    m.faces.pushBack({{0, 1, 2}});
    m.texCoords.pushBack({0.75f, 0, 0, 0});
    m.texCoords.pushBack({0.5f, 0, 0, 0});
    m.texCoords.pushBack({0.5f, 1, 0, 0});
    m.faceUvOffsets.pushBack({1, 0, 1, 0});
    ASSERT_TRUE(mesh::subdivide(m, 1).ok());
    ASSERT_EQ(m.vertexCount(), 6);
    EXPECT_TRUE(near(m.texCoords[3], {0.125f, 0, 0, 0}));
    EXPECT_TRUE(near(m.texCoords[4], {0.5f, 0.5f, 0, 0}));
    EXPECT_TRUE(near(m.texCoords[5], {0.125f, 0.5f, 0, 0}));
    const mesh::Face faces[4] = {{{0, 3, 5}}, {{1, 4, 3}}, {{2, 5, 4}}, {{3, 4, 5}}};
    const mesh::FaceUvOffset offsets[4] = {{1, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    for (std::int32_t f = 0; f < 4; ++f) {
        for (int j = 0; j < 3; ++j) EXPECT_EQ(m.faces[f].corner[j], faces[f].corner[j]);
        const auto& o = m.faceUvOffsets[f];
        EXPECT_EQ((std::array{o.du1, o.dv1, o.du2, o.dv2}),
                  (std::array{offsets[f].du1, offsets[f].dv1, offsets[f].du2, offsets[f].dv2}))
            << "face " << f;
    }
}

TEST(Subdivide, RefusesMeshesBeyondSixteenBitIndicesAndLeavesThemUnchanged) {
    auto m = cube();
    EXPECT_TRUE(mesh::checkSubdivision(*m, 6).ok());  // 24,578 vertices
    const mesh::Status refused = mesh::subdivide(*m, 7);      // 98,306 vertices
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.message().find("65536 vertices"), std::string::npos) << refused.message();
    EXPECT_EQ(m->vertexCount(), 8);
    EXPECT_FALSE(mesh::subdivide(*m, 1 << 30).ok());
    EXPECT_EQ(m->faceCount(), 12);
    // The forecast is exact for the cube: six passes reach exactly what it predicted as allowed.
    ASSERT_TRUE(mesh::subdivide(*m, 6).ok());
    EXPECT_EQ(m->vertexCount(), 24578);
}

}  // namespace
