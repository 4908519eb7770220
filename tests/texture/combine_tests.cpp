// The combiner: its resampling (wrapping enlargement, box shrinking, the anti-diagonal flip for columns),
// the per-byte modes with hand-worked values, and the masked blend.
#include "texture/combine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "texture/resample.h"

namespace {

using texture::Canvas;
using texture::CombineMode;

// The per-byte truncated mean of two pixels.
std::uint32_t byteMean(std::uint32_t a, std::uint32_t b) {
    std::uint32_t out = 0;
    for (int k = 0; k < 4; ++k) out |= ((texture::byteOf(a, k) + texture::byteOf(b, k)) / 2) << (8 * k);
    return out;
}

Canvas patterned(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    Canvas canvas(width, height, 0);
    std::uint32_t state = seed;
    for (std::uint32_t& p : canvas.pixels()) {
        state = state * 1664525u + 1013904223u;
        p = state;
    }
    return canvas;
}

TEST(Combine, SmallerInputIsDoubledAlongRowsWrappingAtTheEnd) {
    graph::ObjectStore store;
    Canvas a = patterned(256, 256, 1);
    Canvas b(512, 256, 0);
    // Add with a zero B: the result is A brought to 512 x 256.
    Canvas* result = texture::makeCombine(store, a, b, 1, 0, 1.0f, -1);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->width(), 512);
    ASSERT_EQ(result->height(), 256);
    for (std::int32_t y : {0, 77, 255}) {
        for (std::int32_t j = 0; j < 256; ++j) {
            ASSERT_EQ(result->pixel(2 * j, y), a.pixel(j, y)) << j;
            ASSERT_EQ(result->pixel(2 * j + 1, y), byteMean(a.pixel(j, y), a.pixel((j + 1) % 256, y))) << j;
        }
    }
    // The order of the inputs decides only which is A.
    Canvas* swapped = texture::makeCombine(store, b, a, 1, 0, 1.0f, -1);
    ASSERT_NE(swapped, nullptr);
    EXPECT_TRUE(std::ranges::equal(swapped->pixels(), result->pixels()));
}

TEST(Combine, FourfoldEnlargementInterpolatesInQuarters) {
    Canvas row(2, 1, 0);
    row.setPixel(0, 0, 0x00000000u);
    row.setPixel(1, 0, 0x0000FF64u);
    const Canvas wide = texture::resampled(row, 8, 1);
    // Output k of a pixel is ((4 - k) * left + k * right) / 4; the last pixel leans towards the first.
    const std::vector<std::uint32_t> expected = {0x00000000u, 0x00003F19u, 0x00007F32u, 0x0000BF4Bu,
                                                 0x0000FF64u, 0x0000BF4Bu, 0x00007F32u, 0x00003F19u};
    EXPECT_TRUE(std::ranges::equal(wide.pixels(), expected));
}

TEST(Combine, ColumnsAreResampledThroughTheAntiDiagonalFlip) {
    const Canvas source = patterned(4, 8, 7);
    const Canvas flipped = texture::flipAntiDiagonal(source);
    ASSERT_EQ(flipped.width(), 8);
    ASSERT_EQ(flipped.height(), 4);
    EXPECT_EQ(flipped.pixel(0, 0), source.pixel(3, 7));
    EXPECT_EQ(flipped.pixel(5, 1), source.pixel(2, 2));
    EXPECT_TRUE(std::ranges::equal(texture::flipAntiDiagonal(flipped).pixels(), source.pixels()));

    // A column of a above b doubled: the rows are resized bottom to top, so the interpolated rows lie
    // above their originals: (a+b)/2, a, (a+b)/2, b.
    Canvas column(1, 2, 0);
    const std::uint32_t a = 0x10204080u;
    const std::uint32_t b = 0x30A0C0F0u;
    column.setPixel(0, 0, a);
    column.setPixel(0, 1, b);
    const Canvas tall = texture::resampled(column, 1, 4);
    EXPECT_EQ(tall.pixel(0, 0), byteMean(a, b));
    EXPECT_EQ(tall.pixel(0, 1), a);
    EXPECT_EQ(tall.pixel(0, 2), byteMean(a, b));
    EXPECT_EQ(tall.pixel(0, 3), b);
}

