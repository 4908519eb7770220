// Playback start: the shared channels and voices zeroed, the ramp set for the mix rate.
#include "music/playback_state.h"

#include "music/music_state.h"

namespace music {

PlaybackState& playbackState() { return musicState().playback; }

void resetPlaybackState() {
    PlaybackState& state = playbackState();
    const std::int32_t mixRate = state.mixRate;
    state = PlaybackState{};
    state.mixRate = mixRate;
    state.rampLength = mixRate * 128 / 44100;
    state.rampFactor = state.rampLength > 0 ? 1.0f / static_cast<float>(state.rampLength) : 0.0f;
    for (int i = 0; i < kVoiceCount; ++i) {
        state.voices[i].index = i;
        state.voices[i].stepInteger = 1;
    }
}

}  // namespace music
