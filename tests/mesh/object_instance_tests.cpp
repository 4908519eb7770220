// The object instance against the recording device: what preparation leaves in the device buffers (flat
// against smooth, seams, the edge list, sprites kept in memory), the calls of the solid, wire and sprite
// draws, and the meshes it refuses because they could not be drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/call_lines.h"
#include "device/color.h"
#include "device/device_state.h"
#include "device/recording_resources.h"
#include "device/shared_render_state.h"
#include "device/started_device_fixture.h"
#include "mesh/mesh_classes.h"
#include "mesh/object_instance.h"
#include "mesh/replication.h"
#include "mesh_test_support.h"
#include "texture/texture_upload.h"

namespace {

using namespace device;
using namespace recording::calls;
using meshtest::near;
using mesh::IndexPair;
using mesh::Mesh;
using mesh::Vec4;
using scene::Material;

class InstanceTest : public StartedDeviceTest {
protected:
    // The meshes hold device buffers, which must go before the device.
    void TearDown() override {
        objects.reset();
        StartedDeviceTest::TearDown();
    }

    Mesh* cube(std::int32_t subdivisions = 0) { return mesh::makeCube(store, subdivisions, 1.0f); }

    // A material with the given surface and line modes; lit, opaque and without textures otherwise.
    Material* material(std::int32_t surfaceMode, std::int32_t lineMode = 0) {
        Material* m = store.make<Material>();
        m->surfaceMode = surfaceMode;
        m->lineMode = lineMode;
        m->alphaBlend = false;
        return m;
    }

    // Why the instance was refused, or "" when it was made.
    std::string refusal(Mesh& m, Material* with) {
        made = mesh::makeObjectInstance(store, m, nullptr, nullptr, *store.makeList(), with, 0);
        return made == nullptr ? store.takeRejection() : std::string();
    }
    mesh::ObjectInstance* instance(Mesh& m, Material* with) {
        EXPECT_EQ(refusal(m, with), "");
        return made;
    }

    // The elements a device buffer holds.
    template <typename T>
    std::vector<T> contents(const IUnknown* buffer) {
        const auto* vb = backend.find<recording::RecordingVertexBuffer>(buffer);
        const auto* ib = backend.find<recording::RecordingIndexBuffer>(buffer);
        const std::vector<std::byte>* bytes = vb != nullptr ? &vb->contents : ib != nullptr ? &ib->contents : nullptr;
        if (bytes == nullptr) {
            ADD_FAILURE() << "not a recorded buffer";
            return {};
        }
        std::vector<T> out(bytes->size() / sizeof(T));
        std::memcpy(out.data(), bytes->data(), out.size() * sizeof(T));
        return out;
    }
    std::string name(const IUnknown* object) { return backend.argument(object); }

    // The calls from the first one that starts with `from` on.
    std::vector<std::string> linesFrom(const std::string& from) {
        const std::vector<std::string> all = backend.lines();
        auto first = std::find_if(all.begin(), all.end(), [&](const std::string& l) { return l.rfind(from, 0) == 0; });
        return {first, all.end()};
    }

    std::string stream(UINT number, const std::string& buffer, UINT stride) {
        return on("SetStreamSource(" + recording::args(number, buffer, 0u, stride) + ")");
    }
    void appendUnboundStreams(std::vector<std::string>& lines) {
        for (UINT i = 0; i < 6; ++i) lines.push_back(stream(i, "null", 0));
    }

