// Advances a module tick by tick: rows, notes, envelopes, effects, and the voice parameters they give.
#pragma once

#include <cstdint>

#include "music/module.h"

namespace music {

// Puts the module at its first row with its default speed, tempo and global volume, and zeroes every
// channel, pointing channel i at voice i. The voices themselves are reset by resetPlaybackState.
void startReplay(Module& module);

// One tick; the module's tick procedure.
void tick(Module& module);

// Stores the tempo and the samples per tick it gives at the current mix rate.
void setBpm(Module& module, std::int32_t bpm);

}  // namespace music
