// Pictures drawn by the software device and checked by pixel values: overlays at their exact pixel
// positions, a lit and fogged object in a clip, and a frame of a small hand-written scene script with a
// camera, a light, a clip, an overlay and a clear layer under a timeline. Each PNG is kept in the build
// folder (tests/sequence/*.png) for people to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "device/color.h"
#include "graph/graph_builder.h"
#include "mesh/mesh_classes.h"
#include "mesh/object_instance.h"
#include "scene/camera.h"
#include "scene/constant_vector.h"
#include "scene/light.h"
#include "scene/material.h"
#include "scene/look_at_transform.h"
#include "sequence/scene_clip.h"
#include "sequence/screen_overlay.h"
#include "sequence/timeline.h"
#include "shell/class_table.h"
#include "soft_frame.h"
#include "support/script_writer.h"
#include "texture/texture_upload.h"

namespace {

using namespace device;
using softframe::SoftFrameTest;

// Texel (x, y) of the overlay test texture: every texel of a row differs from its neighbours.
std::uint32_t texel(int x, int y) {
    const auto red = static_cast<std::uint32_t>((x * 7) & 0xFF);
    const auto green = static_cast<std::uint32_t>((y * 13) & 0xFF);
    const auto blue = static_cast<std::uint32_t>((x >> 1) & 0xFF);
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

std::vector<std::uint32_t> patternTexels(int width, int height) {
    std::vector<std::uint32_t> texels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            texels.push_back(texel(x, y));
        }
    }
    return texels;
}

using PictureTest = SoftFrameTest;

TEST_F(PictureTest, OverlaysLandOnTheirPixels) {
    const auto wide = patternTexels(512, 128);
    const auto square = patternTexels(128, 128);
    texture::TextureUpload title(&device(), 512, 128, 512, 128, wide.data());
    texture::TextureUpload tile(&device(), 128, 128, 128, 128, square.data());
    // The title fits its texture to 512 x 128 pixels at (290, 170), running past the right edge; the tile
    // repeats its 128 x 128 texture over 256 x 128 pixels at (0, 330).
    sequence::ScreenOverlay fitted(nullptr, nullptr, &title, 0xFFFFFFFF, {290, 170, 512, 128}, true);
    sequence::ScreenOverlay repeated(nullptr, nullptr, &tile, 0xFFFFFFFF, {0, 330, 256, 128}, false);
    const headless::Frame frame = drawFrame(0xFF204060, [&] {
        fitted.render(0.0f);
        repeated.render(0.0f);
    });
    keep(frame, "overlay_positions");

    for (int y : {0, 1, 64, 127}) {
        for (int x : {0, 1, 100, 255, 509}) {
            ASSERT_EQ(rgb(frame, 290 + x, 170 + y), texel(x, y) & 0xFFFFFFu) << "title texel " << x << ", " << y;
        }
        EXPECT_EQ(rgb(frame, 289, 170 + y), 0x204060u) << "left of the title";
    }
    for (int x : {289, 290, 500, 799}) {
        EXPECT_EQ(rgb(frame, x, 169), 0x204060u) << "above the title";
        EXPECT_EQ(rgb(frame, x, 298), 0x204060u) << "below the title";
    }
    for (int y : {0, 50, 127}) {
        for (int x : {0, 3, 64, 127}) {
            ASSERT_EQ(rgb(frame, x, 330 + y), texel(x, y) & 0xFFFFFFu) << "tile texel " << x << ", " << y;
            ASSERT_EQ(rgb(frame, x + 128, 330 + y), texel(x, y) & 0xFFFFFFu) << "repeat of texel " << x << ", " << y;
        }
        EXPECT_EQ(rgb(frame, 256, 330 + y), 0x204060u);
    }
}

struct Rgb {
    float r, g, b;
};

Rgb channels(D3DCOLOR color) {
    const D3DCOLORVALUE v = unpackColor(color);
    return {v.r, v.g, v.b};
}

