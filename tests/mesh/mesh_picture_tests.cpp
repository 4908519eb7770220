// Meshes drawn by object instances in a scene clip through the software device, checked by pixel values
// against what the geometry says each pixel must show: a spherified, extruded, lit and flat-shaded object
// (each pixel's face found by casting its ray at the geometry), and a cloud of textured sprites sized and
// faded by channels. The PNGs stay in the build folder (tests/mesh/*.png) for people to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "device/color.h"
#include "mesh/mesh_classes.h"
#include "mesh/object_instance.h"
#include "scene/light.h"
#include "scene/material.h"
#include "sequence/scene_clip.h"
#include "sequence/soft_frame.h"
#include "texture/texture_upload.h"

namespace {

using namespace device;
using math::Vec4;
using mesh::Mesh;

constexpr D3DCOLOR kAmbient = 0xFF303030;
constexpr int kWidth = 800;
constexpr int kHeight = 500;

// 1 / tan(fov / 2) of a clip without camera, computed as the projection computes it.
float focal() { return 1.0f / std::tan(0.7853981852531433f / 2.0f); }

// Camera-space direction of the ray through pixel (x, y): the clip has no camera, so camera space is
// the scene's, looking along +z from the origin, the field of view horizontal.
Vec4 rayThrough(double x, double y) {
    const double scale = 400.0 * focal();
    return {static_cast<float>((x - kWidth / 2.0) / scale), static_cast<float>((kHeight / 2.0 - y) / scale), 1.0f,
            0.0f};
}

// Where a camera-space point lands on screen.
void project(const Vec4& p, double& x, double& y) {
    const double scale = 400.0 * focal();
    x = kWidth / 2.0 + p.x * scale / p.z;
    y = kHeight / 2.0 - p.y * scale / p.z;
}

struct Triangle {
    Vec4 p[3];
    Vec4 normal;  // unit, from the winding
};

// The nearest front-facing triangle the ray from the origin along dir meets (Moller-Trumbore).
std::optional<std::size_t> nearestHit(const std::vector<Triangle>& triangles, const Vec4& dir) {
    std::optional<std::size_t> best;
    double bestT = 1e30;
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const Triangle& tri = triangles[i];
        if (math::vecDot3(tri.normal, dir) >= 0.0f) continue;
        const Vec4 e1 = math::vecSub(tri.p[1], tri.p[0]);
        const Vec4 e2 = math::vecSub(tri.p[2], tri.p[0]);
        const Vec4 h = math::vecCross(dir, e2);
        const double det = math::vecDot3(e1, h);
        if (std::fabs(det) < 1e-12) continue;
        const Vec4 s = math::vecScale(tri.p[0], -1.0f);
        const double u = math::vecDot3(s, h) / det;
        const Vec4 q = math::vecCross(s, e1);
        const double v = math::vecDot3(dir, q) / det;
        const double t = math::vecDot3(e2, q) / det;
        if (u < 0 || v < 0 || u + v > 1 || t <= 0 || t >= bestT) continue;
        bestT = t;
        best = i;
    }
    return best;
}

// The geometry of a mesh as the scene sees it: every face moved by the node's world matrix.
std::vector<Triangle> worldTriangles(const Mesh& m, const math::Matrix4& world) {
    std::vector<Triangle> out;
    for (const mesh::Face& face : m.faces.span()) {
        Triangle tri;
        for (int j = 0; j < 3; ++j) tri.p[j] = mesh::vecTimesMatrix(m.positions[face.corner[j]], world);
        tri.normal = math::vecCross(math::vecSub(tri.p[1], tri.p[0]), math::vecSub(tri.p[2], tri.p[0]));
        math::vecNormalize3(tri.normal);
        out.push_back(tri);
    }
    return out;
}

// Fixed-function lighting of a flat-shaded triangle under one white point light at the origin that does
// not fade: every pixel takes the colour of the first corner, material ambient x (global ambient + the
// light's ambient) + material diffuse x N.L, each channel clamped.
std::uint32_t litFlatColor(const D3DMATERIAL9& material, const Triangle& tri) {
    Vec4 toLight = math::vecScale(tri.p[0], -1.0f);
    toLight.w = 0.0f;
    math::vecNormalize3(toLight);
    const float nDotL = std::max(0.0f, math::vecDot3(tri.normal, toLight));
    const D3DCOLORVALUE global = unpackColor(kAmbient);
    const auto channel = [&](float ambient, float globalAmbient, float diffuse) {
        return std::min(1.0f, ambient * (globalAmbient + 1.0f) + diffuse * nDotL);
    };
    return packRGB(channel(material.Ambient.r, global.r, material.Diffuse.r),
                   channel(material.Ambient.g, global.g, material.Diffuse.g),
                   channel(material.Ambient.b, global.b, material.Diffuse.b)) &
           0xFFFFFFu;
}

