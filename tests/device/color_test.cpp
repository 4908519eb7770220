// Colour packing: round-half-even channels, clamping, NaN, and the exact 1/255 of unpacking.
#include <gtest/gtest.h>

#include <limits>

#include "device/color.h"

namespace {

using namespace device;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

TEST(Color, PackRoundsHalfToEven) {
    EXPECT_EQ(packRGB(1.0f, 0.5f, 0.0f), 0xFFFF8000u);  // 127.5 -> 128
    // These products are exact halves in float32, so only the tie rule decides.
    const float half2 = 2.5f / 255.0f;
    const float half3 = 3.5f / 255.0f;
    const float half0 = 0.5f / 255.0f;
    ASSERT_EQ(half2 * 255.0f, 2.5f);
    ASSERT_EQ(half3 * 255.0f, 3.5f);
    ASSERT_EQ(half0 * 255.0f, 0.5f);
    EXPECT_EQ(packRGBA(half2, half3, half0, half2), 0x02020400u);
    // Off the half they round the ordinary way.
    EXPECT_EQ(packRGB(2.51f / 255.0f, 3.49f / 255.0f, 0.51f / 255.0f), 0xFF030301u);
}

TEST(Color, OutOfRangeAndNaNClampInsteadOfWrapping) {
    EXPECT_EQ(packRGBA(-0.5f, 2.0f, kInfinity, -kInfinity), 0x0000FFFFu);
    EXPECT_EQ(packRGBA(kNaN, kNaN, kNaN, kNaN), 0x00000000u);
    EXPECT_EQ(packRGB(-0.0f, 1.0f, 0.999f), 0xFF00FFFFu);
    EXPECT_EQ(withAlpha(0x12345678u, 2.0f), 0xFF345678u);
    EXPECT_EQ(withAlpha(0x12345678u, kNaN), 0x00345678u);
    EXPECT_EQ(withAlpha(0xFF345678u, -1.0f), 0x00345678u);
}

TEST(Color, UnpackUsesTheFloat32InverseOf255) {
    const D3DCOLORVALUE c = unpackColor(0x80FF0000u);
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 0.0f);
    EXPECT_EQ(c.b, 0.0f);
    EXPECT_NEAR(c.a, 0.50196f, 1e-5f);
    const D3DCOLORVALUE low = unpackColor(0x01020304u);
    EXPECT_EQ(low.a, 0.003921568859368563f);
    EXPECT_EQ(low.b, 4.0f * 0.003921568859368563f);
}

TEST(Color, EveryByteSurvivesUnpackAndPack) {
    for (DWORD byte = 0; byte < 256; ++byte) {
        const D3DCOLOR color = (byte << 24) | ((255 - byte) << 16) | (byte << 8) | (byte ^ 0x5A);
        const D3DCOLORVALUE c = unpackColor(color);
        EXPECT_EQ(packRGBA(c.r, c.g, c.b, c.a), color) << byte;
    }
}

}  // namespace
