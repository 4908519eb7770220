// Text through the platform's font renderer (FreeType with fontconfig here). Glyph shapes change with
// font packages, so these check positions, extents and relations between renderings, with tolerances
// that still catch a wrong row stride, a flipped or mirrored image, a missing line or a wrong direction.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/font_factory.h"
#include "texture/text.h"

namespace {

using texture::Canvas;

struct Ink {
    std::int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;  // inclusive bounds
    std::int64_t total = 0;                                                   // summed grey
    bool empty() const { return right < 0; }
    std::int32_t width() const { return right - left + 1; }
    std::int32_t height() const { return bottom - top + 1; }
};

// Text drawn white in replace-free "add" mode on black, so the red byte is the coverage.
Canvas render(std::int32_t width, std::int32_t height, const std::string& text, std::int32_t x, std::int32_t y,
              std::int32_t fontHeight, float angle = 0.0f, std::int32_t weight = 400, bool fixedAdvance = false,
              std::int32_t extra = 0, const std::string& face = "Arial") {
    Canvas canvas(width, height, 0xFF000000u);
    texture::TextDrawing drawing;
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    drawing.text = bytes;
    drawing.mode = texture::BlendMode::Add;
    drawing.x = x;
    drawing.y = y;
    drawing.font = {face, fontHeight, weight, texture::escapementFromAngle(angle)};
    drawing.fixedAdvance = fixedAdvance;
    drawing.extraSpacing = extra;
    std::string error;
    EXPECT_TRUE(texture::drawText(canvas, platform::systemFontRenderer(), drawing, error)) << error;
    return canvas;
}

std::uint32_t grey(const Canvas& canvas, std::int32_t x, std::int32_t y) { return (canvas.pixel(x, y) >> 16) & 0xFFu; }

Ink inkOf(const Canvas& canvas) {
    Ink ink;
    for (std::int32_t y = 0; y < canvas.height(); ++y) {
        for (std::int32_t x = 0; x < canvas.width(); ++x) {
            if (const std::uint32_t g = grey(canvas, x, y); g > 0) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ink.total += g;
            }
        }
    }
    return ink;
}

// True when canvas b equals canvas a moved by (dx, dy), over the part of a that stays inside b.
bool shiftedCopy(const Canvas& a, const Canvas& b, std::int32_t dx, std::int32_t dy) {
    for (std::int32_t y = 0; y < a.height(); ++y) {
        for (std::int32_t x = 0; x < a.width(); ++x) {
            const std::int32_t tx = x + dx;
            const std::int32_t ty = y + dy;
            if (tx >= 0 && ty >= 0 && tx < b.width() && ty < b.height() && grey(a, x, y) != grey(b, tx, ty)) {
                return false;
            }
        }
    }
    return true;
}

TEST(TextRendering, OneLineSitsInItsCellAndIsUpright) {
    const Canvas canvas = render(128, 64, "HLH", 10, 12, 24);
    const Ink ink = inkOf(canvas);
    ASSERT_FALSE(ink.empty());
    // Capitals: from a little below the top of the cell to the baseline, about 0.7 of the height.
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.left, 14);
    EXPECT_GE(ink.top, 12 + 2);
    EXPECT_LE(ink.bottom, 12 + 24);
    EXPECT_NEAR(ink.height(), 17, 3);
    // The L's foot runs right along the bottom: its bottom row reaches further right than its top row.
    const Canvas l = render(64, 64, "L", 10, 10, 32);
    const Ink lInk = inkOf(l);
    std::int32_t topRowRight = 0;
    std::int32_t bottomRowRight = 0;
    for (std::int32_t x = 0; x < 64; ++x) {
        if (grey(l, x, lInk.top + 1) > 128) topRowRight = x;
        if (grey(l, x, lInk.bottom - 1) > 128) bottomRowRight = x;
    }
    EXPECT_GT(bottomRowRight, topRowRight + 8);
}

TEST(TextRendering, SecondLineIsTheFirstMovedDownHeightMinusOne) {
    const Canvas one = render(64, 128, "Hg", 8, 4, 30);
    const Canvas two = render(64, 128, "Hg\nHg", 8, 4, 30);
    const Ink first = inkOf(one);
    const Ink both = inkOf(two);
    EXPECT_EQ(both.top, first.top);
    EXPECT_EQ(both.bottom, first.bottom + 29);
    // Line two alone: draw an empty first line.
    const Canvas lower = render(64, 128, "\nHg", 8, 4, 30);
    EXPECT_TRUE(shiftedCopy(one, lower, 0, 29));
    EXPECT_EQ(inkOf(lower).total, first.total);
}

