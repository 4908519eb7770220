// Static matrices and matrix values: the order in which chained records apply, spins that stack and never
// move the translation, and the look-at frame in every mode, with and without roll.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scene/constant_vector.h"
#include "scene/keyframe_curves.h"
#include "scene/look_at_transform.h"
#include "scene/matrix_values.h"
#include "scene/orbit_path.h"
#include "scene/scalar_remap.h"
#include "scene/static_matrix.h"
#include "scene_test_support.h"

namespace {

using math::Matrix4;
using math::Vec4;
using scenetest::expectMatrixNear;
using scenetest::expectVecNear;

constexpr float kPi = std::numbers::pi_v<float>;

TEST(StaticMatrix, ScaleOfTranslationScalesFirstAndMovesSecond) {
    graph::ObjectStore store;
    scene::StaticMatrix* moved = scene::makeStaticTranslate(store, nullptr, 27.4f, 19.5f, -4.2f);
    EXPECT_EQ(moved->matrix(), math::matTranslation(27.4f, 19.5f, -4.2f));
    scene::StaticMatrix* scaled = scene::makeStaticScale(store, moved, 3.0f, 3.0f, 3.0f);
    EXPECT_EQ(scaled->matrix().row(0), (Vec4{3, 0, 0, 0}));
    EXPECT_EQ(scaled->matrix().row(1), (Vec4{0, 3, 0, 0}));
    EXPECT_EQ(scaled->matrix().row(2), (Vec4{0, 0, 3, 0}));
    EXPECT_EQ(scaled->matrix().row(3), (Vec4{27.4f, 19.5f, -4.2f, 1}));
    // The previous record is read, never changed.
    EXPECT_EQ(moved->matrix(), math::matTranslation(27.4f, 19.5f, -4.2f));
    EXPECT_EQ(scene::makeStaticScale(store, nullptr, 2, 2, 2)->matrix().row(3), (Vec4{0, 0, 0, 1}));
    // A vertex at (1, 0, 0) is scaled to 3, then moved.
    expectVecNear(math::transformVec({1, 0, 0, 1}, scaled->matrix()), {30.4f, 19.5f, -4.2f, 1});
}

TEST(SpinTransform, TurnsAboutItsAxisAndKeepsTheTranslation) {
    scene::SpinTransform alone(nullptr, 2, 1.0f);
    expectMatrixNear(alone.value(kPi / 2), math::matRotation(2, kPi / 2));
    EXPECT_EQ(alone.period(), 16.0f);

    scene::ConstantTransform placed(math::matTranslation(1, 2, 3));
    scene::SpinTransform spun(&placed, 1, 0.5f);
    for (float t : {0.0f, 0.7f, 3.0f, 100.0f}) {
        EXPECT_EQ(spun.value(t).row(3), (Vec4{1, 2, 3, 1})) << t;
    }
    EXPECT_EQ(spun.period(), 1.0f);
}

TEST(SpinTransform, AxesOutsideXYZAndNoInner) {
    const Matrix4 inner = math::matTranslate(math::matRotation(0, 0.4f), 5, 6, 7);
    scene::ConstantTransform constant(inner);
    scene::SpinTransform stray(&constant, 7, 2.0f);
    EXPECT_EQ(stray.value(1.5f), inner);
    scene::SpinTransform nothing(nullptr, 7, 2.0f);
    EXPECT_EQ(nothing.value(1.5f), math::matIdentity());
    scene::SpinTransform still(nullptr, 0, 3.0f);
    EXPECT_EQ(still.value(0.0f), math::matIdentity());
}

TEST(SpinTransform, StackedSpinsMultiplyInTheInnerFrame) {
    // C: a turn about z and a translation. Spin(Spin(C, y, 0.2), x, 0.1) = Rx(0.1 t) Ry(0.2 t) C's rotation,
    // at C's translation.
    scene::ConstantTransform constant(math::matMultiply(math::matRotation(2, 0.3f), math::matTranslation(4, -1, 2)));
    scene::SpinTransform inner(&constant, 1, 0.2f);
    scene::SpinTransform outer(&inner, 0, 0.1f);
    for (float t : {0.0f, 1.0f, 4.5f}) {
        const Matrix4 spins = math::matMultiply(math::matRotation(0, 0.1f * t), math::matRotation(1, 0.2f * t));
        Matrix4 expected = math::matMultiply(spins, math::matRotation(2, 0.3f));
        expected.setRow(3, {4, -1, 2, 1});
        expectMatrixNear(outer.value(t), expected);
        // A point on C's local x axis ends up at the translation plus its spun, rotated direction.
        const Vec4 moved = math::transformVec({1, 0, 0, 1}, outer.value(t));
        EXPECT_NEAR(math::vecLength3(math::vecSub(moved, {4, -1, 2, 1})), 1.0f, 1e-5f);
    }
}

TEST(LookAtTransform, FacesItsTargetFromItsPosition) {
    scene::ConstantVector position({18.4f, 50.0f, 18.5f, 0.0f});
    scene::ConstantVector origin({0, 0, 0, 0});
    scene::LookAtTransform look(position, &origin, nullptr, 1);
    const Matrix4 m = look.value(3.0f);
    Vec4 toOrigin{-18.4f, -50.0f, -18.5f, 0.0f};
    math::vecNormalize3(toOrigin);
    expectVecNear(m.row(2), toOrigin);
    EXPECT_EQ(m.row(3), (Vec4{18.4f, 50.0f, 18.5f, 0.0f}));
    // Right is horizontal and up leans towards +z.
    EXPECT_NEAR(m.row(0).z, 0.0f, 1e-6f);
    EXPECT_GT(m.row(1).z, 0.0f);
    EXPECT_TRUE(look.closed());
    EXPECT_EQ(look.period(), 1.0f);
}

TEST(LookAtTransform, ModesWithoutTarget) {
    scene::ConstantVector point({3, 4, 5, 1});
    scene::ScalarRemap roll(nullptr, 1.0f, 0.0f, 1.0f);

    // Mode 0 and unknown modes: a pure translation, the roll ignored.
    for (std::int32_t mode : {0, 3, -1}) {
        scene::LookAtTransform look(point, nullptr, &roll, mode);
        EXPECT_EQ(look.value(2.0f), math::matTranslation(3, 4, 5)) << mode;
    }

    // Mode 2 faces the origin from a point with w = 1.
    scene::LookAtTransform atOrigin(point, nullptr, nullptr, 2);
    Vec4 inward{-3, -4, -5, 0};
    math::vecNormalize3(inward);
    expectVecNear(atOrigin.value(0.0f).row(2), inward);
    // From a position with w = 0 the forward row gets w = 1 and the normalisation makes it (0, 0, 1).
    scene::ConstantVector direction({3, 4, 5, 0});
    scene::LookAtTransform fromDirection(direction, nullptr, nullptr, 2);
    EXPECT_EQ(fromDirection.value(0.0f).row(2), (Vec4{0, 0, 1, 0}));

    // Mode 1 looks one second ahead along the path.
    scene::OrbitPath orbit(2, 5.0f, 1.0f, 8.0f);
    scene::LookAtTransform ahead(orbit, nullptr, nullptr, 1);
    for (float t : {0.0f, 1.3f, 6.0f}) {
        Vec4 expected = math::vecSub(orbit.value(t + 1.0f), orbit.value(t));
        math::vecNormalize3(expected);
        expectVecNear(ahead.value(t).row(2), expected);
        expectVecNear(ahead.value(t).row(3), orbit.value(t));
    }
    EXPECT_EQ(ahead.period(), 8.0f);
}

TEST(LookAtTransform, RollTurnsAboutTheForwardAxis) {
    scene::ConstantVector position({0, -10, 2, 1});
    scene::ConstantVector target({0, 0, 2, 1});
    scene::ScalarRemap quarter(nullptr, kPi / 2, 0.0f, 1.0f);
    scene::LookAtTransform plain(position, &target, nullptr, 0);
    scene::LookAtTransform rolled(position, &target, &quarter, 0);
    const Matrix4 a = plain.value(0.0f);
    const Matrix4 b = rolled.value(0.0f);
    // A quarter turn: right becomes the old up, up the old left.
    expectVecNear(b.row(0), a.row(1));
    expectVecNear(b.row(1), math::vecScale(a.row(0), -1.0f));
    EXPECT_EQ(b.row(2), a.row(2));
    EXPECT_EQ(b.row(3), a.row(3));
}

TEST(LookAtTransform, ClosedAndPeriodCombinePositionAndTarget) {
    scene::OrbitPath slow(1, 1.0f, 0.0f, 30.0f);
    scene::OrbitPath fast(1, 1.0f, 0.0f, 5.0f);
    scene::LookAtTransform look(fast, &slow, nullptr, 1);
    EXPECT_EQ(look.period(), 30.0f);
    EXPECT_TRUE(look.closed());

    scene::VectorCurve once;
    once.keys().insertKey(0.0f, {0, 0, 0, 1});
    once.keys().insertKey(40.0f, {1, 0, 0, 1});
    once.prepare();
    scene::LookAtTransform towardsOnce(fast, &once, nullptr, 1);
    EXPECT_FALSE(towardsOnce.closed());
    EXPECT_EQ(towardsOnce.period(), 40.0f);
    scene::LookAtTransform fromOnce(once, nullptr, nullptr, 1);
    EXPECT_FALSE(fromOnce.closed());
}

}  // namespace