// The fixed-function colour of a vertex lit by one white point light that does not fade with distance:
// material ambient x (global ambient + light ambient) + material diffuse x N.L, each channel clamped.
Rgb litColor(const D3DMATERIAL9& material, D3DCOLOR globalAmbient, float nDotL) {
    const Rgb ambient = channels(globalAmbient);
    auto channel = [nDotL](float ca, float ga, float cd) { return std::min(1.0f, ca * (ga + 1.0f) + cd * nDotL); };
    return {channel(material.Ambient.r, ambient.r, material.Diffuse.r),
            channel(material.Ambient.g, ambient.g, material.Diffuse.g),
            channel(material.Ambient.b, ambient.b, material.Diffuse.b)};
}

// Linear fog: the fraction of the object's own colour left at camera depth z.
float fogKeeps(float z, float start, float end) { return std::clamp((end - z) / (end - start), 0.0f, 1.0f); }

void expectColorNear(std::uint32_t pixel, const Rgb& expected, const char* what) {
    const Rgb actual = channels(pixel);
    EXPECT_NEAR(actual.r * 255.0f, expected.r * 255.0f, 2.0f) << what;
    EXPECT_NEAR(actual.g * 255.0f, expected.g * 255.0f, 2.0f) << what;
    EXPECT_NEAR(actual.b * 255.0f, expected.b * 255.0f, 2.0f) << what;
}

Rgb mix(const Rgb& a, const Rgb& b, float aShare) {
    return {a.r * aShare + b.r * (1 - aShare), a.g * aShare + b.g * (1 - aShare), a.b * aShare + b.b * (1 - aShare)};
}

// N.L at a corner (x, y, z) of a square facing -y, for a light at (0, -10, 0).
float nDotLAt(float x, float y, float z) {
    const float lx = -x, ly = -10.0f - y, lz = -z;
    return -ly / std::sqrt(lx * lx + ly * ly + lz * lz);
}

// The focal scale of a clip's default field of view: pixels per unit of x / depth.
const float kPixelsPerUnit = 400.0f / std::tan(0.7853981852531433f / 2.0f);

constexpr D3DCOLOR kAmbient = 0xFF303030;
constexpr D3DCOLOR kFogColor = 0xFF0080E0;
constexpr float kFogStart = 10.0f;
constexpr float kFogEnd = 25.0f;

// Lit, flat, opaque, depth-tested and culled, like the scene's materials but without blending.
scene::Material* sceneMaterial(graph::ObjectStore& store) {
    const auto ambient = static_cast<std::int32_t>(0xFF202020);
    const auto diffuse = static_cast<std::int32_t>(0xFF40D0FF);
    return scene::makeSurfaceMaterial(store, ambient, diffuse, 0, 64.9f, 1.0f, 0, 1, 1, 1, 1, 0, 0, -1, 0, nullptr,
                                      nullptr, 0, 0, 0, nullptr, 0, 0, 0);
}

// A square of half edge `half` at (x, y, z) facing -y, as an object instance: a cube flattened along y. Its
// facing side is the cube's -y side, the triangles (-h, -h), (h, -h), (-h, h) and (h, -h), (h, h), (-h, h)
// in x and z; flat shading lights each by its first corner.
mesh::ObjectInstance* square(graph::ObjectStore& store, scene::Material& material, float x, float y, float z,
                             float half) {
    mesh::Mesh* cube = mesh::makeCube(store, 0, half);
    mesh::makeScaleByChannel(store, *cube, 0, 1.0f, 0.0f, 1.0f);
    auto* place = store.make<scene::StaticMatrix>(math::matTranslation(x, y, z));
    return mesh::makeObjectInstance(store, *cube, place, nullptr, *store.makeList(), &material, 0);
}

