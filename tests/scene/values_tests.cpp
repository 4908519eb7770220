// Procedural values and the path-frame sweep: exact values and directions, and the frames' geometry over
// open and closed paths.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "scene/constant_vector.h"
#include "scene/orbit_path.h"
#include "scene/path_frames.h"
#include "scene/scalar_remap.h"
#include "scene_test_support.h"

namespace {

using math::Vec4;
using scenetest::expectVecNear;

TEST(ConstantVector, SameValueAtEveryTimeAndFacesPlusZ) {
    scene::ConstantVector v({18.4f, 50.0f, 18.5f, 0.0f});
    for (float t : {-3.0f, 0.0f, 7.25f, 1e6f}) {
        EXPECT_EQ(v.value(t), (Vec4{18.4f, 50.0f, 18.5f, 0.0f}));
        EXPECT_EQ(v.direction(t), (Vec4{0.0f, 0.0f, 1.0f, 0.0f}));
    }
    EXPECT_TRUE(v.closed());
    EXPECT_EQ(v.period(), 1.0f);
}

TEST(OrbitPath, QuarterTurnsAndRepetition) {
    scene::OrbitPath path(4, 1.6f, -0.25f, 10.0f);
    EXPECT_EQ(path.value(0.0f), (Vec4{1.6f, 0.0f, 0.0f, 1.0f}));
    expectVecNear(path.value(2.5f), {0.0f, 1.6f, 0.0f, 1.0f});
    expectVecNear(path.value(10.0f), path.value(0.0f));
    // Between the quarter turns z follows four waves of the amplitude.
    expectVecNear(path.value(10.0f / 16.0f), {1.6f * std::cos(std::numbers::pi_v<float> / 8),
                                              1.6f * std::sin(std::numbers::pi_v<float> / 8), -0.25f, 1.0f});
    EXPECT_TRUE(path.closed());
    EXPECT_EQ(path.period(), 10.0f);
}

TEST(OrbitPath, DirectionRunsCounterClockwiseAndIsUnitLength) {
    scene::OrbitPath path(4, 1.6f, -0.25f, 10.0f);
    // d/dt of (1.6 cos a, 1.6 sin a, -0.25 sin 4a) at a = 0 is proportional to (0, 1.6, -1).
    const float length = std::sqrt(1.6f * 1.6f + 1.0f);
    expectVecNear(path.direction(0.0f), {0.0f, 1.6f / length, -1.0f / length, 0.0f}, 1e-3f);
    expectVecNear(path.direction(0.0f), {0.0f, 0.848f, -0.530f, 0.0f}, 1e-3f);
    for (float t : {0.3f, 2.5f, 6.1f, 9.9f}) {
        EXPECT_NEAR(math::vecLength3(path.direction(t)), 1.0f, 1e-5f) << t;
        EXPECT_EQ(path.direction(t).w, 0.0f);
    }
}

TEST(ScalarRemap, ScalesValueAndTime) {
    scene::ScalarRemap constant(nullptr, 2.0f, 0.5f, 0.0f);
    for (float t : {0.0f, 3.0f, -8.0f}) {
        EXPECT_EQ(constant.value(t), 2.5f);
    }
    EXPECT_TRUE(constant.closed());
    EXPECT_EQ(constant.period(), 1.0f);

    // Inner value: a remap of a remap of a constant 1, read at t / 4.
    scene::ScalarRemap inner(nullptr, 1.0f, 0.0f, 1.0f);
    scene::ScalarRemap outer(&inner, 3.0f, -1.0f, 4.0f);
    EXPECT_EQ(outer.value(10.0f), 2.0f);
}

// Rows 0 to 2 of every frame are unit length and mutually perpendicular.
void expectOrthonormal(const math::Matrix4& frame, const std::string& where) {
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(math::vecLength3(frame.row(r)), 1.0f, 1e-4f) << where << " row " << r;
        for (int s = r + 1; s < 3; ++s) {
            EXPECT_NEAR(math::vecDot3(frame.row(r), frame.row(s)), 0.0f, 1e-4f) << where << " rows " << r << s;
        }
    }
}

