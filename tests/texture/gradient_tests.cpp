// Gradient kinds measured at pixels whose distances are easy to work out by hand, and the channel rules.
#include "texture/gradient.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using texture::Canvas;
using texture::Gradient;
using texture::GradientKind;

// Blue bytes of a row.
std::vector<std::uint32_t> blueRow(const Canvas& canvas, std::int32_t y) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t p : canvas.row(y)) out.push_back(p & 0xFFu);
    return out;
}

TEST(Gradient, LinearRampWeighsByDistanceAlongTheDirection) {
    Canvas canvas(8, 2, 0);
    Gradient g{GradientKind::Linear, 0x00000000u, 0xFFFFFFFFu, 0, 0, 8, 0, -1, 1.0f};
    texture::applyGradient(canvas, g);
    // B = 32 x, byte = (B * 255) >> 8.
    const std::vector<std::uint32_t> expected = {0, 31, 63, 95, 127, 159, 191, 223};
    EXPECT_EQ(blueRow(canvas, 0), expected);
    EXPECT_EQ(blueRow(canvas, 1), expected);  // perpendicular to the direction nothing changes
    EXPECT_EQ(canvas.pixel(4, 0), 0x7F7F7F7Fu);

    // Exponent 2: B = round(4 x^2); x = 7 gives 196 and (196 * 255) >> 8 = 195.
    g.exponent = 2.0f;
    texture::applyGradient(canvas, g);
    EXPECT_EQ(blueRow(canvas, 0), (std::vector<std::uint32_t>{0, 3, 15, 35, 63, 99, 143, 195}));

    // Reversed direction: everything before the start is colour 1, past the end colour 2.
    Canvas wide(16, 1, 0);
    texture::applyGradient(wide, {GradientKind::Linear, 0x000000FFu, 0x00000000u, 10, 0, 2, 0, 0, 1.0f});
    EXPECT_EQ(wide.pixel(11, 0), 0xFFu);
    EXPECT_EQ(wide.pixel(1, 0), 0u);
    EXPECT_EQ(wide.pixel(6, 0), 0x7Fu);  // halfway: B = 128, (128 * 255) >> 8 = 127
}

TEST(Gradient, DiscIsCentredOnTheStartPoint) {
    Canvas canvas(8, 8, 0);
    texture::applyGradient(canvas, {GradientKind::Disc, 0x00000000u, 0x000000FFu, 4, 4, 7, 4, 0, 1.0f});
    EXPECT_EQ(canvas.pixel(4, 4), 0u);       // the centre: colour 1
    EXPECT_EQ(canvas.pixel(0, 0), 0xFFu);    // 5.66 away, past the radius 3: colour 2
    EXPECT_EQ(canvas.pixel(6, 4), 170u);     // B = round(2 / 3 * 256) = 171, (171 * 255) >> 8
    EXPECT_EQ(canvas.pixel(4, 2), 170u);     // the same distance upwards
    EXPECT_EQ(canvas.pixel(7, 4), canvas.pixel(4, 7));
    // Any kind other than 0 and 1 draws the disc.
    Canvas other(8, 8, 0);
    texture::applyGradient(other, {texture::gradientKindFromScript(5), 0, 0xFF, 4, 4, 7, 4, 0, 1.0f});
    EXPECT_TRUE(std::ranges::equal(other.pixels(), canvas.pixels()));
}

TEST(Gradient, RingSurroundsTheCanvasCentre) {
    Canvas canvas(8, 8, 0);
    // Inner radius |(2, 0)| = 2, width |(0, 2)| = 2, around the centre (3.5, 3.5).
    texture::applyGradient(canvas, {GradientKind::Ring, 0x00000000u, 0x000000FFu, 2, 0, 2, 2, 0, 1.0f});
    EXPECT_EQ(canvas.pixel(3, 3), 0u);     // 0.71 from the centre, inside the ring
    EXPECT_EQ(canvas.pixel(0, 0), 0xFFu);  // 4.95, outside
    // (0, 3) is sqrt(12.5) = 3.54 away: B = round(1.54 / 2 * 256) = 197, (197 * 255) >> 8 = 196.
    EXPECT_EQ(canvas.pixel(0, 3), 196u);
    // Point symmetry about the centre.
    for (std::int32_t y = 0; y < 8; ++y) {
        for (std::int32_t x = 0; x < 8; ++x) {
            ASSERT_EQ(canvas.pixel(x, y), canvas.pixel(7 - x, 7 - y)) << x << "," << y;
        }
    }
}

TEST(Gradient, ChannelArgumentSelectsBytes) {
    const Gradient base{GradientKind::Linear, 0x00000000u, 0xFFFFFFFFu, 0, 0, 1, 0, -1, 1.0f};
    Canvas red(4, 1, 0x11223344u);
    Gradient g = base;
    g.channel = 2;
    texture::applyGradient(red, g);
    EXPECT_EQ(red.pixel(3, 0), 0x11FF3344u);

    // -2 is "all four" here, alpha included (unlike the noise, where it spares alpha).
    Canvas all(4, 1, 0x11223344u);
    g.channel = -2;
    texture::applyGradient(all, g);
    EXPECT_EQ(all.pixel(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(all.pixel(0, 0), 0x00000000u);

    Canvas none(4, 1, 0x11223344u);
    g.channel = 4;
    texture::applyGradient(none, g);
    EXPECT_EQ(none.pixel(3, 0), 0x11223344u);
}

TEST(Gradient, DegenerateArgumentsGiveDefinedColours) {
    // A ramp of zero length is a step to colour 2; a zero or negative exponent never leaves 0..256.
    Canvas step(4, 4, 0);
    texture::applyGradient(step, {GradientKind::Linear, 0x000000FFu, 0x00000000u, 1, 1, 1, 1, 0, 1.0f});
    EXPECT_TRUE(std::ranges::all_of(step.pixels(), [](std::uint32_t p) { return p == 0u; }));

    Canvas shaped(8, 1, 0);
    texture::applyGradient(shaped, {GradientKind::Linear, 0x00000000u, 0x000000FFu, 0, 0, 8, 0, 0, -1.0f});
    EXPECT_EQ(shaped.pixel(0, 0), 0xFFu);  // 0 ^ -1 is infinite: the weight stops at 256
    EXPECT_EQ(shaped.pixel(4, 0), 0xFFu);

    // Coordinates far outside the canvas do not overflow.
    Canvas far(4, 4, 0);
    texture::applyGradient(far, {GradientKind::Linear, 0x000000FFu, 0x00000000u, INT32_MIN, 0, INT32_MAX, 0, 0,
                                 1.0f});
    EXPECT_TRUE(std::ranges::all_of(far.pixels(), [](std::uint32_t p) { return p == 0x7Fu || p == 0x80u; }));
}

}  // namespace