TEST_F(PictureTest, LitObjectFadesIntoTheFogWithDistance) {
    // Camera at (0, -10, 0) looking at the origin, +z up; a white light at the camera. Three squares facing
    // it at camera depths 10 (no fog), 17.5 (half fog) and 30 (beyond the fog end).
    scene::ConstantVector eye({0, -10, 0, 1});
    scene::ConstantVector origin({0, 0, 0, 1});
    scene::LookAtTransform look(eye, &origin, nullptr, 1);
    scene::Camera camera(nullptr, nullptr, &look, nullptr, 0);
    scene::StaticMatrix atEye(math::matTranslation(0, -10, 0));
    scene::Light lamp(nullptr, &atEye, nullptr, 0xFFFFFFFF, 0);
    scene::Material* material = sceneMaterial(store());
    struct Square {
        float x, y, z, half;
    };
    const Square squares[] = {{3, 0, 0, 1}, {0, 7.5f, 0, 1}, {-9, 20, 0, 2}};
    graph::PointerArray roots;
    for (scene::SceneNode* node : std::initializer_list<scene::SceneNode*>{&camera, &lamp}) {
        roots.pushValue(static_cast<graph::ScriptObject*>(node));
    }
    for (const Square& s : squares) {
        mesh::ObjectInstance* object = square(store(), *material, s.x, s.y, s.z, s.half);
        ASSERT_NE(object, nullptr) << store().takeRejection();
        roots.pushValue(static_cast<graph::ScriptObject*>(object));
    }
    sequence::SceneClip clip(roots, 0, kAmbient, {D3DFOG_LINEAR, kFogColor, kFogStart, kFogEnd});
    const headless::Frame frame = drawFrame(0xFF000000, [&] {
        clip.update(0.0f);
        clip.render(0.0f);
    });
    keep(frame, "scene_clip_lit_fog");

    const Rgb fog = channels(kFogColor);
    for (const Square& s : squares) {
        // The point (x - half / 2, y, z - half / 2) lies inside the triangle whose first corner is
        // (x - half, y, z - half). Seen from -y with +z up, +x runs to the left of the screen.
        const float depth = s.y + 10.0f;
        const int screenX = static_cast<int>(std::lround(400.0f - (s.x - s.half / 2) * kPixelsPerUnit / depth));
        const int screenY = static_cast<int>(std::lround(250.0f + (s.half / 2) * kPixelsPerUnit / depth));
        const Rgb lit = litColor(material->surface, kAmbient, nDotLAt(s.x - s.half, s.y, s.z - s.half));
        expectColorNear(rgb(frame, screenX, screenY), mix(lit, fog, fogKeeps(depth, kFogStart, kFogEnd)),
                        ("square at depth " + std::to_string(depth)).c_str());
    }
    EXPECT_EQ(rgb(frame, 690, 250), kFogColor & 0xFFFFFFu) << "beyond the fog end only the fog colour is left";
    EXPECT_EQ(rgb(frame, 250, 250), 0u) << "fog does not touch the background";
    EXPECT_EQ(rgb(frame, 400, 400), 0u);
}

