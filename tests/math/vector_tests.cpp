// Component rules of the vector operations and the shared random sequence.
#include "math/msvc_random.h"
#include "math/vec4.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using math::Vec4;

TEST(Vector, NormalizeOnlyDirections) {
    Vec4 direction{3, 0, 4, 0};
    math::vecNormalize3(direction);
    EXPECT_FLOAT_EQ(direction.x, 0.6f);
    EXPECT_FLOAT_EQ(direction.z, 0.8f);
    EXPECT_EQ(direction.w, 0.0f);
    Vec4 point{3, 0, 4, 1};
    math::vecNormalize3(point);
    EXPECT_EQ(point, (Vec4{0, 0, 1, 0}));
}

TEST(Vector, ScaleThreeKeepsW) {
    EXPECT_EQ(math::vecScale3({1, 2, 3, 1}, 2), (Vec4{2, 4, 6, 1}));
    EXPECT_EQ(math::vecScale({1, 2, 3, 1}, 2), (Vec4{2, 4, 6, 2}));
    EXPECT_EQ(math::vecDivide({2, 4, 6, 8}, 2), (Vec4{1, 2, 3, 4}));
}

TEST(Vector, CrossIsLeftHandedAxisOrderAndDropsW) {
    EXPECT_EQ(math::vecCross({1, 0, 0, 1}, {0, 1, 0, 1}), (Vec4{0, 0, 1, 0}));
    EXPECT_EQ(math::vecCross({0, 1, 0, 0}, {1, 0, 0, 0}), (Vec4{0, 0, -1, 0}));
}

TEST(Vector, AddSubInPlaceUseAllComponents) {
    Vec4 a{1, 2, 3, 4};
    math::vecAddInPlace(a, {1, 1, 1, 1});
    EXPECT_EQ(a, (Vec4{2, 3, 4, 5}));
    math::vecSubInPlace(a, {2, 3, 4, 5});
    EXPECT_EQ(a, (Vec4{}));
    EXPECT_FLOAT_EQ(math::vecLength3({2, 3, 6, 100}), 7.0f);
}

TEST(Random, MatchesTheRuntimeSequence) {
    // The first values of the C runtime's generator for seed 1 (its default) and for seed 42.
    math::srand(1);
    EXPECT_EQ(math::rand(), 41);
    EXPECT_EQ(math::rand(), 18467);
    EXPECT_EQ(math::rand(), 6334);
    EXPECT_EQ(math::rand(), 26500);
    math::srand(42);
    EXPECT_EQ(math::rand(), 175);
    EXPECT_EQ(math::rand(), 400);
    EXPECT_EQ(math::rand(), 17869);
}

TEST(Random, ResultsStayWithin15Bits) {
    math::srand(0xDEADBEEF);
    for (int i = 0; i < 10000; ++i) {
        const int value = math::rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, math::kRandMax);
    }
}

}  // namespace
