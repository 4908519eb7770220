// The mesh classes as the scene script reaches them: argument layouts through the main class table,
// chains that edit one mesh, and rejected records that stop the build with their reason.
#include <gtest/gtest.h>

#include <string>

#include "graph/graph_builder.h"
#include "mesh/mesh_classes.h"
#include "mesh/mesh_limits.h"
#include "mesh/mesh_memory.h"
#include "mesh/object_instance.h"
#include "scene/material.h"
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
};

void build(const std::vector<std::uint8_t>& script, Built& out) {
    out.result = graph::buildGraph(script, shell::mainClassTable(), nullptr, out.store);
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
    auto* merged = dynamic_cast<Mesh*>(built.result.root);
    ASSERT_NE(merged, nullptr);
    // The chain's one cube, subdivided once by Spherify (26 vertices, 48 faces), gets random vertex weights
    // of at least 0.25, so every face's union is at least 1 - 0.75^3 > 0.5 and every face rises by one
    // ring: 26 + 48 x 3 = 170 vertices, 48 + 48 x 6 = 336 faces. Merged: its copy, a small cube at each
    // of its vertices, and the chain mesh itself.
    EXPECT_EQ(merged->vertexCount(), 170 + 8 * 170 + 170);
    EXPECT_EQ(merged->faceCount(), 336 + 12 * 170 + 336);
}

TEST(MeshClasses, CopiesAlongTwoOrbitsMergedAndDrawnByAnInstance) {
    // The scene's layouts: OrbitPath (i, f, f, f), CopyAlongPath (r, r, i, i, f), ObjectInstance
    // (r, r/0, r, L, r, 0) with a spin as its animator and no material of its own.
    const auto script = ScriptWriter()
        .record(index(ClassIndex::Cube)).zero().real(0.05f).end()                                         // 0
        .record(index(ClassIndex::OrbitPath)).integer(3).real(2.0f).real(0.3f).real(7.0f).end()          // 1
        .record(index(ClassIndex::CopyAlongPath)).ref(1).ref(0).integer(49).integer(1).real(0.5f).end()  // 2
        .record(index(ClassIndex::OrbitPath)).integer(2).real(1.2f).real(0.6f).real(5.0f).end()          // 3
        .record(index(ClassIndex::CopyAlongPath)).ref(3).ref(0).integer(42).integer(2).real(0.0f).end()  // 4
        .record(index(ClassIndex::MergeMeshes)).list({2, 0}).end()                                       // 5
        .record(index(ClassIndex::SpinTransform)).zero().integer(1).real(0.5f).end()                     // 6
        .record(index(ClassIndex::ObjectInstance)).ref(1).zero().ref(0).list({}).zero().zero().end()     // 7
        .finish();
    Built built;
    build(script, built);
    ASSERT_TRUE(built.result.ok()) << built.result.error;
    auto* node = dynamic_cast<mesh::ObjectInstance*>(built.result.root);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->type(), scene::NodeType::ObjectInstance);
    EXPECT_EQ(node->material(), &scene::sharedDefaultMaterial());
    EXPECT_NE(node->animator(), nullptr);
    // 91 cubes of 12 faces, unwelded for the default flat material: three vertices per face.
    EXPECT_EQ(node->mesh().faceCount(), 91 * 12);
    EXPECT_EQ(node->mesh().vertexCount(), 3 * 91 * 12);
    EXPECT_TRUE(node->mesh().prepared());
}

TEST(MeshClasses, ModifiersReturnTheMeshTheyWereGiven) {
    graph::ObjectStore store;
    Mesh* cube = mesh::makeCube(store, 1, 1.0f);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(mesh::makeSpherify(store, *cube, 0, 1.0f, 0.5f), cube);
    EXPECT_EQ(mesh::makeSmooth(store, *cube, 0, 0.5f), cube);
    EXPECT_EQ(mesh::makeRandomScale(store, *cube, 0, 1, 0.1f, 1.0f), cube);
    EXPECT_EQ(mesh::makeChannelOp(store, *cube, 7, 0, 0, 3, 1.0f), cube);  // a no-op, not a rejection
    EXPECT_EQ(mesh::makeExtrude(store, *cube, 0, 0.1f, 0), cube);
    EXPECT_EQ(mesh::makeScaleByChannel(store, *cube, 6, 1, 1, 1), cube);
    EXPECT_EQ(store.takeRejection(), "");
    Mesh* copy = mesh::makeMeshCopy(store, *cube);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, cube);
    EXPECT_EQ(copy->vertexCount(), cube->vertexCount());
}

