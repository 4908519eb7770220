// The combiner (script class 32): two canvases brought to a common size and merged channel by channel
// or through blendPixel into a new canvas.
#pragma once

#include <cstdint>

#include "graph/constructor.h"
#include "texture/blend.h"
#include "texture/canvas.h"

namespace texture {

// Script values 0 to 5; every other value keeps canvas A's bytes.
enum class CombineMode : std::int32_t { Multiply = 0, Add = 1, AddThenMultiply = 2, Subtract = 3, Fold = 4,
                                        Blend = 5, KeepA = 6 };

CombineMode combineModeFromScript(std::int32_t value);

struct Combine {
    CombineMode mode = CombineMode::KeepA;
    BlendMode blendMode = BlendMode::Over;  // Blend mode only
    float factor = 1.0f;                    // scales B's bytes, all modes but Blend
    // Blend: a channel-mask index (-2..3, 0 red); the others: a byte channel (0 blue), negative for all.
    std::int32_t channel = -1;
};

// One byte of A (d) combined with the byte of B already scaled by the factor (e), limited to 0..255.
std::uint32_t combineByte(CombineMode mode, std::int64_t d, std::int64_t e);

// Both inputs resampled to the result's size (the larger width and height of the two), then combined
// pixel by pixel into result, which is neither input. Blend with a channel-mask index outside the table
// keeps A, and false says so.
bool combineInto(Canvas& result, const Canvas& a, const Canvas& b, const Combine& combine);

// Class 32: canvas A, canvas B, mode, blend mode, factor, channel; returns a new canvas. A common size
// above the canvas limits, or mode 5 with a channel-mask index outside the table, refuses the record.
Canvas* makeCombine(graph::ObjectStore& store, Canvas& a, Canvas& b, std::int32_t mode, std::int32_t blendMode,
                    float factor, std::int32_t channel);

}  // namespace texture
