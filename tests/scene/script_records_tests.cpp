// The value, transform and curve classes as scene-script records: built through the class tables with the
// arguments the script passes, and refused with a message naming the class and argument when a record
// does not fit its layout or carries malformed keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "scene/constant_vector.h"
#include "scene/keyframe_curves.h"
#include "scene/look_at_transform.h"
#include "scene/matrix_values.h"
#include "scene/orbit_path.h"
#include "scene/scalar_remap.h"
#include "scene/static_matrix.h"
#include "sequence/clear_layer.h"
#include "scene_test_support.h"

namespace {

using math::Vec4;
using scenetest::classIndex;
using scenetest::ScriptBuild;
using shell::ClassIndex;
using testsupport::ScriptWriter;

ScriptWriter recordOf(ClassIndex index) {
    ScriptWriter writer;
    writer.record(classIndex(index));
    return writer;
}

TEST(ScriptRecords, ValuesAndTransformsAsTheScriptPassesThem) {
    const auto fade = scenetest::fadeKeyBlob();
    using C = ClassIndex;
    const auto script = ScriptWriter()
                            .record(classIndex(C::ConstantVector)).real(18.4f).real(50).real(18.5f).real(0).end()
                            .record(classIndex(C::ConstantVector)).real(0).real(0).real(0).real(0).end()
                            .record(classIndex(C::LookAtTransform)).ref(1).ref(0).zero().integer(1).end()
                            .record(classIndex(C::StaticTranslate)).zero().real(27.4f).real(19.5f).real(-4.2f).end()
                            .record(classIndex(C::StaticScale)).ref(0).real(3).real(3).real(3).end()
                            .record(classIndex(C::ConstantTransform)).ref(0).end()
                            .record(classIndex(C::SpinTransform)).ref(0).integer(2).real(0.5f).end()
                            .record(classIndex(C::SpinTransform)).zero().zero().real(1.0f).end()
                            .record(classIndex(C::OrbitPath)).integer(4).real(1.6f).real(-0.25f).real(10).end()
                            .record(classIndex(C::ScalarCurve)).integer(1).blob(fade).end()
                            .finish();
    ScriptBuild build(script);
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    ASSERT_EQ(build.result.records, 10);
    auto* fadeCurve = build.root<scene::ScalarCurve>();
    ASSERT_NE(fadeCurve, nullptr);
    EXPECT_FLOAT_EQ(fadeCurve->value(17.5f), 0.5f);
    EXPECT_EQ(fadeCurve->period(), 24.0f);
}

TEST(ScriptRecords, LoaderTableBuildsTheVectorCurveAndTheRemap) {
    std::vector<std::uint8_t> keys;
    testsupport::appendI32LE(keys, 1);
    testsupport::appendI32LE(keys, 0);
    for (float f : {0.0f, 1.0f, 2.0f, 3.0f}) {
        testsupport::appendF32LE(keys, f);
    }
    const auto script = ScriptWriter()
                            .record(4).blob(keys).end()
                            .record(5).zero().real(2.0f).real(0.5f).real(0.0f).end()
                            .finish();
    ScriptBuild build(script, shell::loaderClassTable());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    EXPECT_EQ(build.root<scene::ScalarRemap>()->value(3.0f), 2.5f);
}

// Builds one record after a constant vector (reference 0 names it) and returns the build's error.
std::string errorOf(const ScriptWriter& record) {
    ScriptWriter script;
    script.record(classIndex(ClassIndex::ConstantVector)).real(1).real(2).real(3).real(1).end();
    std::vector<std::uint8_t> bytes = script.bytes();
    bytes.insert(bytes.end(), record.bytes().begin(), record.bytes().end());
    testsupport::appendI32LE(bytes, -1);
    ScriptBuild build(bytes);
    EXPECT_EQ(build.result.root, nullptr);
    EXPECT_EQ(build.result.records, 1) << "the records before the refused one stay built";
    return build.result.error;
}

TEST(ScriptRecords, RefusalsNameTheClassAndTheArgument) {
    using testing::HasSubstr;
    EXPECT_THAT(errorOf(recordOf(ClassIndex::ConstantVector).real(1).real(2).real(3).end()),
                HasSubstr("ConstantVector takes 4 arguments; the record has 3"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::LookAtTransform).zero().zero().zero().integer(1).end()),
                HasSubstr("LookAtTransform: argument 1 must be a reference to a vector value; it is tag 0"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::ConstantTransform).ref(0).end()),
                HasSubstr("ConstantTransform: argument 1 must be a reference to a static matrix; it refers to an "
                          "object of another class"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::ScalarCurve).integer(1).integer(0).end()),
                HasSubstr("ScalarCurve: argument 2 must be a blob; it is an integer"));
}

