// Keyframe curves: the fade curve of the overlays, cubic coefficients worked out by hand, the three
// interpolation modes, key insertion rules, looping, and the cached segment lookup against a fresh one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "scene/keyframe_curves.h"
#include "scene_test_support.h"

namespace {

using math::Vec4;
using scenetest::expectVecNear;
using scenetest::fadeKeyBlob;
using scenetest::scalarKeyBlob;

scene::ScalarCurve* curveFrom(graph::ObjectStore& store, std::int32_t mode, const std::vector<std::uint8_t>& blob) {
    return scene::makeScalarCurve(store, mode, graph::Blob{nullptr, blob});
}

TEST(ScalarCurve, FadeCurveValuesAndPeriod) {
    graph::ObjectStore store;
    const auto blob = fadeKeyBlob();
    scene::ScalarCurve* fade = curveFrom(store, 1, blob);
    ASSERT_NE(fade, nullptr);
    EXPECT_FLOAT_EQ(fade->value(2.5f), 0.5f);
    EXPECT_FLOAT_EQ(fade->value(7.0f), 1.0f);
    EXPECT_FLOAT_EQ(fade->value(17.5f), 0.5f);
    EXPECT_FLOAT_EQ(fade->value(21.5f), 0.0f);
    EXPECT_NEAR(fade->value(26.5f), 0.5f, 1e-5f);
    EXPECT_TRUE(fade->closed());
    EXPECT_EQ(fade->period(), 24.0f);
    // Every 24 seconds the same again, far into the run.
    for (float t : {1.0f, 4.0f, 12.0f, 18.0f, 22.0f}) {
        EXPECT_NEAR(fade->value(t + 96.0f), fade->value(t), 1e-4f) << t;
    }
    // Before the first key: the first key's value.
    EXPECT_EQ(fade->value(-3.0f), 0.0f);
}

TEST(ScalarCurve, CubicCoefficientsMatchHandComputedOnes) {
    // Keys (0, 0), (1, 1), (2, 0), not repeating. Segment 0: chord 1, no previous key, tangent at the
    // second key (0 - 0) x 1 / 2 = 0: c1 = 1, c2 = 3 - 2 - 0 = 1, c3 = 1 + 0 - 2 = -1. Segment 1: chord -1,
    // outgoing tangent (0 - 0) x 1 / 2 = 0, incoming the chord: c1 = 0, c2 = -3 - 0 + 1 = -2, c3 = 0 - 1 + 2 = 1.
    graph::ObjectStore store;
    const auto blob = scalarKeyBlob({{0, 0}, {1, 1}, {2, 0}});
    scene::ScalarCurve* curve = curveFrom(store, 0, blob);
    scene::KeyList& keys = curve->keys();
    ASSERT_EQ(keys.count(), 3);
    EXPECT_EQ(keys.key(0).terms[1].x, 1.0f);
    EXPECT_EQ(keys.key(0).terms[2].x, 1.0f);
    EXPECT_EQ(keys.key(0).terms[3].x, -1.0f);
    EXPECT_EQ(keys.key(1).terms[1].x, 0.0f);
    EXPECT_EQ(keys.key(1).terms[2].x, -2.0f);
    EXPECT_EQ(keys.key(1).terms[3].x, 1.0f);
    EXPECT_EQ(keys.key(2).terms[1].x, 0.0f);  // the empty last segment
    EXPECT_EQ(curve->value(0.5f), 0.625f);
    EXPECT_EQ(curve->value(1.5f), 0.625f);
    EXPECT_EQ(curve->value(3.0f), 0.0f);
    EXPECT_EQ(curve->value(2.0f), 0.0f);
    EXPECT_EQ(curve->period(), 2.0f);
    EXPECT_FALSE(curve->closed());
}

TEST(ScalarCurve, UnevenSpacingScalesTheTangents) {
    // Keys (0, 0), (1, 1), (4, 0): the tangent at the middle key is the Catmull-Rom one, (0 - 0) scaled by
    // the neighbouring segment lengths, so 0 both ways; the first segment's far tangent (P3 - P1)(t2 - t1) /
    // (t3 - t1) = (0 - 0) x 1 / 4 = 0, the second's near tangent (P2 - P0)(t2 - t1) / (t2 - t0) = 0 x 3 / 4.
    // Now move the third key's value to 2: far tangent of segment 0 = (2 - 0) x 1 / 4 = 0.5, near tangent of
    // segment 1 = (2 - 0) x 3 / 4 = 1.5.
    graph::ObjectStore store;
    const auto blob = scalarKeyBlob({{0, 0}, {1, 1}, {4, 2}});
    scene::KeyList& keys = curveFrom(store, 0, blob)->keys();
    // Segment 0: TD = chord 1, TS = 0.5: c2 = 3 - 2 - 0.5, c3 = 1 + 0.5 - 2.
    EXPECT_FLOAT_EQ(keys.key(0).terms[1].x, 1.0f);
    EXPECT_FLOAT_EQ(keys.key(0).terms[2].x, 0.5f);
    EXPECT_FLOAT_EQ(keys.key(0).terms[3].x, -0.5f);
    // Segment 1: TD = 1.5, TS = chord 1: c2 = 3 - 3 - 1, c3 = 1.5 + 1 - 2.
    EXPECT_FLOAT_EQ(keys.key(1).terms[1].x, 1.5f);
    EXPECT_FLOAT_EQ(keys.key(1).terms[2].x, -1.0f);
    EXPECT_FLOAT_EQ(keys.key(1).terms[3].x, 0.5f);
    EXPECT_EQ(keys.key(1).segmentEnd, 4.0f);
}

TEST(ScalarCurve, StepAndLinearModes) {
    graph::ObjectStore store;
    const auto blob = fadeKeyBlob();
    scene::ScalarCurve* step = curveFrom(store, 2, blob);
    EXPECT_EQ(step->value(9.5f), 1.0f);
    EXPECT_EQ(step->value(4.9f), 0.0f);
    EXPECT_EQ(step->value(18.9f), 1.0f);
    EXPECT_EQ(step->value(19.5f), 0.0f);
    // Mode 0 on the same keys is a spline: through the keys, but not straight between them.
    scene::ScalarCurve* cubic = curveFrom(store, 0, blob);
    EXPECT_NEAR(cubic->value(5.0f), 1.0f, 1e-6f);
    EXPECT_NE(cubic->value(2.5f), 0.5f);
}

TEST(ScalarCurve, OneKeyNoKeysAndShortLoops) {
    graph::ObjectStore store;
    const auto one = scalarKeyBlob({{3, 0.75f}}, true, 10.0f);
    scene::ScalarCurve* single = curveFrom(store, 0, one);
    for (float t : {-1.0f, 0.0f, 3.0f, 55.0f}) {
        EXPECT_EQ(single->value(t), 0.75f);
    }
    const std::vector<std::uint8_t> none;
    scene::ScalarCurve* empty = curveFrom(store, 1, none);
    EXPECT_EQ(empty->value(4.0f), 0.0f);
    EXPECT_EQ(empty->keys().count(), 0);

    // A loop end not beyond the last key leaves the curve non-repeating.
    for (float loopEnd : {19.0f, 12.0f}) {
        const auto blob = fadeKeyBlob(loopEnd);
        scene::ScalarCurve* curve = curveFrom(store, 1, blob);
        EXPECT_FALSE(curve->closed());
        EXPECT_EQ(curve->period(), 19.0f);
        EXPECT_EQ(curve->value(30.0f), 0.0f);
        EXPECT_FLOAT_EQ(curve->value(17.5f), 0.5f);
    }
}

TEST(KeyList, InsertionSortsAndIgnoresDuplicatesAndBadTimes) {
    scene::KeyList keys(scene::KeyList::Payload::Scalar);
    keys.insertKey(5.0f, {1, 0, 0, 0});
    keys.insertKey(1.0f, {2, 0, 0, 0});
    keys.insertKey(3.0f, {3, 0, 0, 0});
    keys.insertKey(3.0f, {9, 0, 0, 0});
    keys.insertKey(-1.0f, {9, 0, 0, 0});
    keys.insertKey(std::numeric_limits<float>::quiet_NaN(), {9, 0, 0, 0});
    keys.insertKey(std::numeric_limits<float>::infinity(), {9, 0, 0, 0});
    ASSERT_EQ(keys.count(), 3);
    EXPECT_EQ(keys.key(0).time, 1.0f);
    EXPECT_EQ(keys.key(1).time, 3.0f);
    EXPECT_EQ(keys.key(1).valueTerm().x, 3.0f);
    EXPECT_EQ(keys.key(2).time, 5.0f);
    EXPECT_EQ(keys.start(), 0.0f);
    EXPECT_EQ(keys.end(), 5.0f);
    // Once looping, keys beyond the loop end are ignored.
    keys.setLoopEnd(8.0f);
    keys.insertKey(9.0f, {9, 0, 0, 0});
    EXPECT_EQ(keys.count(), 3);
    keys.insertKey(7.0f, {4, 0, 0, 0});
    EXPECT_EQ(keys.count(), 4);
    EXPECT_TRUE(keys.loops());
    keys.setLoopEnd(6.0f);
    EXPECT_EQ(keys.end(), 8.0f);
}

// Scalar curves over the same keys evaluated in a shuffled order must agree with a fresh curve asked at
// each time alone: the cache may only speed the lookup up.
TEST(ScalarCurve, CachedLookupAgreesWithAFreshOneInAnyOrder) {
    for (std::int32_t mode : {0, 1}) {
        for (bool loops : {false, true}) {
            graph::ObjectStore store;
            const auto blob = scalarKeyBlob({{0.5f, 2}, {1, -1}, {2.5f, 4}, {3, 3}, {7, 0}}, loops, 9.0f);
            scene::ScalarCurve* shared = curveFrom(store, mode, blob);
            std::vector<float> times;
            for (int i = -10; i < 200; ++i) {
                times.push_back(static_cast<float>(i) * 0.125f);
            }
            std::mt19937 shuffle(1234);
            std::shuffle(times.begin(), times.end(), shuffle);
            for (float t : times) {
                scene::ScalarCurve* fresh = curveFrom(store, mode, blob);
                // A time on a key may be read as the end of one segment or the start of the next: equal
                // up to rounding.
                ASSERT_NEAR(shared->value(t), fresh->value(t), 1e-5f)
                    << "t " << t << " mode " << mode << " loops " << loops;
            }
        }
    }
}

TEST(ScalarCurve, NonFiniteTimesGiveFiniteValues) {
    graph::ObjectStore store;
    const auto blob = fadeKeyBlob();
    scene::ScalarCurve* fade = curveFrom(store, 0, blob);
    for (float t : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity(), 3.0e38f}) {
        EXPECT_TRUE(std::isfinite(fade->value(t))) << t;
    }
}

