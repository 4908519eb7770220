// The text operator (script class 21): lines of text rendered by the font renderer and composited onto a
// canvas in one colour, the rendered coverage acting as opacity, through a channel mask.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graph/constructor.h"
#include "texture/blend.h"
#include "texture/canvas.h"
#include "texture/font_renderer.h"

namespace texture {

// Largest font height a text record may ask for, either sign: far above any lettering that fits a canvas.
constexpr std::int32_t kMaxFontHeight = 4096;

struct TextDrawing {
    std::uint32_t mask = 0xFFFFFFFFu;  // the channels the text may change
    std::uint32_t colour = 0xFFFFFFFFu;
    BlendMode mode = BlendMode::Over;
    std::int32_t x = 0;  // left edge of every line
    std::int32_t y = 0;  // top of the first line
    std::span<const std::uint8_t> text;  // without its terminating zero; line feeds separate lines
    FontSpec font;
    bool fixedAdvance = false;     // every character advances by the extra spacing alone
    std::int32_t extraSpacing = 0; // added to every character's advance
};

// round(angle x 572.95776): radians to tenths of a degree, ties to even.
std::int32_t escapementFromAngle(float radians);

// The characters' advances: each character's own width (unless fixedAdvance) plus the extra spacing.
std::vector<std::int32_t> lineAdvances(TextSurface& surface, std::span<const std::uint8_t> line, bool fixedAdvance,
                                       std::int32_t extraSpacing);

// Draws every non-empty line at (x, y + n * (height - 1)) for the n-th line. A carriage return is an
// ordinary character of its line.
void drawLines(TextSurface& surface, const TextDrawing& drawing);

// Where coverage is above 0 the canvas pixel p becomes (blendPixel(colour, p, coverage, mode) AND mask)
// OR (p AND NOT mask). Rows are read at the image's own stride, whatever padding they carry.
void compositeCoverage(Canvas& canvas, const CoverageImage& coverage, std::uint32_t colour, BlendMode mode,
                       std::uint32_t mask);

// Renders and composites; false with the reason in error when the renderer cannot make a surface.
bool drawText(Canvas& canvas, FontRenderer& renderer, const TextDrawing& drawing, std::string& error);

// Class 21: canvas, channel-mask index, colour, blend mode, x, y, text, face, height, weight (hundreds),
// angle (radians), fixed advance, extra spacing; returns the canvas. A channel-mask index outside the
// table or a height beyond kMaxFontHeight refuses the record. Text and face are zero-terminated data; one
// without its terminator is taken up to the end of its data, with a message. Without a selected
// renderer, or when the renderer has no font at all, the canvas stays as it was, with a message.
Canvas* makeText(graph::ObjectStore& store, Canvas& canvas, std::int32_t maskIndex, std::int32_t colour,
                 std::int32_t blendMode, std::int32_t x, std::int32_t y, graph::ScriptData text, graph::ScriptData face,
                 std::int32_t height, std::int32_t weight, float angle, std::int32_t fixedAdvance,
                 std::int32_t extraSpacing);

}  // namespace texture