    std::unique_ptr<graph::ObjectStore> objects = std::make_unique<graph::ObjectStore>();
    graph::ObjectStore& store = *objects;
    mesh::ObjectInstance* made = nullptr;
};

TEST_F(InstanceTest, FlatShadingGivesEveryFaceItsOwnVerticesSmoothKeepsThemShared) {
    // Without a material of its own an instance takes the shared default, which is flat.
    const auto reference = meshtest::cube();
    Mesh* flat = cube();
    EXPECT_EQ(instance(*flat, nullptr)->material(), &scene::sharedDefaultMaterial());
    ASSERT_EQ(flat->vertexCount(), 36);
    const auto positions = contents<Vec4>(flat->positions.buffer().vertexBuffer());
    const auto normals = contents<Vec4>(flat->normals.buffer().vertexBuffer());
    const auto faces = contents<mesh::Face>(flat->faces.buffer().indexBuffer());
    ASSERT_EQ(positions.size(), 36u);
    ASSERT_EQ(faces.size(), 12u);
    for (std::int32_t f = 0; f < 12; ++f) {
        Vec4 faceNormal = meshtest::rawFaceNormal(*reference, f);
        math::vecNormalize3(faceNormal);
        for (int j = 0; j < 3; ++j) {
            const auto v = static_cast<std::size_t>(3 * f + j);
            EXPECT_EQ(faces[static_cast<std::size_t>(f)].corner[j], 3 * f + j);
            EXPECT_EQ(positions[v], reference->positions[reference->faces[f].corner[j]]) << f << " " << j;
            EXPECT_TRUE(near(normals[v], faceNormal)) << f << " " << j;
        }
    }

    Mesh* smooth = cube();
    instance(*smooth, material(1));
    ASSERT_EQ(smooth->vertexCount(), 8);
    const auto sharedFaces = contents<mesh::Face>(smooth->faces.buffer().indexBuffer());
    const auto sharedNormals = contents<Vec4>(smooth->normals.buffer().vertexBuffer());
    for (std::size_t f = 0; f < 12; ++f) {
        EXPECT_TRUE(std::equal(sharedFaces[f].corner, sharedFaces[f].corner + 3, reference->faces[f].corner));
    }
    // Corners 0 and 7 lie on one triangle of each of their three sides: their normals point along the
    // diagonal. Every normal is a unit vector pointing out of the cube.
    const float d = 1.0f / std::sqrt(3.0f);
    EXPECT_TRUE(near(sharedNormals[0], {-d, -d, -d, 0}));
    EXPECT_TRUE(near(sharedNormals[7], {d, d, d, 0}));
    for (std::size_t v = 0; v < 8; ++v) {
        EXPECT_NEAR(math::vecLength3(sharedNormals[v]), 1.0f, 1e-6f);
        EXPECT_GT(math::vecDot3(sharedNormals[v], reference->positions[static_cast<std::int32_t>(v)]), 0.5f);
    }
}

TEST_F(InstanceTest, SolidDrawsBindTheStreamsTheMaterialAsksFor) {
    // Unlit, smooth, with texture coordinates and a tangent frame: the diffuse colour through the shared
    // colour buffer, an indexed draw of the shared vertices.
    Material* unlit = material(1);
    unlit->lighting = false;
    unlit->usesTexCoords = true;
    unlit->tangentStreams = true;
    unlit->surface.Diffuse = {1.0f, 0.5f, 0.25f, 0.5f};
    Mesh* smooth = cube();
    mesh::ObjectInstance* node = instance(*smooth, unlit);
    // Texture coordinates were projected from x and y for the material that reads them.
    const auto coordinates = contents<Vec4>(smooth->texCoords.buffer().vertexBuffer());
    ASSERT_EQ(coordinates.size(), 8u);
    EXPECT_EQ(coordinates[6].x, -1.0f);
    EXPECT_EQ(coordinates[6].y, 1.0f);
    backend.clearLog();
    node->render(0.0f, scene::RenderPass::Opaque);
    const std::string colors = name(deviceState().constantColorBuffer.get());
    std::vector<std::string> expected{
        on("SetVertexDeclaration(" + name(deviceState().meshDeclaration.get()) + ")"),
        stream(0, name(smooth->positions.buffer().vertexBuffer()), 16),
        stream(1, name(smooth->texCoords.buffer().vertexBuffer()), 16),
        stream(2, "null", 0),
        colors + ".Lock(0, 0, 0x0)",
        colors + ".Unlock()",
        stream(3, colors, 0),
        stream(4, name(smooth->tangents.buffer().vertexBuffer()), 16),
        stream(5, name(smooth->binormals.buffer().vertexBuffer()), 16),
        on("SetIndices(" + name(smooth->faces.buffer().indexBuffer()) + ")"),
        on("DrawIndexedPrimitive(" + recording::args(D3DPT_TRIANGLELIST, 0, 0u, 8u, 0u, 12u) + ")"),
        on("SetIndices(null)"),
    };
    appendUnboundStreams(expected);
    expected.insert(expected.end(), {renderState(D3DRS_CULLMODE, D3DCULL_CCW), on("SetVertexShader(null)"),
                                     on("SetPixelShader(null)")});
    EXPECT_EQ(linesFrom(on("SetVertexDeclaration")), expected) << backend.transcript();
    EXPECT_EQ(contents<D3DCOLOR>(deviceState().constantColorBuffer.get()).at(0), packRGBA(1.0f, 0.5f, 0.25f, 0.5f));
    EXPECT_EQ(backend.lines().front(), renderState(D3DRS_ALPHABLENDENABLE, FALSE)) << "the material's set-up first";
    backend.clearLog();
    node->render(0.0f, scene::RenderPass::Late);
    EXPECT_TRUE(backend.lines().empty()) << "an opaque surface without lines or sprites draws once";
}

TEST_F(InstanceTest, EdgeListWireframeDrawsEveryEdgeOnce) {
    // The scene's wire look: an invisible, unlit, blended smooth surface under lines along the edge list.
    Material* wire = material(1, 2);
    wire->alphaBlend = true;
    wire->lighting = false;
    wire->lineColor = 0x80FFFFFF;
    const auto reference = meshtest::cube();
    Mesh* m = cube();
    mesh::ObjectInstance* node = instance(*m, wire);
    // The cube's twelve sides and the six diagonals that split its squares, each once, smaller index first.
    std::set<std::pair<std::int32_t, std::int32_t>> expectedEdges;
    for (const mesh::Face& face : reference->faces.span()) {
        for (int j = 0; j < 3; ++j) {
            const std::int32_t a = face.corner[j], b = face.corner[(j + 1) % 3];
            expectedEdges.insert({std::min(a, b), std::max(a, b)});
        }
    }
    ASSERT_EQ(expectedEdges.size(), 18u);
    const auto edges = contents<IndexPair>(m->edges.buffer().indexBuffer());
    ASSERT_EQ(edges.size(), 18u);
    std::set<std::pair<std::int32_t, std::int32_t>> found;
    for (const IndexPair& e : edges) {
        EXPECT_LT(e.a, e.b);
        found.insert({e.a, e.b});
    }
    EXPECT_EQ(found, expectedEdges);

    deviceState().sharedWorld = math::matTranslation(0, 0, 5);
    backend.clearLog();
    node->render(0.0f, scene::RenderPass::Late);
    const std::string colors = name(deviceState().constantColorBuffer.get());
    std::vector<std::string> expected{
        renderState(D3DRS_SHADEMODE, D3DSHADE_FLAT),
        renderState(D3DRS_LIGHTING, FALSE),
        renderState(D3DRS_COLORVERTEX, FALSE),
        renderState(D3DRS_ALPHABLENDENABLE, TRUE),
        renderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
        renderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
        renderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE),
        renderState(D3DRS_ZENABLE, D3DZB_TRUE),
        renderState(D3DRS_ZWRITEENABLE, FALSE),
        renderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
        transform("WORLD", toD3DMatrix(math::matTranslation(0, 0, 5))),
        on("SetVertexDeclaration(" + name(deviceState().meshDeclaration.get()) + ")"),
        stream(0, name(m->positions.buffer().vertexBuffer()), 16),
        stream(1, "null", 0),
        stream(2, "null", 0),
        colors + ".Lock(0, 0, 0x0)",
        colors + ".Unlock()",
        stream(3, colors, 0),
        stream(4, "null", 0),
        on("SetIndices(" + name(m->edges.buffer().indexBuffer()) + ")"),
        on("DrawIndexedPrimitive(" + recording::args(D3DPT_LINELIST, 0, 0u, 8u, 0u, 18u) + ")"),
        renderState(D3DRS_ANTIALIASEDLINEENABLE, FALSE),
        renderState(D3DRS_ALPHABLENDENABLE, FALSE),
        on("SetIndices(null)"),
    };
    appendUnboundStreams(expected);
    EXPECT_EQ(linesFrom(renderState(D3DRS_SHADEMODE, D3DSHADE_FLAT)), expected) << backend.transcript();
    EXPECT_EQ(contents<D3DCOLOR>(deviceState().constantColorBuffer.get()).at(0), 0x80FFFFFFu);
    EXPECT_EQ(backend.count("DrawIndexedPrimitive"), 2u) << "the blended surface, then the lines";

}

