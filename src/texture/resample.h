// Bringing a canvas to another power-of-two size for the combiner: integer-factor box shrinking and
// wrapping linear enlarging along rows, with columns done as rows of the anti-diagonally flipped canvas.
#pragma once

#include <cstdint>

#include "texture/canvas.h"

namespace texture {

// The canvas flipped about its anti-diagonal: H wide and W high, pixel (x, y) = old (W-1-y, H-1-x).
// Flipping twice gives the canvas back.
Canvas flipAntiDiagonal(const Canvas& source);

// A copy of source at width x height. Both sizes are powers of two, so the factors are whole: a
// shrunk pixel is the per-byte mean of the pixels it covers, truncated; an enlarged row interpolates
// each pixel towards its right neighbour, the last one towards the first.
Canvas resampled(const Canvas& source, std::int32_t width, std::int32_t height);

}  // namespace texture
