// The cube and its modifiers against hand-computed positions, counts and enclosed volumes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "math/msvc_random.h"
#include "mesh/extrude.h"
#include "mesh_test_support.h"

namespace {

using meshtest::cube;
using meshtest::near;
using mesh::Mesh;
using mesh::Vec4;

// Volume enclosed by a closed mesh, positive when its faces point outwards.
float signedVolume(const Mesh& m) {
    double volume = 0.0;
    for (const auto& face : m.faces.span()) {
        const Vec4 &a = m.positions[face.corner[0]], &b = m.positions[face.corner[1]], &c = m.positions[face.corner[2]];
        volume += math::vecDot3(a, math::vecCross(b, c)) / 6.0;
    }
    return static_cast<float>(volume);
}

TEST(Cube, CornersFacesAndLines) {
    auto small = cube(0, 0.2f);
    ASSERT_EQ(small->vertexCount(), 8);
    EXPECT_EQ(small->faceCount(), 12);
    EXPECT_EQ(small->lines.count(), 12);
    EXPECT_TRUE(near(small->positions[0], {-0.2f, -0.2f, -0.2f, 1}));
    EXPECT_TRUE(near(small->positions[6], {-0.2f, 0.2f, 0.2f, 1}));
    EXPECT_NEAR(signedVolume(*small), 0.064f, 1e-6f);
    for (const auto& line : small->lines.span()) {  // every line is a cube edge of length 0.4
        EXPECT_NEAR(math::vecLength3(math::vecSub(small->positions[line.a], small->positions[line.b])), 0.4f, 1e-6f);
    }
    auto split = cube(1, 1.0f);
    EXPECT_EQ(split->vertexCount(), 26);
    EXPECT_EQ(split->faceCount(), 48);
    EXPECT_EQ(split->lines.count(), 24);
    EXPECT_EQ(split->positions[8], (Vec4{-1, 0, -1, 1}));  // edge (0, 2), the first edge met
    EXPECT_EQ(split->positions[9], (Vec4{0, 0, -1, 1}));   // diagonal (1, 2) of face (0, 2, 1)
    EXPECT_NEAR(signedVolume(*split), 8.0f, 1e-5f);
    EXPECT_TRUE(std::any_of(split->positions.span().begin(), split->positions.span().end(),
                            [](const Vec4& p) { return p == Vec4{0, -1, -1, 1}; }));
}

TEST(Spherify, NegativePassesDoNothingAndZeroPassesMoveWithoutSubdividing) {
    auto m = cube(0, 0.2f);
    const Vec4 corner = m->positions[7];
    ASSERT_TRUE(mesh::spherify(*m, -1, 3.6f, 0.6f).ok());
    EXPECT_EQ(m->positions[7], corner);
    ASSERT_TRUE(mesh::spherify(*m, 0, 3.6f, 0.6f).ok());
    ASSERT_EQ(m->vertexCount(), 8);
    const float expected = 0.4f * 0.2f + 0.6f * 3.6f / std::sqrt(3.0f);
    EXPECT_TRUE(near(m->positions[7], {expected, expected, expected, 1}));
    EXPECT_TRUE(near(m->positions[0], {-expected, -expected, -expected, 1}));
}

TEST(Spherify, FullAmountPutsEveryVertexOnTheSphereAfterItsSubdivisions) {
    auto m = cube();
    ASSERT_TRUE(mesh::spherify(*m, 2, 1.5f, 1.0f).ok());
    ASSERT_EQ(m->vertexCount(), 98);  // two subdivisions between three moves
    for (const Vec4& p : m->positions.span()) {
        EXPECT_NEAR(math::vecLength3(p), 1.5f, 1e-5f);
        EXPECT_EQ(p.w, 1.0f);
    }
}

TEST(Smooth, MovesTowardsTheFaceWeightedMeanFromTheOldPositions) {
    auto m = cube();
    ASSERT_TRUE(mesh::smooth(*m, 0, 0.5f).ok());
    ASSERT_EQ(m->vertexCount(), 8);
    // Vertex 0 lies in 3 faces: mean (3 p0 + 2 p1 + 2 p2 + 2 p4) / 9 = -5/9 on every axis.
    const float v0 = -1.0f + 0.5f * (-5.0f / 9.0f + 1.0f);
    EXPECT_TRUE(near(m->positions[0], {v0, v0, v0, 1}));
    // Vertex 1 lies in 5 faces: mean (3, -7, -7) / 15, computed from the unmoved vertex 0.
    EXPECT_TRUE(near(m->positions[1], {1.0f + 0.5f * (0.2f - 1.0f), -1.0f + 0.5f * (8.0f / 15.0f),
                                       -1.0f + 0.5f * (8.0f / 15.0f), 1}));
    auto twice = cube();
    ASSERT_TRUE(mesh::smooth(*twice, 2, 2.0f).ok());
    EXPECT_EQ(twice->vertexCount(), 98);
}

TEST(RandomScale, OneDrawPerVertexFromTheSeedAndRepeatable) {
    auto a = cube();
    auto b = cube();
    ASSERT_TRUE(mesh::randomScale(*a, -1, 4, 0.9f, 0.7f).ok());
    const int next = math::rand();
    ASSERT_TRUE(mesh::randomScale(*b, -1, 4, 0.9f, 0.7f).ok());
    ASSERT_EQ(a->vertexCount(), 8);
    math::srand(4);
    for (int i = 0; i < 8; ++i) {
        const int r = math::rand();
        EXPECT_EQ(a->positions[i], b->positions[i]);
        const float factor = 1.0f - 0.9f * static_cast<float>(r & 4095) * 0.00024420026f;
        EXPECT_NEAR(math::vecLength3(a->positions[i]), factor * std::sqrt(3.0f), 1e-5f);
        EXPECT_EQ(a->positions[i].w, 1.0f);
    }
    EXPECT_EQ(math::rand(), next);  // exactly eight draws
    auto split = cube();
    ASSERT_TRUE(mesh::randomScale(*split, 2, 4, 0.9f, 0.5f).ok());
    EXPECT_EQ(split->vertexCount(), 98);
}

TEST(ScaleByChannel, BlendsPerVertexAndIgnoresFaceChannels) {
    auto m = cube();
    mesh::scaleByChannel(*m, 5, 3, 3, 3);
    EXPECT_EQ(m->positions[7], (Vec4{1, 1, 1, 1}));
    mesh::channel(*m, 2)[7] = 0.5f;
    mesh::scaleByChannel(*m, 2, 3, 1, -1);
    EXPECT_EQ(m->positions[7], (Vec4{2, 1, 0, 1}));
    EXPECT_EQ(m->positions[6], (Vec4{-1, 1, 1, 1}));  // weight 0: unmoved
}

TEST(Extrude, OneRingPerFaceAddsAPrismUnderEveryFace) {
    auto m = cube();
    ASSERT_TRUE(mesh::extrude(*m, 0, 0.5f, 1).ok());
    EXPECT_EQ(m->vertexCount(), 8 + 12 * 3);
    EXPECT_EQ(m->faceCount(), 12 + 12 * 6);
    // Closed and facing out: the cube (8) plus twelve prisms of base 2 and height 0.5.
    EXPECT_NEAR(signedVolume(*m), 8.0f + 12.0f * 2.0f * 0.5f, 1e-4f);
    EXPECT_TRUE(near(m->positions[8], {-1, -1, -1.5f, 1}));  // face (0, 2, 1) moved along -z
}

TEST(Extrude, ZeroStepsMakeSpikesAndWeightsSelectFaces) {
    auto spikes = cube();
    ASSERT_TRUE(mesh::extrude(*spikes, 0, 0.5f, 0).ok());
    EXPECT_EQ(spikes->vertexCount(), 8 + 12);
    EXPECT_EQ(spikes->faceCount(), 12 + 24);
    EXPECT_NEAR(signedVolume(*spikes), 8.0f + 12.0f * 2.0f * 0.5f / 3.0f, 1e-4f);
    EXPECT_EQ(mesh::channel(*spikes, 0).count(), 36);

    auto some = cube();
    auto& weights = mesh::channel(*some, 4);
    weights[0] = 1.0f;   // round(1.01 x 2) = 2 rings
    weights[1] = 0.49f;  // below 0.5: untouched
    weights[2] = 0.5f;   // round(0.51 x 2) = 1 ring
    ASSERT_TRUE(mesh::extrude(*some, 4, 0.25f, 2).ok());
    EXPECT_EQ(some->vertexCount(), 8 + 3 * 3);
    EXPECT_EQ(some->faceCount(), 12 + 3 * 6);
    EXPECT_EQ(weights.count(), 12);  // rings give no weights
    EXPECT_NEAR(signedVolume(*some), 8.0f + 2.0f * 0.25f * 3.0f, 1e-4f);
}

TEST(Extrude, VertexChannelsMoveAlongVertexNormals) {
    auto m = cube();
    mesh::channel(*m, 1)[7] = 1.0f;
    ASSERT_TRUE(mesh::extrude(*m, 1, std::sqrt(3.0f), 1).ok());
    EXPECT_TRUE(near(m->positions[7], {2, 2, 2, 1}));
    EXPECT_EQ(m->positions[6], (Vec4{-1, 1, 1, 1}));
    EXPECT_EQ(m->faceCount(), 12);
}

TEST(Extrude, RefusesRingCountsBeyondTheLimits) {
    auto m = cube();
    const mesh::Status refused = mesh::extrude(*m, 0, 0.1f, 1 << 30);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.message().find("1073741824 steps per unit would make a mesh of"), 0u) << refused.message();
    EXPECT_EQ(m->vertexCount(), 8);
    EXPECT_EQ(m->faceCount(), 12);
    EXPECT_TRUE(mesh::extrude(*m, 0, 0.1f, -5).ok());  // negative steps leave every face alone
    EXPECT_EQ(m->faceCount(), 12);
}

}  // namespace
