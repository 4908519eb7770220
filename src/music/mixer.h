// The software mixer: voices 0..63 resampled with linear interpolation, looped and ramped into
// interleaved stereo floats, and the conversion of mixed floats to 16-bit PCM.
#pragma once

#include <cstdint>

namespace music {

// Adds frames x 2 floats (left, right) into destination.
void mixVoices(float* destination, std::int32_t frames);

// Rounds half to even and clamps each of the 2 x frames values.
void convertBlock(std::int16_t* destination, const float* source, std::int32_t frames);

}  // namespace music
