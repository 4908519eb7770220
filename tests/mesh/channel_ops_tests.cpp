// Channel operations: the destination rules, clamping, in-place use, the seeded fill and face unions.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/channel_ops.h"
#include "mesh_test_support.h"

namespace {

using meshtest::cube;
using mesh::Mesh;

void fill(Mesh& m, std::int32_t index, float start, float step) {
    auto& c = mesh::channel(m, index);
    for (std::int32_t i = 0; i < c.count(); ++i) c[i] = start + step * static_cast<float>(i);
}

TEST(ChannelOp, ConstantAndScratchChannelsAreNeverWritten) {
    auto m = cube();
    for (std::int32_t destination : {0, 7, -2, 9}) {
        mesh::channelOp(*m, destination, 0, 0, 3, 0.25f);
    }
    for (float w : mesh::channel(*m, 0).span()) EXPECT_EQ(w, 1.0f);
    for (float w : mesh::channel(*m, 7).span()) EXPECT_EQ(w, 0.0f);
}

TEST(ChannelOp, EveryOperationClampsToTheUnitRangeAndReadsABeforeWritingInPlace) {
    auto m = cube(1);  // 26 vertices
    for (std::int32_t op = 0; op <= 17; ++op) {
        fill(*m, 1, 0.0f, 0.06f);  // 0 .. 1.5
        fill(*m, 2, 1.2f, -0.05f);
        mesh::channelOp(*m, 1, 1, 2, op, 0.7f);
        for (float w : mesh::channel(*m, 1).span()) {
            EXPECT_GE(w, 0.0f) << "operation " << op;
            EXPECT_LE(w, 1.0f) << "operation " << op;
        }
    }
    fill(*m, 1, 0.0f, 0.04f);
    mesh::channelOp(*m, 1, 1, 0, 1, 1.0f);  // 1 - A in place: each element from its own old value
    for (std::int32_t i = 0; i < 26; ++i) EXPECT_FLOAT_EQ(mesh::channel(*m, 1)[i], 1.0f - 0.04f * static_cast<float>(i));
    fill(*m, 2, 0.0f, 0.04f);
    mesh::channelOp(*m, 3, 2, 1, 8, 0.25f);  // blend: 0.75 A + 0.25 B = 0.75 x + 0.25 (1 - x)
    for (std::int32_t i = 0; i < 26; ++i) {
        const float x = 0.04f * static_cast<float>(i);
        EXPECT_NEAR(mesh::channel(*m, 3)[i], 0.75f * x + 0.25f * (1.0f - x), 1e-6f);
    }
    mesh::channelOp(*m, 3, 0, 0, 5, 0.0f);  // pow(1, 0)
    mesh::channelOp(*m, 2, 7, 0, 5, 0.0f);  // pow(0, 0) is 1
    EXPECT_EQ(mesh::channel(*m, 2)[4], 1.0f);
}

TEST(ChannelOp, RandomFillIsSeededByTheParameter) {
    auto a = cube(2);
    auto b = cube(2);
    mesh::channelOp(*a, 2, 0, 0, 16, 1.0f);
    mesh::channelOp(*b, 2, 0, 0, 16, 1.0f);
    int ones = 0;
    for (std::int32_t i = 0; i < a->vertexCount(); ++i) {
        const float w = mesh::channel(*a, 2)[i];
        EXPECT_EQ(w, mesh::channel(*b, 2)[i]);
        EXPECT_GE(w, 0.25f);
        ones += w == 1.0f ? 1 : 0;
    }
    // (r mod 192) / 192 + 0.25 reaches 1 for the top quarter of the residues.
    EXPECT_GT(ones, a->vertexCount() / 8);
    EXPECT_LT(ones, a->vertexCount() / 2);
    mesh::channelOp(*b, 2, 0, 0, 16, 2.0f);
    int same = 0;
    for (std::int32_t i = 0; i < a->vertexCount(); ++i) same += mesh::channel(*a, 2)[i] == mesh::channel(*b, 2)[i];
    EXPECT_LT(same, a->vertexCount() / 2);
}

TEST(ChannelOp, DestinationLongerThanASourceIsLeftAlone) {
    auto m = cube();  // 8 vertices, 12 faces
    mesh::channelOp(*m, 4, 1, 0, 3, 0.5f);  // 12 face weights, 8 vertex weights: refused
    for (float w : mesh::channel(*m, 4).span()) EXPECT_EQ(w, 0.0f);
    mesh::channelOp(*m, 1, 4, 7, 3, 0.5f);  // 8 from 12 and 12: written
    for (float w : mesh::channel(*m, 1).span()) EXPECT_EQ(w, 0.5f);
}

TEST(FaceChannelFromVertices, FacesTakeTheUnionOfTheirCorners) {
    auto m = cube();
    ASSERT_TRUE(mesh::faceChannelFromVertices(*m, 4, 0, 9).ok());
    for (float w : mesh::channel(*m, 4).span()) EXPECT_EQ(w, 1.0f);
    auto& v = mesh::channel(*m, 1);
    for (std::int32_t i = 0; i < 8; ++i) v[i] = 0.1f * static_cast<float>(i + 1);
    ASSERT_TRUE(mesh::faceChannelFromVertices(*m, 5, 1, 9).ok());
    for (std::int32_t f = 0; f < 12; ++f) {
        const auto& face = m->faces[f];
        const float x = v[face.corner[0]], y = v[face.corner[1]], z = v[face.corner[2]];
        EXPECT_NEAR(mesh::channel(*m, 5)[f], 1.0f - (1.0f - x) * (1.0f - y) * (1.0f - z), 1e-6f);
    }
    // Into the scratch channel the inner operation refuses, so values above 1 stay unclamped.
    for (std::int32_t i = 0; i < 8; ++i) v[i] = 2.0f;
    ASSERT_TRUE(mesh::faceChannelFromVertices(*m, 7, 1, 9).ok());
    EXPECT_EQ(mesh::channel(*m, 7)[0], 2.0f);  // 6 - 12 + 8
    EXPECT_FALSE(mesh::faceChannelFromVertices(*m, 4, 5, 9).ok());  // a face channel has no vertex values
}

}  // namespace