TEST(ScriptRecords, MalformedKeyBlobsAreRefused) {
    using testing::HasSubstr;
    auto curveError = [](const std::vector<std::uint8_t>& blob) {
        return errorOf(recordOf(ClassIndex::ScalarCurve).integer(1).blob(blob).end());
    };
    // Five keys and a loop end take 52 bytes: one byte more or less is refused.
    std::vector<std::uint8_t> longer = scenetest::fadeKeyBlob();
    longer.push_back(0);
    EXPECT_THAT(curveError(longer), HasSubstr("the key blob is 53 bytes long, but 5 keys and a loop end take 52"));
    std::vector<std::uint8_t> shorter = scenetest::fadeKeyBlob();
    shorter.resize(48);
    EXPECT_THAT(curveError(shorter), HasSubstr("48 bytes long"));
    // A count that claims more keys than the bytes hold, and one that would wrap a 32-bit size.
    std::vector<std::uint8_t> claims = scenetest::scalarKeyBlob({{0, 1}});
    claims[0] = 200;
    EXPECT_THAT(curveError(claims), HasSubstr("200 keys take 1608"));
    std::vector<std::uint8_t> wraps = scenetest::scalarKeyBlob({{0, 1}});
    wraps[3] = 0x20;  // 8 + 0x20000001 keys x 8 bytes is 16 bytes once wrapped to 32 bits
    EXPECT_THAT(curveError(wraps), HasSubstr("ScalarCurve: the key blob is"));
    std::vector<std::uint8_t> negative = scenetest::scalarKeyBlob({});
    negative[3] = 0x80;
    EXPECT_THAT(curveError(negative), HasSubstr("is negative"));
    EXPECT_THAT(curveError({1, 0, 0}), HasSubstr("no room for its header"));
    // Key times below zero or not finite, and a loop end that is not finite.
    EXPECT_THAT(curveError(scenetest::scalarKeyBlob({{0, 0}, {-2, 1}})),
                HasSubstr("key 1 has the time -2.000000; key times must be finite and not negative"));
    EXPECT_THAT(curveError(scenetest::scalarKeyBlob({{std::numeric_limits<float>::quiet_NaN(), 1}})),
                HasSubstr("key 0 has the time"));
    EXPECT_THAT(curveError(scenetest::scalarKeyBlob({{std::numeric_limits<float>::infinity(), 1}})),
                HasSubstr("key times must be finite"));
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    EXPECT_THAT(curveError(scenetest::scalarKeyBlob({{0, 1}, {2, 0}}, true, kInfinity)),
                HasSubstr("the loop end is not a finite number"));
    // The vector curve of the start-up table reads four floats per key.
    const auto scalarKeys = scenetest::scalarKeyBlob({{0, 1}});
    ScriptBuild vectorCurve(ScriptWriter().record(4).blob(scalarKeys).end().finish(), shell::loaderClassTable());
    EXPECT_THAT(vectorCurve.result.error,
                HasSubstr("VectorCurve: the key blob is 16 bytes long, but 1 keys take 24"));
}

TEST(ScriptRecords, ValuesThatWouldDivideByZeroAreRefused) {
    using testing::HasSubstr;
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    for (float period : {0.0f, -10.0f, kNaN, std::numeric_limits<float>::infinity()}) {
        EXPECT_THAT(errorOf(recordOf(ClassIndex::OrbitPath).integer(4).real(1).real(1).real(period).end()),
                    HasSubstr("OrbitPath: the period must be a positive number of seconds"));
    }
    const auto script = ScriptWriter()
                            .record(4).blob(std::vector<std::uint8_t>{}).end()
                            .record(5).zero().real(1).real(0).real(0).end()
                            .record(5).ref(0).real(1).real(0).real(0).end()
                            .finish();
    ScriptBuild build(script, shell::loaderClassTable());
    EXPECT_THAT(build.result.error, HasSubstr("record 2"));
    EXPECT_THAT(build.result.error, HasSubstr("ScalarRemap: the time scale of an inner value must not be zero"));
}

}  // namespace

