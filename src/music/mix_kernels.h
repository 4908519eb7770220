// The mixer's inner loops: one run of frames of one voice, resampled with linear interpolation and added
// into interleaved stereo floats, at constant gains or along a linear gain ramp.
#pragma once

#include <cstdint>

namespace music {

// Interpolation weight scale: the fraction is halved to a non-negative 31-bit integer before it becomes a
// float, so the weight is (f >> 1) x 2^-31.
constexpr float kInterpolationScale = 1.0f / 2147483648.0f;
constexpr float kOneOver255 = 1.0f / 255.0f;
constexpr float kOneOver256 = 1.0f / 256.0f;
static_assert(kOneOver255 == 0.003921569f);

// One run: `count` frames read from `frames` (an array of `frameCount` 16-bit frames) starting at the 32.32
// position `position`, which moves by `delta` (the step, negated for backward play) after each frame.
// Frames outside 0..frameCount-1 read as silence, so a corrupt position or loop never reads out of bounds;
// the bounds are checked once per run and the unchecked loop runs whenever the whole run lies inside.
struct MixRun {
    const std::int16_t* frames = nullptr;
    std::int64_t frameCount = 0;
    std::int64_t position = 0;
    std::int64_t delta = 0;
    std::int32_t count = 0;
    float* destination = nullptr;  // count x {left, right}
};

// Constant gains (gain / 255 as float32), two frames per pass; an odd last frame is mixed at
// oddLeft/oddRight, the gains the ramp loop would use. Returns the position after the run.
std::int64_t mixConstant(const MixRun& run, float left, float right, float oddLeft, float oddRight);

// Linear ramp: each frame is mixed at the current gains, which then grow by the increments. The gains for
// the frame after the run are written back to left and right. Returns the position after the run.
std::int64_t mixRamp(const MixRun& run, float& left, float& right, float incrementLeft, float incrementRight);

}  // namespace music
