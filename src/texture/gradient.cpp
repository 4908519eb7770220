// Gradient distances and the blend weight B in 0..256 between the two colours.
#include "texture/gradient.h"

#include <cmath>

namespace texture {

namespace {

// Distance of a pixel in the gradient's own measure (along the ramp, or from a centre).
struct DistanceField {
    GradientKind kind;
    float centreX, centreY;  // ring: the canvas centre; otherwise (x0, y0)
    float dx, dy;            // linear: the unit direction

    float at(std::int32_t x, std::int32_t y) const {
        if (kind == GradientKind::Ring) {
            const float u = centreY - static_cast<float>(y);
            const float t = centreX - static_cast<float>(x);
            return std::sqrt(u * u + t * t);
        }
        const float u = static_cast<float>(y) - centreY;
        const float t = static_cast<float>(x) - centreX;
        if (kind == GradientKind::Linear) {
            return u * dy + t * dx;
        }
        return std::sqrt(u * u + t * t);
    }
};

// The weight of colour 2: 0 before the inner edge w, 256 past w + len, the shaped ramp in between.
std::int32_t blendWeight(float v, float w, float len, float exponent) {
    if (v < w) {
        return 0;
    }
    if (v > len + w || len == 0.0f) {
        return 256;
    }
    const float ratio = (v - w) / len;
    const double shaped = exponent == 1.0f ? ratio : std::pow(static_cast<double>(ratio), static_cast<double>(exponent));
    const double scaled = shaped * 256.0;
    // A non-positive exponent can leave 0..1; keep the weight a weight.
    if (!(scaled >= 0.0)) {
        return 0;
    }
    return scaled >= 256.0 ? 256 : static_cast<std::int32_t>(std::nearbyint(scaled));
}

}  // namespace

GradientKind gradientKindFromScript(std::int32_t value) {
    return value == 0 || value == 1 ? static_cast<GradientKind>(value) : GradientKind::Disc;
}

void applyGradient(Canvas& canvas, const Gradient& g) {
    const float dxRaw = static_cast<float>(std::int64_t{g.x1} - g.x0);
    const float dyRaw = static_cast<float>(std::int64_t{g.y1} - g.y0);
    const float len = std::sqrt(dxRaw * dxRaw + dyRaw * dyRaw);
    DistanceField field{g.kind, static_cast<float>(g.x0), static_cast<float>(g.y0), dxRaw, dyRaw};
    float w = 0.0f;
    if (g.kind == GradientKind::Ring) {
        w = std::sqrt(field.centreX * field.centreX + field.centreY * field.centreY);
        field.centreX = static_cast<float>(canvas.width()) * 0.5f - 0.5f;
        field.centreY = static_cast<float>(canvas.height()) * 0.5f - 0.5f;
    } else if (len != 0.0f) {
        field.dx = dxRaw / len;
        field.dy = dyRaw / len;
    }

    std::uint32_t selected = 0;  // bits of the pixel word the gradient writes
    for (std::int32_t i = 0; i < 4; ++i) {
        if (g.channel < 0 || g.channel == i) {
            selected |= 0xFFu << (8 * i);
        }
    }
    if (selected == 0) {
        return;
    }
    // Every byte depends only on its pixel's weight, so one weight serves all selected channels.
    for (std::int32_t y = 0; y < canvas.height(); ++y) {
        std::span<std::uint32_t> row = canvas.row(y);
        for (std::int32_t x = 0; x < canvas.width(); ++x) {
            const std::uint32_t b = static_cast<std::uint32_t>(blendWeight(field.at(x, y), w, len, g.exponent));
            std::uint32_t mixed = 0;
            for (std::int32_t i = 0; i < 4; ++i) {
                const std::uint32_t value = ((256u - b) * byteOf(g.colour1, i) + b * byteOf(g.colour2, i)) >> 8;
                mixed |= value << (8 * i);
            }
            std::uint32_t& pixel = row[static_cast<std::size_t>(x)];
            pixel = (mixed & selected) | (pixel & ~selected);
        }
    }
}

Canvas* makeGradient(graph::ObjectStore&, Canvas& canvas, std::int32_t kind, std::int32_t colour1,
                     std::int32_t colour2, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                     std::int32_t channel, float exponent) {
    applyGradient(canvas, {gradientKindFromScript(kind), static_cast<std::uint32_t>(colour1),
                            static_cast<std::uint32_t>(colour2), x0, y0, x1, y1, channel, exponent});
    return &canvas;
}

}  // namespace texture