TEST_F(InstanceTest, FlatShadingRenumbersLinesOntoTheirVertices) {
    // A cube plus a ninth vertex that only a line reaches.
    Mesh* m = cube();
    const auto reference = meshtest::cube();
    m->positions.pushBack({0, 3, 0, 1});
    m->lines.pushBack({0, 8});
    instance(*m, material(0, 1));
    ASSERT_EQ(m->vertexCount(), 37) << "36 face corners and the line's own vertex";
    const auto positions = contents<Vec4>(m->positions.buffer().vertexBuffer());
    const auto lines = contents<IndexPair>(m->lines.buffer().indexBuffer());
    ASSERT_EQ(lines.size(), 13u);
    for (std::size_t i = 0; i < 12; ++i) {
        const IndexPair& was = reference->lines[static_cast<std::int32_t>(i)];
        EXPECT_EQ(positions.at(static_cast<std::size_t>(lines[i].a)), reference->positions[was.a]) << i;
        EXPECT_EQ(positions.at(static_cast<std::size_t>(lines[i].b)), reference->positions[was.b]) << i;
    }
    EXPECT_EQ(positions.at(static_cast<std::size_t>(lines[12].b)), (Vec4{0, 3, 0, 1}));
}

TEST_F(InstanceTest, SeamCornersGetVerticesOfTheirOwnAndTheTextureScalesApply) {
    // One face across a wrap-around seam: its second and third corners lie one repeat further in u.
    Mesh* m = store.make<Mesh>();
    for (const Vec4& p : {Vec4{0, 0, 0, 1}, Vec4{1, 0, 0, 1}, Vec4{0, 1, 0, 1}}) m->positions.pushBack(p);
    for (const Vec4& t : {Vec4{0.75f, 0, 0, 0}, Vec4{0.5f, 0, 0, 0}, Vec4{0.5f, 1, 0, 0}}) m->texCoords.pushBack(t);
    m->faces.pushBack({{0, 1, 2}});
    m->faceUvOffsets.pushBack({1, 0, 1, 0});
    m->uScale = 2.0f;
    m->vScale = 3.0f;
    Material* textured = material(1);
    textured->usesTexCoords = true;
    instance(*m, textured);
    ASSERT_EQ(m->vertexCount(), 5);
    const auto faces = contents<mesh::Face>(m->faces.buffer().indexBuffer());
    const auto positions = contents<Vec4>(m->positions.buffer().vertexBuffer());
    const auto coordinates = contents<Vec4>(m->texCoords.buffer().vertexBuffer());
    const auto normals = contents<Vec4>(m->normals.buffer().vertexBuffer());
    EXPECT_TRUE(std::equal(faces.at(0).corner, faces.at(0).corner + 3, std::vector<std::int32_t>{0, 3, 4}.begin()));
    // u, v of each vertex, with the repeats added to the split ones and then scaled by 2 and 3.
    const float expectedUv[5][2] = {{1.5f, 0}, {1, 0}, {1, 3}, {3, 0}, {3, 3}};
    for (std::size_t v = 0; v < 5; ++v) {
        EXPECT_EQ(coordinates[v].x, expectedUv[v][0]) << v;
        EXPECT_EQ(coordinates[v].y, expectedUv[v][1]) << v;
    }
    // Otherwise the split vertices are copies of corners 1 and 2.
    for (std::size_t v : {3u, 4u}) {
        EXPECT_EQ(positions[v], positions[v - 2]);
        EXPECT_EQ(normals[v], normals[v - 2]);
    }
}

