// Face normals, smooth vertex normals and tangent frames.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/normals.h"
#include "mesh_test_support.h"

namespace {

using meshtest::cube;
using meshtest::near;
using mesh::Mesh;
using mesh::TangentFrame;
using mesh::Vec4;
using mesh::VertexNormals;

Vec4 unit(float x, float y, float z) {
    Vec4 v{x, y, z, 0};
    math::vecNormalize3(v);
    return v;
}

TEST(Normals, CubeFacesPointOutAndCornersAverageTheirFacesEqually) {
    auto m = cube();
    ASSERT_TRUE(mesh::computeNormals(*m, VertexNormals::Yes, TangentFrame::No).ok());
    ASSERT_EQ(m->faceNormals.count(), 12);
    for (std::int32_t f = 0; f < 12; ++f) {
        const Vec4 n = m->faceNormals[f];
        EXPECT_NEAR(math::vecLength3(n), 1.0f, 1e-6f);
        EXPECT_EQ(n.w, 0.0f);
        // Axis-aligned and pointing the way the face's centre lies from the cube's centre.
        EXPECT_NEAR(math::vecDot3(n, meshtest::faceCentre(*m, f)), 1.0f, 1e-6f) << "face " << f;
    }
    // Vertex 0 touches one face of each of three sides; vertex 1 two faces on -z and -y, one on +x.
    EXPECT_TRUE(near(m->normals[0], unit(-1, -1, -1)));
    EXPECT_TRUE(near(m->normals[1], unit(1, -2, -2)));
    EXPECT_TRUE(near(m->normals[7], unit(1, 1, 1)));
}

TEST(Normals, SubdividedSphereNormalsPointAwayFromTheCentre) {
    auto m = cube(3);
    for (Vec4& p : m->positions.span()) {
        Vec4 d{p.x, p.y, p.z, 0};
        math::vecNormalize3(d);
        p = {2 * d.x, 2 * d.y, 2 * d.z, 1};
    }
    ASSERT_TRUE(mesh::computeNormals(*m, VertexNormals::Yes, TangentFrame::No).ok());
    for (std::int32_t v = 0; v < m->vertexCount(); ++v) {
        const Vec4& p = m->positions[v];
        EXPECT_GT(math::vecDot3(m->normals[v], unit(p.x, p.y, p.z)), 0.995f) << "vertex " << v;
        EXPECT_NEAR(math::vecLength3(m->normals[v]), 1.0f, 1e-6f);
    }
}

TEST(Normals, TangentFrameFollowsTheTextureAxes) {
    // A flat square in z = 0 mapped with u = x, v = y: the tangent runs along +x; the binormal formula
    // (E1 du2 - E2 du1) r points along -y; both stay orthogonal to the normal, -z for this winding.
    Mesh m;
    m.positions.pushBack({0, 0, 0, 1});
    m.positions.pushBack({0, 1, 0, 1});
    m.positions.pushBack({1, 0, 0, 1});
    m.positions.pushBack({1, 1, 0, 1});
    m.faces.pushBack({{0, 1, 2}});
    m.faces.pushBack({{2, 1, 3}});
    mesh::ensureTexCoords(m);
    m.texCoords[3].x = 1.5f;  // skews one face's mapping; the vertex frame must still come out orthonormal
    ASSERT_TRUE(mesh::computeNormals(m, VertexNormals::Yes, TangentFrame::Yes).ok());
    EXPECT_TRUE(near(m.faceNormals[0], {0, 0, -1, 0}));
    EXPECT_TRUE(near(m.faceTangents[0], {1, 0, 0, 0}));
    EXPECT_TRUE(near(m.faceBinormals[0], {0, -1, 0, 0}));
    for (std::int32_t v = 0; v < 4; ++v) {
        EXPECT_NEAR(math::vecDot3(m.tangents[v], m.normals[v]), 0.0f, 1e-6f);
        EXPECT_NEAR(math::vecDot3(m.binormals[v], m.normals[v]), 0.0f, 1e-6f);
        EXPECT_NEAR(math::vecLength3(m.tangents[v]), 1.0f, 1e-6f);
        EXPECT_GT(m.tangents[v].x, 0.5f);
        EXPECT_LT(m.binormals[v].y, -0.5f);
    }
    EXPECT_TRUE(near(m.tangents[0], {1, 0, 0, 0}));  // only face 0 touches vertex 0
}

TEST(Normals, SeamOffsetsEnterTheTangentFrame) {
    // The third corner shares the first corner's u one texture repeat later: with its +1 offset the face
    // spans u 0.1..1.1 and the tangent runs along +x; without it the mapping would be degenerate.
    Mesh m;
    m.positions.pushBack({0, 0, 0, 1});
    m.positions.pushBack({0, 1, 0, 1});
    m.positions.pushBack({1, 0, 0, 1});
    m.faces.pushBack({{0, 1, 2}});
    m.texCoords.pushBack({0.1f, 0, 0, 0});
    m.texCoords.pushBack({0.1f, 1, 0, 0});
    m.texCoords.pushBack({0.1f, 0, 0, 0});
    m.faceUvOffsets.pushBack({0, 0, 1, 0});
    ASSERT_TRUE(mesh::computeNormals(m, VertexNormals::No, TangentFrame::Yes).ok());
    EXPECT_TRUE(near(m.faceTangents[0], {1, 0, 0, 0}));
    EXPECT_TRUE(m.normals.empty());
}

TEST(Normals, MissingTextureCoordinatesAreNotReadOutOfRange) {
    auto m = cube();
    ASSERT_TRUE(mesh::computeNormals(*m, VertexNormals::Yes, TangentFrame::Yes).ok());
    EXPECT_EQ(m->tangents.count(), 8);
    EXPECT_TRUE(near(m->normals[7], unit(1, 1, 1)));
}

}  // namespace
