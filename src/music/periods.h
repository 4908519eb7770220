// Note periods in the two XM frequency tables, and the voice step a period gives at the mix rate.
#pragma once

#include <cstdint>

#include "music/voice.h"

namespace music {

// The Amiga-table period (four times the classic Amiga period) of real note n with a sample finetune.
std::int32_t amigaPeriod(std::int32_t note, std::int32_t finetune);

// The period of a real note in the module's table (linear or Amiga).
std::int32_t notePeriod(bool linear, std::int32_t realNote, std::int32_t finetune);

// Playback frequency in Hz of period + offset; 0 when the sum is 0 in the Amiga table. Saturated to the
// int32 range so that malformed notes cannot overflow.
std::int32_t periodFrequency(bool linear, std::int32_t period, std::int32_t periodOffset);

// period + delta, held inside +-2^24: slides never overflow, and beyond that range every period
// already plays at the 100 Hz floor (or the saturated top) of both tables.
std::int32_t slidePeriod(std::int32_t period, std::int32_t delta);

// Sets the voice's 32.32 step for a frequency (at least 100 Hz) at the mix rate.
void setVoiceStep(Voice& voice, std::int32_t frequency, std::int32_t mixRate);

}  // namespace music