TEST(TextRendering, CharactersAdvanceByWidthPlusSpacing) {
    std::string error;
    texture::FontSpec font{"Arial", 24, 400, 0};
    auto surface = platform::systemFontRenderer().createSurface(8, 8, font, error);
    ASSERT_NE(surface, nullptr) << error;
    const std::int32_t width = surface->characterWidth('H');
    EXPECT_NEAR(width, 17, 2);  // Arial's H is 0.72 of the em; a 24-pixel cell has a 21-pixel em

    const Canvas single = render(128, 64, "H", 4, 4, 24);
    const Canvas spaced = render(128, 64, "HH", 4, 4, 24, 0.0f, 400, false, 5);
    EXPECT_TRUE(shiftedCopy(single, spaced, width + 5, 0));
    EXPECT_EQ(inkOf(spaced).total, 2 * inkOf(single).total);
    // Fixed advance without spacing: every character on the same place.
    const Canvas stacked = render(128, 64, "HHH", 4, 4, 24, 0.0f, 400, true, 0);
    const Ink stackedInk = inkOf(stacked);
    const Ink singleInk = inkOf(single);
    EXPECT_EQ(stackedInk.left, singleInk.left);
    EXPECT_EQ(stackedInk.right, singleInk.right);
    // A carriage return is drawn as the font's blank return glyph, not as a missing-glyph box.
    EXPECT_EQ(inkOf(render(128, 64, "H\r", 4, 4, 24)).total, singleInk.total);
}

TEST(TextRendering, TurnedTextRunsUpOrDownInsideItsCanvas) {
    const Ink flat = inkOf(render(256, 64, "Party 2007", 4, 4, 32, 0.0f, 700));
    // Upwards from (10, 240) on an upright 128 x 256 canvas: the line becomes a column above y = 240,
    // right of x = 10 (the tops of the letters face left, towards x).
    const Canvas up = render(128, 256, "Party 2007", 10, 240, 32, 1.58f, 700);
    const Ink upInk = inkOf(up);
    ASSERT_FALSE(upInk.empty());
    EXPECT_GE(upInk.left, 10);
    EXPECT_LE(upInk.bottom, 244);
    EXPECT_GT(upInk.top, 0);  // all of it inside the canvas
    EXPECT_NEAR(upInk.height(), flat.width(), 3);
    EXPECT_NEAR(upInk.width(), flat.height(), 3);
    EXPECT_NEAR(static_cast<double>(upInk.total), static_cast<double>(flat.total), flat.total * 0.08);
    // Downwards: the column hangs below the reference point, left of it.
    const Ink downInk = inkOf(render(128, 256, "Party 2007", 100, 10, 32, -1.57f, 700));
    EXPECT_GE(downInk.top, 6);
    EXPECT_LE(downInk.right, 100);
    EXPECT_NEAR(downInk.height(), flat.width(), 3);
}

TEST(TextRendering, BoldCarriesMoreInkThanRegular) {
    const Ink regular = inkOf(render(256, 64, "velbry", 4, 4, 32, 0.0f, 400));
    const Ink bold = inkOf(render(256, 64, "velbry", 4, 4, 32, 0.0f, 700));
    EXPECT_GT(bold.total, regular.total * 12 / 10);
}

TEST(TextRendering, NarrowCanvasesMatchTheLeftColumnsOfAWideOne) {
    // Widths whose 24-bit rows would be padded; the text covers the first columns.
    const Canvas wide = render(64, 64, "WM", -3, 5, 40);
    for (const std::int32_t width : {1, 2, 4, 8}) {
        const Canvas narrow = render(width, 64, "WM", -3, 5, 40);
        for (std::int32_t y = 0; y < 64; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                ASSERT_EQ(narrow.pixel(x, y), wide.pixel(x, y)) << width << ": " << x << "," << y;
            }
        }
    }
    EXPECT_FALSE(inkOf(render(2, 64, "WM", -3, 5, 40)).empty());
}

TEST(TextRendering, UnknownFaceFallsBackToASansFace) {
    const Ink fallback = inkOf(render(256, 64, "Hello", 4, 4, 24, 0.0f, 400, false, 0, "No Such Face 2007"));
    const Ink arial = inkOf(render(256, 64, "Hello", 4, 4, 24));
    ASSERT_FALSE(fallback.empty());
    EXPECT_NEAR(fallback.height(), arial.height(), 4);
}

}  // namespace
