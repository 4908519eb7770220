// The noise operator (script class 33): white noise or tiling gradient noise from a seeded permutation
// table, written into one byte channel, or into blue, green and red, of a canvas in place.
#pragma once

#include <array>
#include <cstdint>

#include "graph/constructor.h"
#include "texture/canvas.h"

namespace texture {

// 257 entries of rand() AND 255 after srand(seed), drawn in order from the shared generator.
using PermutationTable = std::array<std::int32_t, 257>;
PermutationTable makePermutationTable(std::int32_t seed);

// Gradient noise at pixel (x, y) for a cell size of at least 2 and a lattice of cellsX x cellsY cells,
// which wraps so that the noise tiles; about -1..1.
float gradientNoise(const PermutationTable& p, std::int32_t x, std::int32_t y, std::int32_t cellSize,
                    std::int32_t cellsX, std::int32_t cellsY);

struct Noise {
    std::int32_t cellSize = 1;  // below 2: white noise, one value per pixel
    float contrast = 0.0f;      // the values are scaled by 128 ^ contrast
    std::int32_t seed = 0;
    std::int32_t channel = -1;  // byte channel 0..3 (0 blue); negative: blue, green and red, alpha untouched
};

// Writes the noise; false (nothing written) for a channel above 3.
bool applyNoise(Canvas& canvas, const Noise& noise);

// Class 33: canvas, cell size, contrast exponent, seed, byte channel; returns the canvas. A byte channel
// above 3 refuses the record.
Canvas* makeNoise(graph::ObjectStore& store, Canvas& canvas, std::int32_t cellSize, float contrast, std::int32_t seed,
                  std::int32_t channel);

}  // namespace texture
