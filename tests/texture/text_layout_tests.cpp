// The text operator against a scripted renderer: line stepping, advances, the script arguments, and
// compositing of coverage images whatever their row padding.
#include "texture/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graph/graph_builder.h"
#include "shell/class_table.h"
#include "support/script_writer.h"

namespace {

using texture::Canvas;

struct DrawnLine {
    std::int32_t x, y;
    std::string characters;
    std::vector<std::int32_t> advances;
};

// Records the lines it is given; each character is "width" code % 7 + 3; draws nothing unless told to
// cover rows, and hands out its image as 24-bit rows padded to four bytes.
class ScriptedSurface final : public texture::TextSurface {
public:
    ScriptedSurface(std::int32_t width, std::int32_t height, std::vector<DrawnLine>& lines)
        : width_(width), height_(height), stride_((width * 3 + 3) & ~3), lines_(lines),
          bytes_(static_cast<std::size_t>(stride_) * height, 0) {}

    std::int32_t characterWidth(std::uint8_t code) override { return code % 7 + 3; }
    void drawLine(std::int32_t x, std::int32_t y, std::span<const std::uint8_t> characters,
                  std::span<const std::int32_t> advances) override {
        lines_.push_back({x, y, std::string(characters.begin(), characters.end()),
                          std::vector<std::int32_t>(advances.begin(), advances.end())});
        // Marks the line's first pixel with the coverage 200, in all three bytes as GDI's grey would.
        if (x >= 0 && x < width_ && y >= 0 && y < height_) {
            for (int b = 0; b < 3; ++b) bytes_[static_cast<std::size_t>(y) * stride_ + x * 3 + b] = 200;
        }
    }
    texture::CoverageImage coverage() override { return {bytes_.data(), width_, height_, stride_, 3}; }

private:
    std::int32_t width_, height_, stride_;
    std::vector<DrawnLine>& lines_;
    std::vector<std::uint8_t> bytes_;
};

class ScriptedRenderer final : public texture::FontRenderer {
public:
    std::unique_ptr<texture::TextSurface> createSurface(std::int32_t width, std::int32_t height,
                                                        const texture::FontSpec& font, std::string& error) override {
        fonts.push_back(font);
        if (refuse) {
            error = "refused";
            return nullptr;
        }
        return std::make_unique<ScriptedSurface>(width, height, lines);
    }
    bool refuse = false;
    std::vector<texture::FontSpec> fonts;
    std::vector<DrawnLine> lines;
};

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// Draws text with height 20 at (5, 7) on a 64 x 64 canvas and returns the lines the renderer got.
std::vector<DrawnLine> layout(const std::string& text, bool fixedAdvance = false, std::int32_t extra = 0) {
    ScriptedRenderer renderer;
    Canvas canvas(64, 64, 0);
    texture::TextDrawing drawing;
    const std::vector<std::uint8_t> bytes = bytesOf(text);
    drawing.text = bytes;
    drawing.x = 5;
    drawing.y = 7;
    drawing.font.height = 20;
    drawing.fixedAdvance = fixedAdvance;
    drawing.extraSpacing = extra;
    std::string error;
    EXPECT_TRUE(texture::drawText(canvas, renderer, drawing, error));
    return renderer.lines;
}

TEST(TextLayout, LinesStepDownOnePixelLessThanTheHeight) {
    const std::vector<DrawnLine> one = layout("plain line");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].x, 5);
    EXPECT_EQ(one[0].y, 7);
    EXPECT_EQ(one[0].characters, "plain line");

    // The carriage return of a CR LF pair is a character of its line.
    const std::vector<DrawnLine> two = layout("A\r\nB");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].characters, "A\r");
    EXPECT_EQ(two[1].characters, "B");
    EXPECT_EQ(two[1].x, 5);
    EXPECT_EQ(two[1].y, 7 + 19);

    // Empty lines draw nothing and still move on; a final line feed adds no line.
    const std::vector<DrawnLine> gaps = layout("A\n\n\nB\n");
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(gaps[1].y, 7 + 3 * 19);
    EXPECT_TRUE(layout("").empty());
    EXPECT_TRUE(layout("\n\n").empty());
}

