// Mesh storage: channel lengths and fills, copying, appending, transforming, and the move of array contents
// into the software device's buffers and back out through locks.
#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "mesh/mesh_memory.h"
#include "mesh_test_support.h"
#include "soft/soft_test_util.h"

namespace {

using meshtest::cube;
using meshtest::near;
using mesh::Mesh;
using mesh::Vec4;

TEST(MeshChannels, IndicesOutsideOneToSevenMeanTheConstantChannel) {
    auto m = cube();
    EXPECT_EQ(&mesh::channel(*m, 9), &mesh::channel(*m, 0));
    EXPECT_EQ(&mesh::channel(*m, -1), &mesh::channel(*m, 0));
    const auto& constant = mesh::channel(*m, 0);
    ASSERT_EQ(constant.count(), 12);  // 8 vertices, 12 faces: the larger
    for (float w : constant.span()) EXPECT_EQ(w, 1.0f);
    EXPECT_EQ(mesh::channel(*m, 5).count(), 12);
    EXPECT_EQ(mesh::channel(*m, 7).count(), 12);
}

TEST(MeshChannels, GrowWithZerosAndNeverShrink) {
    auto m = cube();
    auto& vertexWeights = mesh::channel(*m, 2);
    ASSERT_EQ(vertexWeights.count(), 8);
    for (int i = 0; i < 8; ++i) vertexWeights[i] = 0.5f + 0.01f * static_cast<float>(i);
    // Growing the mesh without subdivide, which would empty the channel.
    auto other = cube(1);
    mesh::appendMesh(*m, *other);  // 8 + 26 vertices
    ASSERT_EQ(mesh::channel(*m, 2).count(), 34);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(vertexWeights[i], 0.5f + 0.01f * static_cast<float>(i));
    for (int i = 8; i < 34; ++i) EXPECT_EQ(vertexWeights[i], 0.0f);
    m->positions.resize(4);  // a channel is never shortened
    EXPECT_EQ(mesh::channel(*m, 2).count(), 34);
}

TEST(MeshStorage, EnsureTexCoordsProjectsAlongZ) {
    auto m = cube(0, 0.5f);
    mesh::ensureTexCoords(*m);
    m->uScale = 3.0f;
    mesh::ensureTexCoords(*m);
    ASSERT_EQ(m->texCoords.count(), 8);
    ASSERT_EQ(m->faceUvOffsets.count(), 12);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(m->texCoords[i].x, m->positions[i].x);
        EXPECT_EQ(m->texCoords[i].y, m->positions[i].y);
    }
    for (const auto& o : m->faceUvOffsets.span()) EXPECT_EQ(o.du1 | o.dv1 | o.du2 | o.dv2, 0);
    EXPECT_EQ(m->uScale, 1.0f);
}

TEST(MeshStorage, AppendMovesIndicesPastTheTargetsVertices) {
    Mesh twoFaces;
    for (int i = 0; i < 4; ++i) twoFaces.positions.pushBack({static_cast<float>(i), 0, 0, 1});
    twoFaces.faces.pushBack({{0, 1, 2}});
    twoFaces.faces.pushBack({{2, 1, 3}});
    twoFaces.lines.pushBack({0, 3});
    Mesh empty;
    mesh::appendMesh(empty, twoFaces);
    EXPECT_EQ(empty.faces[1].corner[2], 3);
    auto target = cube();
    mesh::appendMesh(*target, twoFaces);
    ASSERT_EQ(target->faceCount(), 14);
    EXPECT_EQ(target->faces[12].corner[0], 8);
    EXPECT_EQ(target->faces[13].corner[2], 11);
    EXPECT_EQ(target->lines[12].a, 8);
    EXPECT_EQ(target->lines[12].b, 11);
    EXPECT_EQ(target->vertexCount(), 12);
}

TEST(MeshStorage, AppendKeepsTexCoordsAndOffsetsOnePerVertexAndFace) {
    // Only one side textured: the other side's entries are zero, so later passes that index texture
    // coordinates by vertex (subdivision, tangent frames) stay inside the arrays.
    auto textured = cube();
    mesh::ensureTexCoords(*textured);
    auto plain = cube();
    Mesh merged;
    mesh::appendMesh(merged, *plain);
    mesh::appendMesh(merged, *textured);
    mesh::appendMesh(merged, *plain);
    EXPECT_EQ(merged.texCoords.count(), merged.vertexCount());
    EXPECT_EQ(merged.faceUvOffsets.count(), merged.faceCount());
    EXPECT_EQ(merged.texCoords[8], textured->texCoords[0]);
    EXPECT_EQ(merged.texCoords[16], Vec4{});
}

TEST(MeshStorage, TransformUsesAllFourColumns) {
    Mesh m;
    m.positions.pushBack({1, 2, 3, 1});
    m.positions.pushBack({1, 2, 3, 0});
    math::Matrix4 t = math::matTranslation(10, 20, 30);
    t.at(0, 3) = 0.5f;  // a projective column: w' = 0.5 x + w
    mesh::transformMesh(m, t);
    EXPECT_EQ(m.positions[0], (Vec4{11, 22, 33, 1.5f}));
    EXPECT_EQ(m.positions[1], (Vec4{1, 2, 3, 0.5f}));
}

