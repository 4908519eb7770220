// The mesh classes as the scene script reaches them: argument layouts through the main class table,
// chains that edit one mesh, and refusals that name their reason and yield null.
#include <gtest/gtest.h>

#include <string>

#include "graph/graph_builder.h"
#include "mesh/mesh_classes.h"
#include "mesh/mesh_limits.h"
#include "mesh/mesh_memory.h"
#include "shell/class_table.h"
#include "support/script_writer.h"

namespace {

using mesh::Mesh;
using shell::ClassIndex;
using testsupport::ScriptWriter;

int index(ClassIndex c) { return static_cast<int>(c); }

struct Built {
    graph::ObjectStore store;
    graph::BuildResult result;
    std::string errors;
};

// Builds the script with the main table, capturing what the constructors say on stderr.
void build(const std::vector<std::uint8_t>& script, Built& out) {
    testing::internal::CaptureStderr();
    out.result = graph::buildGraph(script, shell::mainClassTable(), nullptr, out.store);
    out.errors = testing::internal::GetCapturedStderr();
}

TEST(MeshClasses, ScriptChainEditsOneMeshAndCopiesAreSeparate) {
    // The script's own layouts: Cube (0, f), Spherify (r, i, f, f), Smooth (r, i, f), RandomScale
    // (r, i, i, f, f), ChannelOp (r, i x 4, f), FaceChannelFromVertices (r, i, 0, i), Extrude (r, i, f, i),
    // ScaleByChannel (r, 0, f, f, f), MeshCopy (r), CopyToVertices (r, r, i), MergeMeshes (L).
    const auto script = ScriptWriter()
        .record(index(ClassIndex::Cube)).zero().real(0.5f).end()                                         // 0
        .record(index(ClassIndex::Spherify)).ref(0).integer(1).real(1.0f).real(1.0f).end()               // 1
        .record(index(ClassIndex::Smooth)).ref(0).integer(0).real(0.5f).end()                            // 2
        .record(index(ClassIndex::RandomScale)).ref(0).integer(-1).integer(7).real(0.2f).real(0.5f).end()  // 3
        .record(index(ClassIndex::ChannelOp)).ref(0).integer(1).integer(0).integer(0).integer(16).real(0.3f).end()
        .record(index(ClassIndex::FaceChannelFromVertices)).ref(0).integer(4).zero().integer(9).end()    // 5
        .record(index(ClassIndex::Extrude)).ref(0).integer(4).real(0.2f).integer(1).end()                // 6
        .record(index(ClassIndex::ScaleByChannel)).ref(0).zero().real(2.0f).real(2.0f).real(2.0f).end()  // 7
        .record(index(ClassIndex::MeshCopy)).ref(0).end()                                                // 8
        .record(index(ClassIndex::Cube)).zero().real(0.05f).end()                                        // 9
        .record(index(ClassIndex::CopyToVertices)).ref(0).ref(2).integer(2).end()                        // 10
        .record(index(ClassIndex::MergeMeshes)).list({2, 0, 3}).end()                                    // 11
        .finish();
    Built built;
    build(script, built);
    ASSERT_TRUE(built.result.ok()) << built.result.error;
    EXPECT_EQ(built.errors, "");
    auto* merged = dynamic_cast<Mesh*>(built.result.root);
    ASSERT_NE(merged, nullptr);
    // The chain's one cube, subdivided once by Spherify (26 vertices, 48 faces), gets random vertex weights
    // of at least 0.25, so every face's union is at least 1 - 0.75^3 > 0.5 and every face rises by one
    // ring: 26 + 48 x 3 = 170 vertices, 48 + 48 x 6 = 336 faces. Merged: its copy, a small cube at each
    // of its vertices, and the chain mesh itself.
    EXPECT_EQ(merged->vertexCount(), 170 + 8 * 170 + 170);
    EXPECT_EQ(merged->faceCount(), 336 + 12 * 170 + 336);
}

TEST(MeshClasses, ModifiersReturnTheMeshTheyWereGiven) {
    graph::ObjectStore store;
    Mesh* cube = mesh::makeCube(store, 1, 1.0f);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(mesh::makeSpherify(store, cube, 0, 1.0f, 0.5f), cube);
    EXPECT_EQ(mesh::makeSmooth(store, cube, 0, 0.5f), cube);
    EXPECT_EQ(mesh::makeRandomScale(store, cube, 0, 1, 0.1f, 1.0f), cube);
    EXPECT_EQ(mesh::makeChannelOp(store, cube, 7, 0, 0, 3, 1.0f), cube);  // a no-op, not a refusal
    EXPECT_EQ(mesh::makeExtrude(store, cube, 0, 0.1f, 0), cube);
    EXPECT_EQ(mesh::makeScaleByChannel(store, cube, 6, 1, 1, 1), cube);
    Mesh* copy = mesh::makeMeshCopy(store, cube);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, cube);
    EXPECT_EQ(copy->vertexCount(), cube->vertexCount());
}

