// The pseudo-random sequence of the Microsoft C runtime's srand/rand, reproduced exactly so that every
// generated texture and mesh comes out the same on every platform and compiler.
#pragma once

#include <cstdint>

namespace math {

// Largest value rand returns (15-bit results).
constexpr int kRandMax = 0x7FFF;

// Seeds the one process-wide generator. The state before the first srand equals srand(1).
void srand(std::uint32_t seed);

// Next value of the sequence, 0..kRandMax: state = state * 214013 + 2531011, result = bits 16..30.
int rand();

}  // namespace math