::testing::AssertionResult colorNear(std::uint32_t actual, std::uint32_t expected, int tolerance) {
    for (int shift : {16, 8, 0}) {
        const int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            return ::testing::AssertionFailure() << std::hex << actual << " is not within " << std::dec << tolerance
                                                 << " of " << std::hex << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

class MeshPictureTest : public softframe::SoftFrameTest {
protected:
    graph::PointerArray& roots(std::initializer_list<scene::SceneNode*> nodes) {
        graph::PointerArray* list = store().makeList();
        for (scene::SceneNode* node : nodes) list->pushValue(static_cast<graph::ScriptObject*>(node));
        return *list;
    }
    // One frame of a clip without camera (the origin looking along +z) with a white light at the origin.
    headless::Frame drawClip(scene::SceneNode& object, D3DCOLOR background) {
        scene::Light* lamp = store().make<scene::Light>(nullptr, nullptr, nullptr, 0xFFFFFFFF, 0);
        sequence::SceneClip clip(roots({lamp, &object}), 0, kAmbient, {});
        return drawFrame(background, [&] {
            clip.update(0.0f);
            clip.render(0.0f);
        });
    }
    mesh::ObjectInstance* instance(Mesh& m, const math::Matrix4& world, scene::Material& material) {
        auto* place = store().make<scene::StaticMatrix>(world);
        mesh::ObjectInstance* made =
            mesh::makeObjectInstance(store(), m, place, nullptr, *store().makeList(), &material, 0);
        EXPECT_NE(made, nullptr) << store().takeRejection();
        return made;
    }
};

TEST_F(MeshPictureTest, SpherifiedExtrudedLitObjectShowsEachFaceLitByItsNormal) {
    // A sphere of 192 faces, about two thirds of them raised by one ring, seen tilted, six units away.
    graph::ObjectStore& s = store();
    Mesh* m = mesh::makeCube(s, 0, 1.0f);
    ASSERT_NE(mesh::makeSpherify(s, *m, 2, 1.0f, 1.0f), nullptr);
    ASSERT_NE(mesh::makeChannelOp(s, *m, 4, 0, 0, 16, 0.7f), nullptr);
    ASSERT_NE(mesh::makeExtrude(s, *m, 4, 0.3f, 1), nullptr);
    const Mesh* geometry = mesh::makeMeshCopy(s, *m);
    ASSERT_NE(geometry, nullptr);
    ASSERT_GT(geometry->faceCount(), 192 * 3) << "most faces rose";
    const math::Matrix4 world = math::matMultiply(
        math::matMultiply(math::matRotation(0, 0.6f), math::matRotation(1, 0.8f)), math::matTranslation(0, 0, 6));
    const auto ambient = static_cast<std::int32_t>(0xFF202020);
    const auto diffuse = static_cast<std::int32_t>(0xFF40D0FF);
    // Lit, flat, opaque, depth-tested and written, culled; no specular colour.
    scene::Material* material = scene::makeSurfaceMaterial(s, ambient, diffuse, 0, 64.9f, 1.0f, 0, 1, 1, 1, 1, 0, 0,
                                                           -1, 0, nullptr, nullptr, 0, 0, 0, nullptr, 0, 0, 0);
    mesh::ObjectInstance* node = instance(*m, world, *material);
    ASSERT_NE(node, nullptr);
    const headless::Frame frame = drawClip(*node, 0xFF181818);
    keep(frame, "mesh_lit_extruded");

    // Every pixel of a grid whose ray and the rays 2 px around it meet the same face shows that face's
    // lit colour; where none of them meets the object, the background shows.
    const std::vector<Triangle> triangles = worldTriangles(*geometry, world);
    int onFaces = 0, onBackground = 0;
    std::vector<std::uint32_t> faceColors;
    for (int y = 10; y < 490; y += 8) {
        for (int x = 100; x < 700; x += 8) {
            std::optional<std::size_t> hits[5];
            const int offsets[5][2] = {{0, 0}, {-2, 0}, {2, 0}, {0, -2}, {0, 2}};
            for (int k = 0; k < 5; ++k) {
                hits[k] = nearestHit(triangles, rayThrough(x + offsets[k][0], y + offsets[k][1]));
            }
            const bool same = std::all_of(hits, hits + 5, [&](const auto& h) { return h == hits[0]; });
            if (!same) continue;
            if (!hits[0]) {
                ASSERT_EQ(rgb(frame, x, y), 0x181818u) << "background at " << x << ", " << y;
                ++onBackground;
                continue;
            }
            const std::uint32_t expected = litFlatColor(material->surface, triangles[*hits[0]]);
            ASSERT_TRUE(colorNear(rgb(frame, x, y), expected, 2)) << "face " << *hits[0] << " at " << x << ", " << y;
            ++onFaces;
            faceColors.push_back(expected);
        }
    }
    EXPECT_GT(onFaces, 1000);
    EXPECT_GT(onBackground, 1000);
    std::sort(faceColors.begin(), faceColors.end());
    EXPECT_GT(std::unique(faceColors.begin(), faceColors.end()) - faceColors.begin(), 40)
        << "faces turned every way show many shades";
}

// A 32 x 32 white sprite whose alpha draws a solid disc in the middle and a ring at the rim.
std::vector<std::uint32_t> ringTexels() {
    std::vector<std::uint32_t> texels;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const double r = std::hypot(x + 0.5 - 16.0, y + 0.5 - 16.0) / 16.0;
            const bool opaque = r < 0.3 || (r > 0.65 && r < 0.95);
            texels.push_back(opaque ? 0xFFFFFFFFu : 0x00FFFFFFu);
        }
    }
    return texels;
}