TEST_F(InstanceTest, SpritesKeepPositionsInMemoryAndDrawOneSquarePerVertex) {
    const std::vector<std::uint32_t> white(16, 0xFFFFFFFF);
    texture::TextureUpload image(deviceState().device.get(), 4, 4, 4, 4, white.data());
    Mesh* m = cube();
    for (std::int32_t i = 0; i < 8; ++i) {
        mesh::channel(*m, 1)[i] = i % 2 == 0 ? 1.0f : 0.5f;
        mesh::channel(*m, 2)[i] = 0.5f;
    }
    Material* sprites = scene::makeSpriteMaterial(store, image, 0.25f, 1, 2, 1);
    backend.clearLog();
    mesh::ObjectInstance* node = instance(*m, sprites);
    EXPECT_TRUE(backend.lines().empty()) << "nothing to upload: " << backend.transcript();
    EXPECT_TRUE(m->positions.inMemory());
    node->render(0.0f, scene::RenderPass::Opaque);
    EXPECT_TRUE(backend.lines().empty()) << "no surface in the opaque pass";

    deviceState().sharedWorld = math::matTranslation(0, 0, 5);
    node->render(0.0f, scene::RenderPass::Late);
    // Blended, with the texture on stage 0 and the squares already in camera space.
    EXPECT_EQ(backend.device()->renderStates.at(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(backend.device()->textures.at(0), image.texture());
    EXPECT_EQ(backend.device()->transforms.at(D3DTS_WORLD)._43, 0.0f);
    const auto& squares = backend.device()->userPrimitives;
    ASSERT_EQ(squares.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        ASSERT_EQ(squares[i].type, D3DPT_TRIANGLEFAN);
        ASSERT_EQ(squares[i].primitiveCount, 2u);
        QuadVertex corners[4];
        std::memcpy(corners, squares[i].vertices.data(), sizeof(corners));
        const Vec4 p = m->positions[static_cast<std::int32_t>(i)];
        const float s = i % 2 == 0 ? 0.25f : 0.125f;
        const float expectedCorners[4][4] = {{-s, s, 0, 0}, {s, s, 1, 0}, {s, -s, 1, 1}, {-s, -s, 0, 1}};
        for (int k = 0; k < 4; ++k) {
            const QuadVertex& c = corners[k];
            EXPECT_TRUE(near({c.x, c.y, c.z, c.u}, {p.x + expectedCorners[k][0], p.y + expectedCorners[k][1],
                                                    p.z + 5.0f, expectedCorners[k][2]}))
                << i << " " << k;
            EXPECT_EQ(c.v, expectedCorners[k][3]);
            // White, with 0.5 x 255 = 127.5 rounded to the even 128.
            EXPECT_EQ(c.color, 0x80FFFFFFu);
        }
    }

    // Points without faces faded by a face channel: it holds no value for them, and they are transparent.
    Mesh* points = store.make<Mesh>();
    points->positions.pushBack({0, 0, 0, 1});
    points->positions.pushBack({1, 0, 0, 1});
    mesh::ObjectInstance* cloud = instance(*points, scene::makeSpriteMaterial(store, image, 0.25f, 0, 5, 1));
    backend.device()->userPrimitives.clear();
    cloud->render(0.0f, scene::RenderPass::Late);
    ASSERT_EQ(squares.size(), 2u);
    for (const auto& square : squares) {
        QuadVertex first;
        std::memcpy(&first, square.vertices.data(), sizeof(first));
        EXPECT_EQ(first.color, 0x00FFFFFFu);
    }
}

TEST_F(InstanceTest, MeshesThatCouldNotBeDrawnAreRefusedUnchanged) {
    const auto refused = [&](Mesh& m, Material* with, const std::string& reason) {
        const std::string why = refusal(m, with);
        return why.find(reason) != std::string::npos ? ::testing::AssertionSuccess()
                                                     : ::testing::AssertionFailure() << "refusal: " << why;
    };
    EXPECT_TRUE(refused(*store.make<Mesh>(), nullptr, "ObjectInstance: the mesh is empty: it has no vertices"));
    Mesh* shared = cube();
    instance(*shared, nullptr);
    EXPECT_TRUE(refused(*shared, nullptr, "already prepared for drawing by another object instance"));

    // 49,152 faces: drawn smooth they fit one call, drawn flat they would need 147,456 vertices.
    Mesh* dense = cube(6);
    EXPECT_TRUE(refused(*dense, material(0), "flat shading gives each of the 49152 faces three vertices of its own, "
                                             "147456 in all; a mesh holds at most 65536 vertices"));
    EXPECT_FALSE(dense->prepared());
    EXPECT_EQ(dense->vertexCount(), 24578);
    EXPECT_TRUE(refused(*dense, material(1, 2), "the mesh has 73728 edges; one draw call takes at most 65535"));
    Mesh* doubled = store.make<Mesh>();
    const Mesh* twice[] = {dense, dense};
    ASSERT_TRUE(mesh::mergeMeshes(twice, *doubled).ok());
    EXPECT_TRUE(refused(*doubled, material(1), "the mesh has 98304 faces; one draw call takes at most 65535"));
    EXPECT_EQ(refusal(*dense, material(1)), "") << "smooth, it is drawable";

    Mesh* noLines = cube();
    noLines->lines.clear();
    EXPECT_TRUE(refused(*noLines, material(1, 1), "draws its lines, and the mesh has none"));
    Mesh* points = store.make<Mesh>();
    points->positions.pushBack({0, 0, 0, 1});
    EXPECT_TRUE(refused(*points, material(1), "draws its faces, and the mesh has none"));
    // A full mesh whose one seam corner would take it past the vertex limit.
    Mesh* full = store.make<Mesh>();
    full->positions.resize(65536);
    full->texCoords.resize(65536);
    full->faces.pushBack({{0, 1, 2}});
    full->faceUvOffsets.pushBack({1, 0, 0, 0});
    EXPECT_TRUE(refused(*full, material(1), "splitting the texture seams gives the mesh 65537 vertices"));
    Mesh* broken = cube();
    broken->faces[3].corner[2] = 8;
    EXPECT_TRUE(refused(*broken, material(1), "names a vertex the mesh does not have"));
}

}  // namespace