TEST(MeshClasses, RefusalsSayWhyAndPassNullOn) {
    const auto script = ScriptWriter()
        .record(index(ClassIndex::Cube)).integer(7).real(1.0f).end()                          // 0: too many vertices
        .record(index(ClassIndex::Spherify)).ref(0).integer(1).real(1.0f).real(1.0f).end()    // 1: no mesh
        .record(index(ClassIndex::Cube)).zero().real(1.0f).end()                              // 2
        .record(index(ClassIndex::ChannelOp)).ref(0).integer(9).integer(0).integer(0).integer(3).real(1).end()
        .record(index(ClassIndex::Extrude)).integer(5).integer(0).real(1.0f).integer(1).end()  // 4: int, not mesh
        .record(index(ClassIndex::Smooth)).ref(2).real(3.0f).real(0.5f).end()                 // 5: float as passes
        .record(index(ClassIndex::MergeMeshes)).list({3, 1}).end()                            // 6: a cube and a null
        .finish();
    Built built;
    build(script, built);
    ASSERT_TRUE(built.result.ok());
    EXPECT_EQ(built.result.root, nullptr);
    for (const char* expected : {"mesh: Cube refused: 7 subdivisions would make a mesh of 98306 vertices",
                                 "mesh: Spherify refused: the mesh argument is not a mesh",
                                 "mesh: ChannelOp refused: channel 9 does not exist",
                                 "mesh: Extrude refused: the mesh argument is not a mesh",
                                 "mesh: Smooth refused: 1077936128 subdivisions are more than the 64 allowed",
                                 "mesh: MergeMeshes refused: list entry 1 is not a mesh"}) {
        EXPECT_NE(built.errors.find(expected), std::string::npos) << expected << "\nin:\n" << built.errors;
    }
}

TEST(MeshClasses, ManyRecordsCannotExhaustMemoryTogether) {
    // Each copy of a six-times subdivided cube holds about a megabyte; the budget of all meshes stops the
    // copies long before memory runs out, and each refusal says so.
    graph::ObjectStore store;
    Mesh* big = mesh::makeCube(store, 6, 1.0f);
    ASSERT_NE(big, nullptr);
    testing::internal::CaptureStderr();
    int copies = 0;
    while (copies < 1000 && mesh::makeMeshCopy(store, big) != nullptr) ++copies;
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_GT(copies, 100);
    EXPECT_LT(copies, 300);
    EXPECT_NE(errors.find("all meshes together may hold 256 MB"), std::string::npos) << errors;
    EXPECT_LE(mesh::MeshMemory::liveBytes(), mesh::kMeshMemoryBudget);
}

TEST(MeshClasses, PreparedMeshesAreRefusedAsInputs) {
    graph::ObjectStore store;
    Mesh* cube = mesh::makeCube(store, 0, 1.0f);
    const graph::ScriptObject material;
    cube->material = &material;
    testing::internal::CaptureStderr();
    EXPECT_EQ(mesh::makeSmooth(store, cube, 0, 0.5f), nullptr);
    EXPECT_EQ(mesh::makeMeshCopy(store, cube), nullptr);
    EXPECT_EQ(mesh::makeCopyToVertices(store, mesh::makeCube(store, 0, 1.0f), cube, 0), nullptr);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("already prepared for drawing"), std::string::npos) << errors;
}

}  // namespace
