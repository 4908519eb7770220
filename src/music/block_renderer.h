// The block loop shared by everything that turns a playing module into sound: the audio output thread,
// the offline renderer, the fuzz target and the benchmark. Ticks the replayer and runs the mixer.
#pragma once

#include <cstdint>

#include "music/module.h"

namespace music {

// Prepares a loaded module for playing from its start: resetPlaybackState(), then startReplay(module).
void preparePlayback(Module& module);

// Renders `frames` frames of the playing module: zeroes the float stretch `mix` (2 floats per frame), and
// while frames are left calls module.tickProcedure when module.samplesLeftInTick is 0 (then
// samplesLeftInTick = samplesPerTick), mixes min(samplesLeftInTick, frames left) with mixVoices, and
// finally converts the stretch into `pcm` (2 int16 per frame). Samples left carry over between calls, so
// ticks need not line up with blocks. A module without a tick procedure, or whose tick gives no samples,
// keeps its voices sounding without further ticks instead of stalling.
void renderBlock(Module& module, float* mix, std::int16_t* pcm, std::int32_t frames);

}  // namespace music