TEST_F(PictureTest, HandWrittenScriptRendersItsFrame) {
    using C = shell::ClassIndex;
    auto index = [](C c) { return static_cast<std::int32_t>(c); };
    std::vector<std::uint8_t> fade;
    testsupport::appendI32LE(fade, 2);
    testsupport::appendI32LE(fade, 0);
    for (float f : {0.0f, 0.0f, 5.0f, 1.0f}) {
        testsupport::appendF32LE(fade, f);
    }
    // Clear layer (pool 0), clip (pool 1) and overlay (pool 2), all switched on at 0 in this order.
    const auto events = testsupport::EventWriter().insert(0, 0, 0).insert(0, 1, 1).insert(0, 2, 2).end().bytes();
    testsupport::ScriptWriter script;
    script.record(index(C::ConstantVector)).real(0).real(-10).real(0).real(1).end()               // 0 eye
        .record(index(C::ConstantVector)).real(0).real(0).real(0).real(1).end()                  // 1 origin
        .record(index(C::LookAtTransform)).ref(1).ref(0).zero().integer(1).end()                 // 2
        .record(index(C::Camera)).list({}).zero().ref(0).zero().zero().end()                     // 3 camera
        .record(index(C::LookAtTransform)).ref(3).zero().zero().integer(0).end()                 // 4 at the eye
        .record(index(C::Light)).list({}).zero().ref(0).integer(-1).integer(0).end()            // 5 white light
        .record(index(C::SurfaceMaterial)).integer(static_cast<std::int32_t>(0xFF202020))      // 6
        .integer(static_cast<std::int32_t>(0xFF40D0FF)).integer(0).real(64.9f).real(1.0f)
        .integer(0).integer(1).integer(1).integer(1).integer(1).integer(0).integer(0).integer(-1)
        .zero().zero().zero().zero().zero().zero().zero().zero().zero().zero().end()
        .record(index(C::Cube)).zero().real(1.0f).end()                                          // 7
        .record(index(C::ScaleByChannel)).ref(0).zero().real(1).real(0).real(1).end()            // 8 a square
        .record(index(C::StaticTranslate)).zero().real(0).real(5).real(0).end()                  // 9
        .record(index(C::ObjectInstance)).ref(1).ref(0).zero().list({}).ref(3).zero().end()     // 10
        .record(index(C::SceneClip)).list({7, 5, 0}).zero().integer(static_cast<std::int32_t>(kAmbient))
        .integer(3).integer(static_cast<std::int32_t>(kFogColor)).real(kFogStart).real(kFogEnd).end()  // 11
        .record(index(C::ScalarCurve)).integer(1).blob(fade).end()                               // 12 fade in
        .record(index(C::ScreenOverlay)).zero().ref(0).integer(300).integer(200).integer(200)    // 13
        .integer(100).zero().integer(static_cast<std::int32_t>(0xFFFF8000)).zero().end()
        .record(index(C::ClearLayer)).integer(static_cast<std::int32_t>(0xFF101010)).integer(3).end()  // 14
        .record(index(C::Timeline)).list({0, 3, 1}).blob(events).end();                          // 15
    const graph::BuildResult built = graph::buildGraph(script.finish(), shell::mainClassTable(), nullptr, store());
    ASSERT_TRUE(built.ok()) << built.error;
    auto* timeline = dynamic_cast<sequence::Timeline*>(built.root);
    ASSERT_NE(timeline, nullptr);

    // At 2.5 s the overlay has faded half in.
    const headless::Frame frame = drawFrame(0xFF000000, [&] {
        timeline->update(2.5f);
        timeline->render(2.5f);
    });
    keep(frame, "scene_script_frame");

    const Rgb background = channels(0xFF101010);
    const Rgb orange = channels(0xFFFF8000);
    const float half = 128.0f / 255.0f;  // the vertex alpha of a half fade
    const float depth = 15.0f;
    D3DMATERIAL9 surface{};
    surface.Diffuse = scene::colorValue(static_cast<std::int32_t>(0xFF40D0FF));
    surface.Ambient = scene::colorValue(static_cast<std::int32_t>(0xFF202020));
    // Every corner of the square centred on the line of sight sees the light at the same angle, so both
    // of its triangles take one colour.
    const Rgb lit = mix(litColor(surface, kAmbient, nDotLAt(1, 5, 1)), channels(kFogColor),
                        fogKeeps(depth, kFogStart, kFogEnd));
    // The square (screen centre), the overlay over the background and over the square, and the background.
    expectColorNear(rgb(frame, 400, 308), lit, "square below the overlay");
    expectColorNear(rgb(frame, 310, 250), mix(orange, background, half), "overlay over the background");
    expectColorNear(rgb(frame, 400, 250), mix(orange, lit, half), "overlay over the square");
    expectColorNear(rgb(frame, 100, 100), background, "cleared background");
    EXPECT_EQ(rgb(frame, 299, 250), rgb(frame, 100, 100)) << "left of the overlay";
}

}  // namespace
