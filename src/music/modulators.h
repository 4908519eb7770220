// The per-tick modulators: vibrato, tremolo, tremor, tone portamento and the instrument's automatic
// vibrato. They set the channel's one-tick period and volume offsets and its update flags.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

namespace music {

// Vibrato waveform value (0..255) at position p for waveform 0 sine, 1 ramp, 2 and 3 square.
std::int32_t vibratoWaveValue(std::int32_t waveform, std::int8_t position);

// Sets the period offset from the vibrato position without advancing it.
void vibrato(Channel& channel);
// Moves the vibrato position on by its speed inside -32..31.
void advanceVibrato(Channel& channel);

void tremolo(Channel& channel);
void tremor(Channel& channel);
// One step of the slide toward the tone-portamento target.
void tonePortamento(Channel& channel);
void autoVibrato(Channel& channel, const Instrument& instrument);

}  // namespace music
