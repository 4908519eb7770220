// A mixing voice: one sample being played with its 32.32 position and step, its stereo gains and the
// mixer's ramp state. The replayer sets the musical fields, the mixer owns the ramp.
#pragma once

#include <cstdint>

#include "music/module.h"

namespace music {

enum class Direction : std::int32_t { Forward = 1, Backward = 2 };

struct Voice {
    std::int32_t index = 0;
    std::int32_t volume = 0;   // 0..127
    std::int32_t panning = 0;  // 0..255
    std::uint32_t startOffset = 0;  // frames
    const Sample* sample = nullptr;  // null = idle
    std::int32_t gainA = 0;  // volume x panning / 255, the right output (XM panning 0 is left)
    std::int32_t gainB = 0;  // volume x (255 - panning) / 255, the left output
    std::int32_t position = 0;
    std::uint32_t fraction = 0;  // 1/2^32 frame
    std::uint32_t stepFraction = 0;
    std::int32_t stepInteger = 1;
    Direction direction = Direction::Forward;

    // Mixer ramp state.
    std::int32_t lastGainA = 0;
    std::int32_t lastGainB = 0;
    std::int32_t currentGainA = 0;  // 8.8 fixed: gain x 256
    std::int32_t currentGainB = 0;
    float rampIncrementA = 0.0f;  // per frame, in units of gain/255
    float rampIncrementB = 0.0f;
    std::int32_t rampFramesLeft = 0;
};

constexpr int kVoiceCount = 256;
constexpr int kMixedVoiceCount = 64;
// A channel's note moves to the voice this many places away while the old one fades out.
constexpr int kPartnerVoiceDistance = 32;

}  // namespace music