// The same path, but not closed: the sweep without twist correction.
class OpenPath : public scene::VectorValue {
public:
    explicit OpenPath(scene::VectorValue& inner) : VectorValue(false, inner.period()), inner_(inner) {}
    Vec4 value(float t) override { return inner_.value(t); }
    Vec4 direction(float t) override { return inner_.direction(t); }

private:
    scene::VectorValue& inner_;
};

TEST(PathFrames, ClosedOrbitGivesOrthonormalFramesThatCloseUp) {
    scene::OrbitPath path(4, 1.6f, -0.25f, 10.0f);
    const auto frames = scene::samplePathFrames(path, 49);
    ASSERT_EQ(frames.size(), 50u);
    expectVecNear(frames.front().row(3), frames.back().row(3), 1e-5f);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        expectOrthonormal(frames[i], "frame " + std::to_string(i));
        // Row 2 is the path's direction there, row 3 its position.
        const float t = static_cast<float>(i) * 10.0f / 49.0f;
        expectVecNear(frames[i].row(2), path.direction(t), 1e-5f);
        expectVecNear(frames[i].row(3), path.value(t), 1e-6f);
    }
}

// The signed turn about b's tangent from a's normal, carried over onto b's plane, to b's normal: zero for
// each step of a rotation-minimising sweep.
float stepTwist(const math::Matrix4& a, const math::Matrix4& b) {
    const Vec4 tangent = b.row(2);
    const Vec4 carried = math::vecSub(a.row(0), math::vecScale(tangent, math::vecDot3(a.row(0), tangent)));
    return std::atan2(math::vecDot3(carried, b.row(1)), math::vecDot3(carried, b.row(0)));
}

TEST(PathFrames, TwistCorrectionSpreadsTheClosingTurnOverTheInnerFrames) {
    // A wavy orbit sampled coarsely: its sweep comes back turned by about 0.26 rad against its start.
    scene::OrbitPath path(3, 1.0f, 0.4f, 10.0f);
    OpenPath open(path);
    const int n = 30;
    const auto corrected = scene::samplePathFrames(path, n);
    const auto plain = scene::samplePathFrames(open, n);
    ASSERT_EQ(corrected.size(), plain.size());

    for (int i = 1; i < n; ++i) {
        EXPECT_NEAR(stepTwist(plain[i - 1], plain[i]), 0.0f, 1e-4f) << "step " << i;
    }
    // Frames 0 to n - 1 are the ones a consumer uses: the step from n - 1 back to 0 closes the ring.
    const float plainClosing = stepTwist(plain[n - 1], plain[0]);
    ASSERT_GT(std::fabs(plainClosing), 0.2f) << "the path must gather a twist for this test to see";
    EXPECT_LT(std::fabs(stepTwist(corrected[n - 1], corrected[0])), std::fabs(plainClosing) / 10.0f);
    for (int i = 1; i < n; ++i) {
        EXPECT_LT(std::fabs(stepTwist(corrected[i - 1], corrected[i])), std::fabs(plainClosing) / 4.0f) << i;
    }
    // Frames 0 and n are left as built; inner frames only turn about their own tangent.
    EXPECT_EQ(corrected[0], plain[0]);
    EXPECT_EQ(corrected[n], plain[n]);
    for (int i = 1; i < n; ++i) {
        EXPECT_EQ(corrected[i].row(2), plain[i].row(2));
        EXPECT_EQ(corrected[i].row(3), plain[i].row(3));
        expectOrthonormal(corrected[i], "frame " + std::to_string(i));
    }
}

TEST(PathFrames, DegenerateRequestsStaySafe) {
    scene::OrbitPath path(0, 2.0f, 0.0f, 4.0f);
    EXPECT_TRUE(scene::samplePathFrames(path, 0).empty());
    EXPECT_TRUE(scene::samplePathFrames(path, -5).empty());
    EXPECT_EQ(scene::samplePathFrames(path, 1).size(), 2u);
    // A constant vector's tangent is +z, parallel to the sweep's first reference: the frames stay finite.
    scene::ConstantVector still({1.0f, 2.0f, 3.0f, 1.0f});
    for (const math::Matrix4& frame : scene::samplePathFrames(still, 3)) {
        expectOrthonormal(frame, "constant");
        for (float element : frame.m) {
            EXPECT_TRUE(std::isfinite(element));
        }
    }
}

}  // namespace