TEST(Combine, ShrinkingAveragesWholeGroups) {
    Canvas source(4, 4, 0);
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) source.setPixel(x, y, static_cast<std::uint32_t>(10 * x + 100 * y));
    }
    const Canvas small = texture::resampled(source, 2, 2);
    // Blue bytes: mean of {0, 10, 100, 110} = 55, of {20, 30, 120, 130} = 75; lower rows + 200.
    EXPECT_EQ(small.pixel(0, 0), 55u);
    EXPECT_EQ(small.pixel(1, 0), 75u);
    // {200, 210, 300, 310}: bytes are averaged one by one, so 300 = 0x12C counts 0x2C in blue, 1 in green.
    EXPECT_EQ(small.pixel(0, 1), (200u + 210u + 0x2Cu + 0x36u) / 4u);
}

TEST(Combine, ByteModesWithHandWorkedValues) {
    // d = 200, e = 100.
    EXPECT_EQ(texture::combineByte(CombineMode::Multiply, 200, 100), 78u);          // 20000 / 255 = 78.4
    EXPECT_EQ(texture::combineByte(CombineMode::Add, 200, 100), 255u);              // 300, limited
    EXPECT_EQ(texture::combineByte(CombineMode::AddThenMultiply, 200, 100), 117u);  // 30000 / 255 = 117.6
    EXPECT_EQ(texture::combineByte(CombineMode::Subtract, 200, 100), 100u);
    EXPECT_EQ(texture::combineByte(CombineMode::Subtract, 100, 200), 0u);
    EXPECT_EQ(texture::combineByte(CombineMode::Fold, 200, 100), 212u);             // 300 folds back to 512 - 300
    EXPECT_EQ(texture::combineByte(CombineMode::Fold, 200, 400), 88u);              // 600 AND 511 = 88
    EXPECT_EQ(texture::combineByte(CombineMode::Fold, 100, 100), 200u);
    EXPECT_EQ(texture::combineByte(texture::combineModeFromScript(9), 200, 100), 200u);

    // Through the operator: the factor scales B's byte with rounding to even (0.5 x 201 = 100.5 -> 100),
    // and byte channel 0 is blue only.
    graph::ObjectStore store;
    Canvas a(1, 1, 0x11C8C8C8u);
    Canvas b(1, 1, 0x22C9C9C9u);
    Canvas* result = texture::makeCombine(store, a, b, 4, 0, 0.5f, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->pixel(0, 0), 0x11C8C8D4u);
    Canvas* all = texture::makeCombine(store, a, b, 3, 0, 0.5f, -1);
    EXPECT_EQ(all->pixel(0, 0), 0x00646464u);  // 0x11 - round(0.5 * 0x22) = 0 for alpha too
}

TEST(Combine, BlendModeMergesOnlyTheMaskedChannels) {
    graph::ObjectStore store;
    Canvas a(2, 2, 0xFF102030u);
    Canvas b(2, 2, 0xFF405060u);
    // Add, mask index 0: red only. Red 0x10 + 0x40; everything else stays A.
    Canvas* red = texture::makeCombine(store, a, b, 5, 1, 0.0f, 0);
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->pixel(1, 1), 0xFF502030u);
    Canvas* rgb = texture::makeCombine(store, a, b, 5, 2, 0.0f, -2);
    EXPECT_EQ(rgb->pixel(0, 0), 0xFF000000u);  // subtract: 0x10 - 0x40 clamps to 0; alpha kept from A
    // Outside the table the mask selects nothing: combineInto keeps A and says so.
    Canvas kept(2, 2, 0);
    EXPECT_FALSE(texture::combineInto(kept, a, b, {CombineMode::Blend, texture::BlendMode::Add, 0.0f, 6}));
    EXPECT_EQ(kept.pixel(0, 1), 0xFF102030u);
}

}  // namespace