namespace {

// A camera, a light, both materials, a clip, an overlay and a clear layer, with the argument kinds the
// scene script passes (the sprite material's texture is an upload without a device).
TEST(ScriptRecords, NodesMaterialsAndLayersAsTheScriptPassesThem) {
    using C = ClassIndex;
    ScriptWriter script;
    script.record(classIndex(C::ConstantVector)).real(18.4f).real(50).real(18.5f).real(0).end()  // 0
        .record(classIndex(C::LookAtTransform)).ref(0).zero().zero().integer(2).end()           // 1
        .record(classIndex(C::Camera)).list({}).zero().ref(0).zero().zero().end()               // 2
        .record(classIndex(C::Light)).list({}).zero().ref(1).integer(-1).zero().end()           // 3
        .record(classIndex(C::Canvas)).integer(4).integer(4).zero().end()                       // 4
        .record(classIndex(C::TextureUpload)).ref(0).end()                                      // 5
        .record(classIndex(C::SpriteMaterial)).ref(0).real(1.0f).integer(1).zero().integer(1).end()  // 6
        .record(classIndex(C::SurfaceMaterial)).integer(static_cast<std::int32_t>(0xFF202020))
        .integer(static_cast<std::int32_t>(0xFF40D0FF)).integer(-1).real(64.9f).real(0.7f)
        .integer(1).integer(1).integer(1).integer(1).integer(1).zero().zero().integer(-1)
        .zero().zero().zero().zero().zero().zero().zero().zero().zero().zero().end()            // 7
        .record(classIndex(C::SceneClip)).list({5, 4}).zero().integer(static_cast<std::int32_t>(0xFF303030))
        .integer(3).integer(-1).real(1.0f).real(8.0f).end()                                     // 8
        .record(classIndex(C::ScalarCurve)).integer(1).blob(scenetest::fadeKeyBlob()).end()     // 9
        .record(classIndex(C::ScreenOverlay)).zero().ref(0).integer(290).integer(170).integer(512)
        .integer(128).ref(4).integer(-1).integer(1).end()                                       // 10
        .record(classIndex(C::ClearLayer)).integer(-1).integer(3).end();                        // 11
    ScriptBuild build(script.finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    EXPECT_EQ(build.result.records, 12);
    EXPECT_NE(build.root<sequence::ClearLayer>(), nullptr);
}

TEST(ScriptRecords, NodeAndLayerRefusals) {
    using testing::HasSubstr;
    EXPECT_THAT(errorOf(recordOf(ClassIndex::Camera).list({0}).zero().zero().zero().zero().end()),
                HasSubstr("Camera: argument 1: entry 1 of the list is not a scene node"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::Light).list({}).zero().zero().integer(-1).integer(8).end()),
                HasSubstr("Light: argument 5: the light index 8 is outside 0 to 7"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::SceneClip).list({}).zero().integer(0).integer(4).integer(0).real(1)
                            .real(2).end()),
                HasSubstr("SceneClip: argument 4: the fog mode 4 is not 0 to 3"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::SceneClip).list({0}).zero().integer(0).integer(0).integer(0).real(1)
                            .real(2).end()),
                HasSubstr("SceneClip: argument 1: entry 1 of the list is not a scene node"));
    ScriptWriter withEffect = recordOf(ClassIndex::SurfaceMaterial);
    for (int i = 0; i < 14; ++i) {
        withEffect.zero();
    }
    withEffect.ref(0);
    for (int i = 0; i < 8; ++i) {
        withEffect.zero();
    }
    EXPECT_THAT(errorOf(withEffect.end()), HasSubstr("SurfaceMaterial: argument 15 names an effect"));
    EXPECT_THAT(errorOf(recordOf(ClassIndex::ClearLayer).integer(0).integer(9).end()),
                HasSubstr("ClearLayer: argument 2: the flags 9 name more than target (1), depth (2) and stencil (4)"));
}

}  // namespace