TEST(TextLayout, AdvancesAreCharacterWidthsPlusSpacingOrTheSpacingAlone) {
    const std::vector<DrawnLine> own = layout("abc");
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(own[0].advances, (std::vector<std::int32_t>{'a' % 7 + 3, 'b' % 7 + 3, 'c' % 7 + 3}));
    const std::vector<DrawnLine> tight = layout("abc", false, -2);
    EXPECT_EQ(tight[0].advances, (std::vector<std::int32_t>{'a' % 7 + 1, 'b' % 7 + 1, 'c' % 7 + 1}));
    // Fixed advance: every character at the same place without spacing, evenly spaced with it.
    EXPECT_EQ(layout("abc", true)[0].advances, (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(layout("abc", true, 9)[0].advances, (std::vector<std::int32_t>{9, 9, 9}));
}

TEST(TextLayout, AngleBecomesTenthsOfADegree) {
    EXPECT_EQ(texture::escapementFromAngle(1.58f), 905);
    EXPECT_EQ(texture::escapementFromAngle(-1.57f), -900);
    EXPECT_EQ(texture::escapementFromAngle(0.0f), 0);
    EXPECT_EQ(texture::escapementFromAngle(3.14159265f), 1800);
    EXPECT_EQ(texture::escapementFromAngle(1.0e30f), 1000000000);  // held, not overflowed
}

TEST(TextCompositing, ReplaceWritesTheColourWhereverThereIsCoverage) {
    std::vector<std::uint8_t> image = {0, 1, 128, 255};
    Canvas canvas(4, 1, 0x11223344u);
    texture::compositeCoverage(canvas, {image.data(), 4, 1, 4, 1}, 0x80FF8000u, texture::BlendMode::Replace,
                               0xFFFFFFFFu);
    EXPECT_EQ(canvas.pixel(0, 0), 0x11223344u);
    EXPECT_EQ(canvas.pixel(1, 0), 0x80FF8000u);
    EXPECT_EQ(canvas.pixel(2, 0), 0x80FF8000u);
    EXPECT_EQ(canvas.pixel(3, 0), 0x80FF8000u);

    // Over: the coverage scales the colour's alpha, so edges blend. Green mask: only green may change.
    Canvas over(4, 1, 0xFF000000u);
    texture::compositeCoverage(over, {image.data(), 4, 1, 4, 1}, 0xFFFFFFFFu, texture::BlendMode::Over,
                               0xFFFFFFFFu);
    EXPECT_EQ(over.pixel(1, 0), 0xFF010101u);
    EXPECT_EQ(over.pixel(2, 0), 0xFF808080u);
    EXPECT_EQ(over.pixel(3, 0), 0xFFFFFFFFu);
    Canvas green(4, 1, 0xFF000000u);
    texture::compositeCoverage(green, {image.data(), 4, 1, 4, 1}, 0xFFFFFFFFu, texture::BlendMode::Over,
                               *texture::channelMask(1));
    EXPECT_EQ(green.pixel(3, 0), 0xFF00FF00u);
}

TEST(TextCompositing, PaddedRowsAreReadAtTheirOwnStride) {
    // A 2 x 3 canvas from a 24-bit image: 6 bytes of pixels and 2 of padding per row. Stepping three
    // bytes per pixel straight through would read row 1 two bytes early and row 2 four bytes early.
    const std::vector<std::uint8_t> padded = {10, 10, 10, 20, 20, 20, 99, 99,
                                              30, 30, 30, 40, 40, 40, 99, 99,
                                              50, 50, 50, 0,  0,  0,  99, 99};
    Canvas canvas(2, 4, 0xFF000000u);
    texture::compositeCoverage(canvas, {padded.data(), 2, 3, 8, 3}, 0xFFFFFFFFu, texture::BlendMode::Add,
                               0xFFFFFFFFu);
    const std::vector<std::uint32_t> grey = {10, 20, 30, 40, 50};
    for (std::size_t i = 0; i < grey.size(); ++i) {
        EXPECT_EQ(canvas.pixels()[i], 0xFF000000u | grey[i] * 0x010101u) << i;
    }
    EXPECT_EQ(canvas.pixel(1, 2), 0xFF000000u);  // coverage 0: untouched
    EXPECT_EQ(canvas.pixel(0, 3), 0xFF000000u);  // below the image
}

// Builds one text record on a fresh 16 x 16 canvas with the given renderer selected.
Canvas* buildText(graph::ObjectStore& store, texture::FontRenderer* renderer, std::int32_t mask,
                  std::int32_t height, const std::vector<std::uint8_t>& text, const std::vector<std::uint8_t>& face) {
    texture::setFontRenderer(renderer);
    const auto script = testsupport::ScriptWriter()
                            .record(static_cast<int>(shell::ClassIndex::Canvas)).integer(4).integer(4).integer(0).end()
                            .record(static_cast<int>(shell::ClassIndex::Text))
                            .ref(0).integer(mask).integer(-1).integer(0).integer(3).integer(2)
                            .data(text).data(face).integer(height).integer(7).real(1.58f).zero().integer(0)
                            .end()
                            .finish();
    const graph::BuildResult result = graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
    texture::setFontRenderer(nullptr);
    EXPECT_TRUE(result.ok()) << result.error;
    return dynamic_cast<Canvas*>(result.root);
}

TEST(TextRecord, ScriptArgumentsReachTheRenderer) {
    ScriptedRenderer renderer;
    graph::ObjectStore store;
    Canvas* canvas = buildText(store, &renderer, -1, 12, bytesOf(std::string("Hi\0junk", 7)), bytesOf(std::string("Arial\0", 6)));
    ASSERT_NE(canvas, nullptr);
    ASSERT_EQ(renderer.fonts.size(), 1u);
    EXPECT_EQ(renderer.fonts[0].face, "Arial");
    EXPECT_EQ(renderer.fonts[0].height, 12);
    EXPECT_EQ(renderer.fonts[0].weight, 700);
    EXPECT_EQ(renderer.fonts[0].escapement, 905);
    ASSERT_EQ(renderer.lines.size(), 1u);
    EXPECT_EQ(renderer.lines[0].characters, "Hi");  // the text ends at its zero byte
    EXPECT_EQ(renderer.lines[0].x, 3);
    EXPECT_EQ(renderer.lines[0].y, 2);
    EXPECT_EQ(canvas->pixel(3, 2), 0xFFFFFFFFu);  // replace mode wrote the colour where the surface covered

    // Text and face without their terminators: taken up to the end of their data.
    ScriptedRenderer unterminated;
    buildText(store, &unterminated, -1, 12, bytesOf("Hi"), bytesOf("Arial"));
    ASSERT_EQ(unterminated.lines.size(), 1u);
    EXPECT_EQ(unterminated.lines[0].characters, "Hi");
    EXPECT_EQ(unterminated.fonts[0].face, "Arial");
}

TEST(TextRecord, WithoutARendererOrAFontTheCanvasStaysAsItWas) {
    graph::ObjectStore store;
    const std::vector<std::uint8_t> text = bytesOf(std::string("Hi\0", 3));
    const std::vector<std::uint8_t> face = bytesOf(std::string("Arial\0", 6));
    Canvas* none = buildText(store, nullptr, -1, 12, text, face);
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(std::ranges::all_of(none->pixels(), [](std::uint32_t p) { return p == 0; }));
    ScriptedRenderer refusing;
    refusing.refuse = true;
    Canvas* unchanged = buildText(store, &refusing, -1, 12, text, face);
    ASSERT_NE(unchanged, nullptr);
    EXPECT_EQ(refusing.fonts.size(), 1u);
    EXPECT_TRUE(refusing.lines.empty());
    EXPECT_TRUE(std::ranges::all_of(unchanged->pixels(), [](std::uint32_t p) { return p == 0; }));
}

}  // namespace
