// The process-wide playback state that the replayer, the mixer and the output thread share: the mix
// rate, the mixer's ramp settings, the channels and the voices. One playback at a time; it lives in the
// MusicState (music_state.h).
#pragma once

#include <array>
#include <cstdint>

#include "music/channel.h"
#include "music/voice.h"

namespace music {

constexpr std::int32_t kMixRate = 44100;

struct PlaybackState {
    std::int32_t mixRate = kMixRate;
    // Gain changes are ramped linearly over this many frames (128 at 44100 Hz).
    std::int32_t rampLength = 128;
    float rampFactor = 1.0f / 128.0f;
    std::array<Channel, kMaxChannels> channels{};
    std::array<Voice, kVoiceCount> voices{};
};

PlaybackState& playbackState();

// Playback start: zeroes every channel and voice, gives each voice its index and a step of 1, and
// computes the ramp settings for the current mix rate (which it keeps).
void resetPlaybackState();

}  // namespace music