TEST_F(MeshPictureTest, SpriteCloudSquaresAreSizedAndFadedByChannels) {
    graph::ObjectStore& s = store();
    // 98 points on a sphere of radius 1.5; random sizes in channel 1, alpha 0.5 everywhere in channel 2.
    Mesh* m = mesh::makeCube(s, 2, 1.0f);
    ASSERT_NE(mesh::makeSpherify(s, *m, 0, 1.5f, 1.0f), nullptr);
    ASSERT_NE(mesh::makeChannelOp(s, *m, 1, 0, 0, 16, 0.3f), nullptr);
    ASSERT_NE(mesh::makeChannelOp(s, *m, 2, 0, 0, 3, 0.5f), nullptr);
    const std::vector<std::uint32_t> texels = ringTexels();
    auto* ring = s.make<texture::TextureUpload>(&device(), 32, 32, 32, 32, texels.data());
    constexpr float kSize = 0.14f;
    scene::Material* sprites = scene::makeSpriteMaterial(s, *ring, kSize, 1, 2, 1);
    const math::Matrix4 world = math::matMultiply(math::matRotation(1, 0.35f), math::matTranslation(0, 0, 7));
    mesh::ObjectInstance* node = instance(*m, world, *sprites);
    ASSERT_NE(node, nullptr);
    constexpr D3DCOLOR kBackground = 0xFF102040;
    const headless::Frame frame = drawClip(*node, kBackground);
    keep(frame, "mesh_sprite_cloud");

    // Where each square lands: its centre and half edge in pixels.
    struct Square {
        double x, y, half;
    };
    std::vector<Square> squares;
    const mesh::MeshArray<float>& sizes = *node->mesh().channels[1];
    for (std::int32_t i = 0; i < node->mesh().vertexCount(); ++i) {
        const Vec4 c = mesh::vecTimesMatrix(node->mesh().positions[i], world);
        Square sq{};
        project(c, sq.x, sq.y);
        sq.half = kSize * sizes[i] * 400.0 * focal() / c.z;
        squares.push_back(sq);
    }
    // White at alpha 128 over the background, where the texture is opaque.
    const auto blended = [](std::uint32_t background) {
        const float a = 128.0f / 255.0f;
        const D3DCOLORVALUE b = unpackColor(background);
        return packRGB(a + b.r * (1 - a), a + b.g * (1 - a), a + b.b * (1 - a)) & 0xFFFFFFu;
    };
    // A square near another or near the frame's edge is left out.
    const auto crowded = [&](std::size_t i) {
        const Square& sq = squares[i];
        if (sq.x - sq.half < 4 || sq.y - sq.half < 4 || sq.x + sq.half > kWidth - 4 || sq.y + sq.half > kHeight - 4) {
            return true;
        }
        for (std::size_t j = 0; j < squares.size(); ++j) {
            const double reach = squares[i].half + squares[j].half + 3.0;
            if (j != i && std::fabs(squares[i].x - squares[j].x) < reach &&
                std::fabs(squares[i].y - squares[j].y) < reach) {
                return true;
            }
        }
        return false;
    };
    int checked = 0, sized = 0;
    for (std::size_t i = 0; i < squares.size(); ++i) {
        if (crowded(i)) continue;
        const Square& sq = squares[i];
        const int cx = static_cast<int>(std::lround(sq.x)), cy = static_cast<int>(std::lround(sq.y));
        EXPECT_TRUE(colorNear(rgb(frame, cx, cy), blended(kBackground), 2)) << "centre of sprite " << i;
        EXPECT_EQ(rgb(frame, static_cast<int>(sq.x + sq.half + 2.5), cy), kBackground & 0xFFFFFFu) << "right of " << i;
        EXPECT_EQ(rgb(frame, cx, static_cast<int>(sq.y - sq.half - 2.5)), kBackground & 0xFFFFFFu) << "above " << i;
        ++checked;
        if (sq.half >= 10.0) {
            // The ring at 0.8 of the half edge, the clear gap at 0.5: the square has its channel's size.
            EXPECT_TRUE(colorNear(rgb(frame, static_cast<int>(std::lround(sq.x + 0.8 * sq.half)), cy),
                                  blended(kBackground), 12))
                << "ring of sprite " << i;
            EXPECT_TRUE(colorNear(rgb(frame, static_cast<int>(std::lround(sq.x - 0.48 * sq.half)), cy),
                                  kBackground & 0xFFFFFFu, 12))
                << "gap of sprite " << i;
            ++sized;
        }
    }
    EXPECT_GE(checked, 12);
    EXPECT_GE(sized, 4);
    EXPECT_EQ(rgb(frame, 5, 5), kBackground & 0xFFFFFFu);
}

}  // namespace