TEST(MeshClasses, RejectedRecordsStopTheBuildWithTheirReason) {
    const auto cube = [] { return ScriptWriter().record(index(ClassIndex::Cube)).zero().real(1.0f).end(); };
    const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
        {ScriptWriter().record(index(ClassIndex::Cube)).integer(7).real(1.0f).end().finish(),
         "record 0 (at byte 0): Cube: 7 subdivisions would make a mesh of 98306 vertices"},
        {cube().record(index(ClassIndex::ChannelOp)).ref(0).integer(9).integer(0).integer(0).integer(3).real(1).end()
             .finish(),
         "record 1 (at byte 11): ChannelOp: channel 9 does not exist"},
        {ScriptWriter().record(index(ClassIndex::Extrude)).integer(5).integer(0).real(1.0f).integer(1).end().finish(),
         "Extrude: argument 1 must be a reference to a mesh"},
        {cube().record(index(ClassIndex::Smooth)).ref(0).real(3.0f).real(0.5f).end().finish(),
         "Smooth: argument 2 must be an integer"},
        {cube().record(index(ClassIndex::Smooth)).ref(0).integer(65).real(0.5f).end().finish(),
         "Smooth: 65 subdivisions are more than the 64 allowed"},
        {cube().record(index(ClassIndex::Extrude)).ref(0).zero().real(0.1f).integer(1 << 30).end().finish(),
         "Extrude: 1073741824 steps per unit would make a mesh of"},
        {cube().record(index(ClassIndex::FaceChannelFromVertices)).ref(0).integer(4).integer(5).integer(9).end()
             .finish(),
         "FaceChannelFromVertices: source channel 5 holds one value per face"},
        {cube().record(index(ClassIndex::ConstantVector)).real(0).real(0).real(0).real(1).end()
             .record(index(ClassIndex::MergeMeshes)).list({1, 0}).end().finish(),
         "MergeMeshes: list entry 1 is not a mesh"},
        {cube().record(index(ClassIndex::OrbitPath)).integer(1).real(1).real(0).real(1).end()
             .record(index(ClassIndex::CopyAlongPath)).ref(1).ref(0).integer(1 << 30).integer(0).real(0).end().finish(),
         "record 2 (at byte 36): CopyAlongPath: 1073741824 copies would make a mesh of"},
        {cube().record(index(ClassIndex::CopyAlongPath)).ref(0).ref(0).integer(4).integer(0).real(0).end().finish(),
         "CopyAlongPath: argument 2 must be a reference to a vector value"},
        {cube().record(index(ClassIndex::OrbitPath)).integer(1).real(1).real(0).real(1).end()
             .record(index(ClassIndex::CopyAlongPath)).ref(1).ref(0).integer(0).integer(0).real(0).end()
             .record(index(ClassIndex::ObjectInstance)).ref(0).zero().zero().list({}).zero().zero().end().finish(),
         "record 3 (at byte 66): ObjectInstance: the mesh is empty"},
        {cube().record(index(ClassIndex::ObjectInstance)).ref(0).zero().zero().list({}).zero().zero().end()
             .record(index(ClassIndex::ObjectInstance)).ref(1).zero().zero().list({}).zero().zero().end().finish(),
         "record 2 (at byte 30): ObjectInstance: the mesh was already prepared"},
        {cube().record(index(ClassIndex::ObjectInstance)).ref(0).zero().zero().list({0}).zero().zero().end().finish(),
         "ObjectInstance: argument 4: entry 1 of the list is not a scene node"},
    };
    for (const auto& [script, expected] : cases) {
        Built built;
        build(script, built);
        EXPECT_NE(built.result.error.find(expected), std::string::npos) << expected << "\nin: " << built.result.error;
        EXPECT_EQ(built.result.root, nullptr);
    }
}

TEST(MeshClasses, ManyRecordsCannotExhaustMemoryTogether) {
    // Stands in for earlier records' meshes that hold all but a kilobyte of the budget: the next
    // mesh of any size is rejected, and the rejection names the budget.
    struct HeldElsewhere {
        HeldElsewhere() { mesh::MeshMemory::change(kHeld); }
        ~HeldElsewhere() { mesh::MeshMemory::change(-kHeld); }
        const std::int64_t kHeld = mesh::kMeshMemoryBudget - mesh::MeshMemory::liveBytes() - 1024;
    };
    graph::ObjectStore store;
    Mesh* small = mesh::makeCube(store, 0, 1.0f);
    const HeldElsewhere held;
    EXPECT_EQ(mesh::makeCube(store, 2, 1.0f), nullptr);
    EXPECT_NE(store.takeRejection().find("Cube: 2 subdivisions would bring the meshes in memory to 256 MB"),
              std::string::npos);
    EXPECT_EQ(mesh::makeMeshCopy(store, *small), nullptr);
    const std::string rejection = store.takeRejection();
    EXPECT_NE(rejection.find("all meshes together may hold 256 MB"), std::string::npos) << rejection;
    EXPECT_EQ(mesh::makeSmooth(store, *small, 0, 0.5f), small);  // in place, without growing: no check
}

TEST(MeshClasses, PreparedMeshesAreRejectedAsInputs) {
    graph::ObjectStore store;
    Mesh* cube = mesh::makeCube(store, 0, 1.0f);
    Mesh* other = mesh::makeCube(store, 0, 1.0f);
    const scene::Material material;
    cube->material = &material;
    EXPECT_EQ(mesh::makeSmooth(store, *cube, 0, 0.5f), nullptr);
    EXPECT_NE(store.takeRejection().find("Smooth: the mesh was already prepared for drawing"), std::string::npos);
    EXPECT_EQ(mesh::makeMeshCopy(store, *cube), nullptr);
    EXPECT_NE(store.takeRejection().find("MeshCopy: the mesh was already prepared"), std::string::npos);
    EXPECT_EQ(mesh::makeCopyToVertices(store, *other, *cube, 0), nullptr);
    EXPECT_NE(store.takeRejection().find("CopyToVertices: the target mesh was already prepared"), std::string::npos);
}

}  // namespace