// A vector key blob: count, loop flag, (time, x, y, z) keys, loop end.
std::vector<std::uint8_t> vectorKeyBlob(std::initializer_list<std::array<float, 4>> keys, bool loops,
                                        float loopEnd) {
    std::vector<std::uint8_t> out;
    testsupport::appendI32LE(out, static_cast<std::int32_t>(keys.size()));
    testsupport::appendI32LE(out, loops ? 1 : 0);
    for (const auto& key : keys) {
        for (float f : key) {
            testsupport::appendF32LE(out, f);
        }
    }
    if (loops) {
        testsupport::appendF32LE(out, loopEnd);
    }
    return out;
}

TEST(VectorCurve, InterpolatesAllComponentsWithWOne) {
    graph::ObjectStore store;
    const auto blob = vectorKeyBlob({{0, 0, 0, 0}, {1, 1, 2, -1}, {2, 0, 4, -2}}, false, 0.0f);
    scene::VectorCurve* curve = scene::makeVectorCurve(store, graph::Blob{nullptr, blob});
    ASSERT_NE(curve, nullptr);
    // x runs like the hand-computed scalar cubic; y and z are straight lines, so their cubic is linear.
    expectVecNear(curve->value(0.5f), {0.625f, 1.0f, -0.5f, 1.0f}, 1e-6f);
    expectVecNear(curve->value(1.5f), {0.625f, 3.0f, -1.5f, 1.0f}, 1e-6f);
    expectVecNear(curve->value(9.0f), {0, 4, -2, 1});
    // The direction is the first segment's start tangent c1, not normalised.
    expectVecNear(curve->direction(0.25f), {1, 2, -1, 0});

    const std::vector<std::uint8_t> none;
    scene::VectorCurve* empty = scene::makeVectorCurve(store, graph::Blob{nullptr, none});
    EXPECT_EQ(empty->value(1.0f), (Vec4{0, 0, 0, 1}));
    EXPECT_EQ(empty->direction(1.0f), (Vec4{0, 0, 0, 1}));
    const auto one = vectorKeyBlob({{2, 5, 6, 7}}, false, 0.0f);
    scene::VectorCurve* single = scene::makeVectorCurve(store, graph::Blob{nullptr, one});
    EXPECT_EQ(single->value(0.0f), (Vec4{5, 6, 7, 1}));
    EXPECT_EQ(single->direction(0.0f), (Vec4{5, 6, 7, 1}));
}

TEST(VectorCurve, LoopingReturnsToTheFirstKeySmoothly) {
    graph::ObjectStore store;
    const auto blob = vectorKeyBlob({{0, 1, 0, 0}, {1, 0, 1, 0}, {2, -1, 0, 0}, {3, 0, -1, 0}}, true, 4.0f);
    scene::VectorCurve* circle = scene::makeVectorCurve(store, graph::Blob{nullptr, blob});
    EXPECT_TRUE(circle->closed());
    EXPECT_EQ(circle->period(), 4.0f);
    // The closing segment ends at the first key's value, and the curve is continuous across the loop.
    expectVecNear(circle->value(3.9999f), {1, 0, 0, 1}, 1e-3f);
    expectVecNear(circle->value(4.0f), {1, 0, 0, 1});
    expectVecNear(circle->value(4.5f), circle->value(0.5f), 1e-5f);
    // Evenly spaced symmetric keys: every start tangent has the same length.
    for (float t : {0.5f, 1.5f, 2.5f, 3.5f}) {
        EXPECT_NEAR(math::vecLength3(circle->direction(t)), 1.0f, 1e-6f) << t;
    }
}

}  // namespace
