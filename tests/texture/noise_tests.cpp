// Noise: the seeded table, determinism, the value range, lattice and tiling properties, channel rules.
#include "texture/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "math/msvc_random.h"

namespace {

using texture::Canvas;
using texture::Noise;

TEST(Noise, WhiteNoiseIsTheSeededTableLookedUpRowFirst) {
    math::srand(6);
    std::array<int, 257> table{};
    for (int& entry : table) entry = math::rand() & 255;

    Canvas canvas(64, 512, 0xAA000000u);
    ASSERT_TRUE(texture::applyNoise(canvas, {1, 0.0f, 6, -1}));
    // With contrast 0 the byte is the table value itself: ((P - 127.5) * 2 / 255 + 1) * 127.5 = P.
    for (std::int32_t y : {0, 1, 255, 256, 511}) {
        for (std::int32_t x : {0, 5, 63}) {
            const std::uint32_t expected = static_cast<std::uint32_t>(table[(table[y & 255] + x) & 255]);
            ASSERT_EQ(canvas.pixel(x, y), 0xAA000000u | expected << 16 | expected << 8 | expected) << x << "," << y;
        }
    }
    // The same seed gives the same pixels on every run; another seed does not.
    Canvas again(64, 512, 0xAA000000u);
    texture::applyNoise(again, {1, 0.0f, 6, -1});
    EXPECT_TRUE(std::ranges::equal(again.pixels(), canvas.pixels()));
    Canvas other(64, 512, 0xAA000000u);
    texture::applyNoise(other, {1, 0.0f, 7, -1});
    EXPECT_FALSE(std::ranges::equal(other.pixels(), canvas.pixels()));
}

TEST(Noise, GradientNoiseVanishesOnTheLatticeAndStaysInRange) {
    const texture::PermutationTable p = texture::makePermutationTable(1234);
    float lowest = 0.0f;
    float highest = 0.0f;
    for (std::int32_t y = 0; y < 128; ++y) {
        for (std::int32_t x = 0; x < 128; ++x) {
            const float n = texture::gradientNoise(p, x, y, 16, 8, 8);
            if (x % 16 == 0 && y % 16 == 0) {
                ASSERT_EQ(n, 0.0f) << x << "," << y;
            }
            lowest = std::min(lowest, n);
            highest = std::max(highest, n);
        }
    }
    EXPECT_GE(lowest, -1.0f);
    EXPECT_LE(highest, 1.0f);
    EXPECT_LT(lowest, -0.3f);  // a flat or one-sided field would not reach these
    EXPECT_GT(highest, 0.3f);

    // On the canvas the lattice points are mid-grey whatever the contrast (127.5 rounds to even 128).
    Canvas canvas(64, 64, 0);
    texture::applyNoise(canvas, {16, 3.0f, 1234, 0});
    EXPECT_EQ(canvas.pixel(0, 0), 128u);
    EXPECT_EQ(canvas.pixel(48, 32), 128u);
}

TEST(Noise, GradientNoiseTilesAcrossTheCanvasEdges) {
    const texture::PermutationTable p = texture::makePermutationTable(99);
    // 128 x 64 pixels in cells of 8: 16 x 8 cells. Stepping one canvas width or height lands on the same value.
    for (std::int32_t y = 0; y < 64; y += 3) {
        for (std::int32_t x = 0; x < 128; x += 5) {
            const float n = texture::gradientNoise(p, x, y, 8, 16, 8);
            ASSERT_EQ(texture::gradientNoise(p, x + 128, y, 8, 16, 8), n);
            ASSERT_EQ(texture::gradientNoise(p, x, y + 64, 8, 16, 8), n);
        }
    }
    // And the last column of cells runs smoothly into the first: neighbours across the seam differ
    // no more than neighbours inside the canvas do.
    float largestStep = 0.0f;
    for (std::int32_t x = 0; x < 127; ++x) {
        largestStep = std::max(largestStep, std::fabs(texture::gradientNoise(p, x + 1, 5, 8, 16, 8) -
                                                      texture::gradientNoise(p, x, 5, 8, 16, 8)));
    }
    EXPECT_LE(std::fabs(texture::gradientNoise(p, 0, 5, 8, 16, 8) - texture::gradientNoise(p, 127, 5, 8, 16, 8)),
              largestStep);
}

TEST(Noise, ChannelRulesSpareWhatIsNotWritten) {
    Canvas colour(16, 16, 0x80112233u);
    texture::applyNoise(colour, {4, 0.5f, 3, -2});  // negative: blue, green and red, alpha untouched
    EXPECT_TRUE(std::ranges::all_of(colour.pixels(), [](std::uint32_t p) {
        return p >> 24 == 0x80u && (p & 0xFFu) == ((p >> 8) & 0xFFu) && (p & 0xFFu) == ((p >> 16) & 0xFFu);
    }));
    Canvas green(16, 16, 0x80112233u);
    texture::applyNoise(green, {1, 0.0f, 3, 1});
    EXPECT_TRUE(std::ranges::all_of(green.pixels(), [](std::uint32_t p) { return (p & 0xFFFF00FFu) == 0x80110033u; }));
    EXPECT_FALSE(std::ranges::all_of(green.pixels(), [](std::uint32_t p) { return p == 0x80112233u; }));

    Canvas untouched(16, 16, 0x80112233u);
    EXPECT_FALSE(texture::applyNoise(untouched, {1, 0.0f, 3, 4}));
    EXPECT_TRUE(std::ranges::all_of(untouched.pixels(), [](std::uint32_t p) { return p == 0x80112233u; }));
}

TEST(Noise, OddArgumentsStayInsideTheTable) {
    // A lattice taller than the table (512 cells of 2), cells larger than the canvas, and no cells at all.
    for (const std::int32_t cell : {2, 3, 4096, 0, -5}) {
        Canvas canvas(4, 1024, 0);
        texture::applyNoise(canvas, {cell, 0.0f, 8, 2});
        EXPECT_TRUE(std::ranges::all_of(canvas.pixels(), [](std::uint32_t p) { return (p & 0xFF00FFFFu) == 0; }))
            << cell;
    }
}

}  // namespace
