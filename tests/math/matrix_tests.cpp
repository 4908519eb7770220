// Conventions of the matrix operations: row vectors, row-major, left-handed, operations applied first.
#include "math/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using math::Matrix4;
using math::Vec4;

constexpr float kPi = std::numbers::pi_v<float>;

void expectVecNear(const Vec4& actual, const Vec4& expected, float tolerance = 1e-6f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

void expectMatrixNear(const Matrix4& actual, const Matrix4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

TEST(Matrix, RotationAxesOutsideXYZGiveIdentity) {
    EXPECT_EQ(math::matRotation(3, 1.0f), math::matIdentity());
    EXPECT_EQ(math::matRotation(-1, 2.0f), math::matIdentity());
}

TEST(Matrix, RotationsAreLeftHandedRowVector) {
    expectVecNear(math::transformVec({1, 0, 0, 1}, math::matRotation(2, kPi / 2)), {0, 1, 0, 1});
    expectVecNear(math::transformVec({0, 1, 0, 1}, math::matRotation(0, kPi / 2)), {0, 0, 1, 1});
    expectVecNear(math::transformVec({0, 0, 1, 1}, math::matRotation(1, kPi / 2)), {1, 0, 0, 1});
}

TEST(Matrix, MultiplyAppliesTheLeftOperandFirst) {
    // Rotate then translate: (1,0,0) -> (0,1,0) -> (10,1,0).
    const Matrix4 m = math::matMultiply(math::matRotation(2, kPi / 2), math::matTranslation(10, 0, 0));
    expectVecNear(math::transformVec({1, 0, 0, 1}, m), {10, 1, 0, 1});
    // matTranslate acts in the local frame: translation first, then m.
    const Matrix4 local = math::matTranslate(math::matRotation(2, kPi / 2), 1, 0, 0);
    expectVecNear(math::transformVec({0, 0, 0, 1}, local), {0, 1, 0, 1});
    const Matrix4 rotated = math::matRotate(2, math::matTranslation(5, 0, 0), kPi / 2);
    expectVecNear(math::transformVec({1, 0, 0, 1}, rotated), {5, 1, 0, 1});
}

TEST(Matrix, TransformVecMovesOnlyPoints) {
    const Matrix4 t = math::matTranslation(10, 20, 30);
    EXPECT_EQ(math::transformVec({1, 2, 3, 1}, t), (Vec4{11, 22, 33, 1}));
    EXPECT_EQ(math::transformVec({1, 2, 3, 0}, t), (Vec4{1, 2, 3, 0}));
    EXPECT_EQ(math::transformVec({1, 2, 3, 0.5f}, t), (Vec4{1, 2, 3, 0}));
}

TEST(Matrix, TransformVecIgnoresColumnThree) {
    Matrix4 m = math::matIdentity();
    m.at(0, 3) = 5.0f;
    m.at(3, 3) = 7.0f;
    EXPECT_EQ(math::transformVec({1, 0, 0, 1}, m), (Vec4{1, 0, 0, 1}));
}

TEST(Matrix, ScaleLeavesTheTranslationRow) {
    Matrix4 m = math::matTranslation(1, 2, 3);
    m.at(0, 3) = 0.5f;
    const Matrix4 scaled = math::matScale(m, 2, 3, 4);
    EXPECT_EQ(scaled.row(0), (Vec4{2, 0, 0, 1}));
    EXPECT_EQ(scaled.row(1), (Vec4{0, 3, 0, 0}));
    EXPECT_EQ(scaled.row(2), (Vec4{0, 0, 4, 0}));
    EXPECT_EQ(scaled.row(3), (Vec4{1, 2, 3, 1}));
}

TEST(Matrix, RigidInverse) {
    EXPECT_EQ(math::matRigidInverse(math::matTranslation(1, 2, 3)), math::matTranslation(-1, -2, -3));
    const Matrix4 m = math::matTranslate(
        math::matMultiply(math::matRotation(0, 0.7f), math::matRotation(1, -1.9f)), 3.0f, -4.0f, 12.0f);
    expectMatrixNear(math::matMultiply(m, math::matRigidInverse(m)), math::matIdentity());
    expectMatrixNear(math::matMultiply(math::matRigidInverse(m), m), math::matIdentity());
}

TEST(Matrix, RigidInverseReadsOnlyTheRigidPart) {
    Matrix4 m = math::matTranslation(1, 2, 3);
    m.at(0, 3) = 9.0f;  // column 3 is not read
    const Matrix4 inverse = math::matRigidInverse(m);
    EXPECT_EQ(inverse.row(3), (Vec4{-1, -2, -3, 1}));
    EXPECT_EQ(inverse.at(0, 3), 0.0f);
}

TEST(Matrix, FromRowsNormalisesDirectionsAndKeepsTheLastRow) {
    const Matrix4 m = math::matFromRows({3, 0, 4, 0}, {0, 2, 0, 1}, {0, 0, 5, 0}, {1, 2, 3, 0.25f});
    expectVecNear(m.row(0), {0.6f, 0, 0.8f, 0});
    EXPECT_EQ(m.row(1), (Vec4{0, 0, 1, 0}));  // w != 0: replaced
    EXPECT_EQ(m.row(2), (Vec4{0, 0, 1, 0}));
    EXPECT_EQ(m.row(3), (Vec4{1, 2, 3, 0.25f}));
}

TEST(Matrix, LookAtBuildsRightUpForward) {
    const Matrix4 m = math::matLookAt({0, 0, 0, 1}, {0, 5, 0, 1}, {0, 0, 1, 0});
    expectVecNear(m.row(0), {-1, 0, 0, 0});
    expectVecNear(m.row(1), {0, 0, 1, 0});
    expectVecNear(m.row(2), {0, 1, 0, 0});
    EXPECT_EQ(m.row(3), (Vec4{0, 0, 0, 1}));
}

TEST(Matrix, LookAtAlongUpUsesTheFallbackAxis) {
    const Matrix4 m = math::matLookAt({1, 1, 1, 1}, {1, 1, 9, 1}, {0, 0, 1, 0});
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(math::vecLength3(m.row(r)), 1.0f, 1e-6f) << "row " << r;
        for (int s = r + 1; s < 3; ++s) {
            EXPECT_NEAR(math::vecDot3(m.row(r), m.row(s)), 0.0f, 1e-6f) << r << "," << s;
        }
    }
    expectVecNear(m.row(2), {0, 0, 1, 0});
    // Left-handed: right x up = forward.
    expectVecNear(math::vecCross(m.row(0), m.row(1)), m.row(2));
}

TEST(Matrix, LookAtThresholdIsAbsolute) {
    // A tiny but non-parallel configuration still takes the fallback because the cross product is short.
    const Matrix4 tiny = math::matLookAt({0, 0, 0, 1}, {0.001f, 0, 0, 1}, {0, 1, 0, 0});
    const Matrix4 fallback = math::matFromRows(
        math::vecCross({1000, 1001, 1002, 0}, {0.001f, 0, 0, 0}),
        math::vecCross({0.001f, 0, 0, 0}, math::vecCross({1000, 1001, 1002, 0}, {0.001f, 0, 0, 0})),
        {0.001f, 0, 0, 0}, {0, 0, 0, 1});
    expectMatrixNear(tiny, fallback);
}

TEST(Matrix, LookAtWithDirectionEye) {
    // forward.w = target.w - eye.w = 1: the forward row becomes (0, 0, 1); column 3 follows eye.w.
    const Matrix4 m = math::matLookAt({0, 0, 0, 0}, {0, 0, 5, 1}, {0, 1, 0, 0});
    EXPECT_EQ(m.row(2), (Vec4{0, 0, 1, 0}));
    EXPECT_EQ(m.at(3, 3), 0.0f);
}

}  // namespace
