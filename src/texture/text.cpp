// Line layout of the text operator and the compositing of rendered coverage onto the canvas.
#include "texture/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace texture {

namespace {

// The bytes before the terminating zero; all of them, and false, when there is none.
bool terminated(std::span<const std::uint8_t> data, std::span<const std::uint8_t>& out) {
    const auto zero = std::ranges::find(data, std::uint8_t{0});
    out = std::span<const std::uint8_t>(data.begin(), zero);
    return zero != data.end();
}

// Why the record cannot be drawn, or empty.
std::string checkArguments(std::int32_t maskIndex, std::int32_t height) {
    if (!channelMask(maskIndex)) {
        return "channel-mask index " + std::to_string(maskIndex) + " is not -2..3";
    }
    if (height < -kMaxFontHeight || height > kMaxFontHeight) {
        return "font height " + std::to_string(height) + " is outside -" + std::to_string(kMaxFontHeight) + ".." +
               std::to_string(kMaxFontHeight);
    }
    return {};
}

}  // namespace

std::int32_t escapementFromAngle(float radians) {
    const float tenths = radians * 572.95776f;
    if (std::isnan(tenths)) {
        return 0;
    }
    // Whole turns beyond this change nothing but could not be held in an int.
    return static_cast<std::int32_t>(std::nearbyint(std::clamp(tenths, -1.0e9f, 1.0e9f)));
}

std::vector<std::int32_t> lineAdvances(TextSurface& surface, std::span<const std::uint8_t> line, bool fixedAdvance,
                                       std::int32_t extraSpacing) {
    std::vector<std::int32_t> advances;
    advances.reserve(line.size());
    for (std::uint8_t code : line) {
        const std::int64_t advance = std::int64_t{fixedAdvance ? 0 : surface.characterWidth(code)} + extraSpacing;
        advances.push_back(static_cast<std::int32_t>(std::clamp<std::int64_t>(advance, INT32_MIN, INT32_MAX)));
    }
    return advances;
}

void drawLines(TextSurface& surface, const TextDrawing& drawing) {
    // Lines overlap by one pixel row: the step is one less than the font height.
    const std::int64_t step = std::int64_t{drawing.font.height} - 1;
    std::int64_t y = drawing.y;
    std::span<const std::uint8_t> rest = drawing.text;
    while (true) {
        const auto feed = std::ranges::find(rest, std::uint8_t{'\n'});
        const std::span<const std::uint8_t> line(rest.begin(), feed);
        if (!line.empty() && y >= INT32_MIN && y <= INT32_MAX) {
            const std::vector<std::int32_t> advances =
                lineAdvances(surface, line, drawing.fixedAdvance, drawing.extraSpacing);
            surface.drawLine(drawing.x, static_cast<std::int32_t>(y), line, advances);
        }
        if (feed == rest.end()) {
            return;
        }
        y += step;
        rest = std::span<const std::uint8_t>(feed + 1, rest.end());
    }
}

void compositeCoverage(Canvas& canvas, const CoverageImage& coverage, std::uint32_t colour, BlendMode mode,
                       std::uint32_t mask) {
    const std::int32_t width = std::min(canvas.width(), coverage.width);
    const std::int32_t height = std::min(canvas.height(), coverage.height);
    for (std::int32_t y = 0; y < height; ++y) {
        std::span<std::uint32_t> row = canvas.row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t opacity = coverage.at(x, y);
            if (opacity > 0) {
                std::uint32_t& pixel = row[static_cast<std::size_t>(x)];
                pixel = mergeMasked(blendPixel(colour, pixel, opacity, mode), pixel, mask);
            }
        }
    }
}

bool drawText(Canvas& canvas, FontRenderer& renderer, const TextDrawing& drawing, std::string& error) {
    std::unique_ptr<TextSurface> surface = renderer.createSurface(canvas.width(), canvas.height(), drawing.font, error);
    if (surface == nullptr) {
        return false;
    }
    drawLines(*surface, drawing);
    compositeCoverage(canvas, surface->coverage(), drawing.colour, drawing.mode, drawing.mask);
    return true;
}

Canvas* makeText(graph::ObjectStore& store, Canvas& canvas, std::int32_t maskIndex, std::int32_t colour,
                 std::int32_t blendMode, std::int32_t x, std::int32_t y, graph::ScriptData text, graph::ScriptData face,
                 std::int32_t height, std::int32_t weight, float angle, std::int32_t fixedAdvance,
                 std::int32_t extraSpacing) {
    if (const std::string problem = checkArguments(maskIndex, height); !problem.empty()) {
        store.rejectRecord("Text: " + problem);
        return nullptr;
    }
    TextDrawing drawing;
    if (!terminated(text.bytes, drawing.text)) {
        reportTextureProblem("text", "the text has no terminating zero; drawn up to the end of its data");
    }
    std::span<const std::uint8_t> faceName;
    if (!terminated(face.bytes, faceName)) {
        reportTextureProblem("text", "the face name has no terminating zero; read up to the end of its data");
    }
    FontRenderer* renderer = fontRenderer();
    if (renderer == nullptr) {
        reportTextureProblem("text", "no font renderer is selected; nothing drawn");
        return &canvas;
    }
    drawing.mask = *channelMask(maskIndex);
    drawing.colour = static_cast<std::uint32_t>(colour);
    drawing.mode = blendModeFromScript(blendMode);
    drawing.x = x;
    drawing.y = y;
    drawing.font.face.assign(faceName.begin(), faceName.end());
    drawing.font.height = height;
    drawing.font.weight = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{weight} * 100, 0, 1000));
    drawing.font.escapement = escapementFromAngle(angle);
    drawing.fixedAdvance = fixedAdvance != 0;
    drawing.extraSpacing = extraSpacing;
    std::string error;
    if (!drawText(canvas, *renderer, drawing, error)) {
        reportTextureProblem("text", error + "; nothing drawn");
    }
    return &canvas;
}

}  // namespace texture