TEST(MeshStorage, CopyTakesGeometryAndChannelsButNotDerivedArrays) {
    auto source = cube(1);
    mesh::ensureTexCoords(*source);
    mesh::channel(*source, 3)[5] = 0.25f;
    source->normals.resize(source->vertexCount());
    source->uScale = 2.0f;
    Mesh copy;
    ASSERT_TRUE(mesh::copyMesh(*source, copy).ok());
    EXPECT_EQ(copy.vertexCount(), 26);
    EXPECT_EQ(copy.faceCount(), 48);
    EXPECT_EQ(copy.lines.count(), 24);
    EXPECT_EQ(copy.texCoords.count(), 26);
    EXPECT_EQ(copy.faces[47].corner[2], source->faces[47].corner[2]);
    ASSERT_TRUE(copy.channels[3]);
    EXPECT_EQ((*copy.channels[3])[5], 0.25f);
    EXPECT_FALSE(copy.channels[1]);
    EXPECT_TRUE(copy.normals.empty());
    EXPECT_EQ(copy.uScale, 2.0f);
    source->positions[0].x = 99.0f;  // a deep copy
    EXPECT_NE(copy.positions[0].x, 99.0f);
}

TEST(MeshArrayGrowth, MovedFromArraysAreEmptyAndGrowingKeepsThePushedElement) {
    mesh::MeshArray<float> a;
    for (int i = 0; i < 33; ++i) a.pushBack(static_cast<float>(i));
    mesh::MeshArray<float> b = std::move(a);
    EXPECT_EQ(b.count(), 33);
    EXPECT_EQ(b[32], 32.0f);
    EXPECT_EQ(a.count(), 0);  // NOLINT: the moved-from state is what is tested
    a.pushBack(7.0f);         // and it is usable
    EXPECT_EQ(a[0], 7.0f);
    // Pushing an element of the array itself while it grows reads it before the old block goes.
    mesh::MeshArray<Vec4> v;
    v.pushBack({1, 2, 3, 4});
    v.resize(v.capacity());
    v.pushBack(v[0]);
    EXPECT_EQ(v[v.count() - 1], (Vec4{1, 2, 3, 4}));
}

class MeshUpload : public ::testing::Test {
protected:
    softtest::CapturingRasterSink sink;
    softtest::TestDevice device{&sink};
};

TEST_F(MeshUpload, ContentsMoveIntoBuffersAndComeBackThroughLocks) {
    const std::int64_t bytesBefore = mesh::MeshMemory::liveBytes();
    auto m = cube();
    const Vec4 corner7 = m->positions[7];
    const std::int64_t bytesOfCube = mesh::MeshMemory::liveBytes() - bytesBefore;
    ASSERT_TRUE(m->positions.uploadVertices(device.get()));
    EXPECT_EQ(mesh::MeshMemory::liveBytes() - bytesBefore, bytesOfCube - 32 * 16);  // its block is gone
    ASSERT_TRUE(m->faces.uploadIndices(device.get()));
    EXPECT_EQ(m->positions.count(), 8);
    EXPECT_EQ(m->positions.data(), nullptr);
    EXPECT_NE(m->positions.buffer().vertexBuffer(), nullptr);
    EXPECT_NE(m->faces.buffer().indexBuffer(), nullptr);
    EXPECT_TRUE(m->prepared());

    ASSERT_TRUE(m->positions.lockForRead());
    ASSERT_TRUE(m->positions.lockForRead());  // repeated use is harmless
    EXPECT_EQ(m->positions[7], corner7);
    ASSERT_TRUE(m->positions.lockForWrite());
    m->positions[7].x = 5.0f;
    m->positions.unlock();
    m->positions.unlock();
    EXPECT_EQ(m->positions.data(), nullptr);
    ASSERT_TRUE(m->positions.lockForRead());
    EXPECT_EQ(m->positions[7].x, 5.0f);
    m->positions.unlock();

    ASSERT_TRUE(m->faces.lockForRead());
    EXPECT_EQ(m->faces[11].corner[2], 7);  // the 32-bit indices as written
    m->faces.unlock();
    m.reset();
    EXPECT_EQ(mesh::MeshMemory::liveBytes(), bytesBefore);
}

TEST_F(MeshUpload, RefusedUploadsKeepTheContentsInMemory) {
    auto m = cube();
    EXPECT_FALSE(m->positions.uploadVertices(nullptr));
    EXPECT_FALSE(m->normals.uploadVertices(device.get()));  // nothing to upload: the device refuses length 0
    EXPECT_NE(m->positions.data(), nullptr);
    EXPECT_FALSE(m->prepared());
    EXPECT_TRUE(m->positions.lockForRead());  // no buffer: nothing to map, memory readable
}

TEST_F(MeshUpload, CopyReadsUploadedVerticesButRefusesUploadedFaces) {
    auto m = cube();
    ASSERT_TRUE(m->positions.uploadVertices(device.get()));
    Mesh copy;
    ASSERT_TRUE(mesh::copyMesh(*m, copy).ok());
    EXPECT_EQ(copy.positions[3], (Vec4{1, 1, -1, 1}));
    EXPECT_EQ(m->positions.data(), nullptr);  // unmapped again after the copy
    ASSERT_TRUE(m->faces.uploadIndices(device.get()));
    Mesh second;
    EXPECT_FALSE(mesh::copyMesh(*m, second).ok());
}

}  // namespace
