// The gradient operator (script class 14): a ring, a linear ramp or a disc between two colours, written
// into selected byte channels of a canvas in place.
#pragma once

#include <cstdint>

#include "graph/constructor.h"
#include "texture/canvas.h"

namespace texture {

// Script values 0 and 1; every other value draws a disc.
enum class GradientKind : std::int32_t { Ring = 0, Linear = 1, Disc = 2 };

struct Gradient {
    GradientKind kind = GradientKind::Disc;
    std::uint32_t colour1 = 0;  // inside the ring, at the ramp's start, at the disc's centre
    std::uint32_t colour2 = 0;  // outside, past the ramp's end
    std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::int32_t channel = -1;  // byte channel 0..3 (0 blue); negative: all four bytes, alpha included
    float exponent = 1.0f;      // shapes the blend: ((distance into the ramp) / length) ^ exponent
};

GradientKind gradientKindFromScript(std::int32_t value);

// Ring: centred on the canvas, inner radius |(x0, y0)|, width |(x1 - x0, y1 - y0)|. Linear: from (x0, y0)
// towards (x1, y1). Disc: around (x0, y0) with that radius. A zero length makes the blend a step to
// colour 2; a channel above 3 changes nothing.
void applyGradient(Canvas& canvas, const Gradient& gradient);

// Class 14: canvas, kind, colour 1, colour 2, x0, y0, x1, y1, byte channel, exponent; returns the canvas.
Canvas* makeGradient(graph::ObjectStore& store, Canvas& canvas, std::int32_t kind, std::int32_t colour1,
                     std::int32_t colour2, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                     std::int32_t channel, float exponent);

}  // namespace texture
