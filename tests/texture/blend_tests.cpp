// blendPixel against values worked out by hand from its integer rules.
#include "texture/blend.h"

#include <gtest/gtest.h>

namespace {

using texture::blendModeFromScript;
using texture::blendPixel;
using texture::BlendMode;

TEST(BlendPixel, AddSumsPremultipliedChannelsAndSaturates) {
    EXPECT_EQ(blendPixel(0xFF804020u, 0xFF102030u, 255, BlendMode::Add), 0xFF906050u);
    EXPECT_EQ(blendPixel(0xFF804020u, 0xFFA0C0F0u, 255, BlendMode::Add), 0xFFFFFFFFu);
    // a = 128 * 255 / 255 = 128; red 255 * 128 / 255 = 128; blue 16 * 128 / 255 = 8.03 -> 8; alpha 256 -> 255.
    EXPECT_EQ(blendPixel(0x80FF0000u, 0x80000010u, 255, BlendMode::Add), 0xFF800008u);
    // Opacity scales the source alpha first: 128 * 100 / 255 = 50.2 -> 50, then red 255 * 50 / 255 = 50.
    EXPECT_EQ(blendPixel(0x80FF0000u, 0xFF000000u, 100, BlendMode::Add), 0xFF320000u);
}

TEST(BlendPixel, SubtractClampsAtZeroAndClearsAlphaUnderAnOpaqueSource) {
    EXPECT_EQ(blendPixel(0xFF204060u, 0xFF80A0C0u, 255, BlendMode::Subtract), 0x00606060u);
    EXPECT_EQ(blendPixel(0xFFFF0000u, 0xFF100000u, 255, BlendMode::Subtract), 0x00000000u);
    // A half-transparent source leaves half the alpha: 255 - 127.
    EXPECT_EQ(blendPixel(0x7F000000u, 0xFF000000u, 255, BlendMode::Subtract) >> 24, 128u);
}

TEST(BlendPixel, MultiplyTruncatesEachProduct) {
    // 128 * 64 / 255 = 32.1, 128 * 128 / 255 = 64.3, 128 * 255 / 255 = 128.
    EXPECT_EQ(blendPixel(0xFF808080u, 0xFF4080FFu, 255, BlendMode::Multiply), 0xFF204080u);
    // Source premultiplied to 64: 64 * 64 / 255 = 16.06, 64 * 128 / 255 = 32.1, 64; alpha 255 * 128 / 255.
    EXPECT_EQ(blendPixel(0x80808080u, 0xFF4080FFu, 255, BlendMode::Multiply), 0x80102040u);
}

TEST(BlendPixel, OverFollowsItsAlphaFormula) {
    // Opaque destination: red 0 * 127 / 255 + 128 = 128; blue 255 * 127 / 255 = 127; alpha 255 + 128 -> 255.
    EXPECT_EQ(blendPixel(0x80FF0000u, 0xFF0000FFu, 255, BlendMode::Over), 0xFF80007Fu);
    // Transparent destination: the straight colour shows, 255 * 127 / 255 + 128 = 255; alpha 0 + 128 + 128.
    EXPECT_EQ(blendPixel(0x80FF0000u, 0x00000000u, 255, BlendMode::Over), 0xFFFF0000u);
    // Coverage as opacity: white at 64 / 255 over opaque black is grey 64.
    EXPECT_EQ(blendPixel(0xFFFFFFFFu, 0xFF000000u, 64, BlendMode::Over), 0xFF404040u);
    // Half-transparent destination: alpha 128 * 128 / 255 + 127 * 255 / 255 + 255 -> 255, and
    // green ((127 * 255 / 255) + 0) * 0 / 255 + 255 = 255, red (0 + 200 * 128 / 255) * 0 / 255 + 0 = 0.
    EXPECT_EQ(blendPixel(0xFF00FF00u, 0x80C80000u, 255, BlendMode::Over), 0xFF00FF00u);
}

TEST(BlendPixel, ReplaceAndModesOutsideTheTable) {
    EXPECT_EQ(blendPixel(0x12345678u, 0xFFFFFFFFu, 0, blendModeFromScript(0)), 0x12345678u);
    for (std::int32_t value : {4, 5, 99, -1}) {
        EXPECT_EQ(blendPixel(0x80FF0000u, 0xFF0000FFu, 255, blendModeFromScript(value)), 0xFF80007Fu) << value;
    }
}

}  // namespace
