// The instrument and sample a channel plays, and the channel reset that a new instrument (or a delayed
// note) makes.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/module.h"
#include "music/playback_rules.h"

namespace music {

struct ChannelSound {
    Instrument& instrument;
    Sample& sample;
};

// The channel's instrument and the keymap's sample for its note; numbers or slots out of range give the
// shared empty records.
ChannelSound lookupChannelSound(Module& module, const Channel& channel);

// The cell's note starts on the channel: real note, note period (with an E5y finetune where the rules
// give one) and the trigger; without portamento also the period and the note's defaults.
void startNote(Channel& channel, const Cell& cell, const Sample& sample, const Module& module, bool porta);

// Starts the channel's instrument afresh from the sample's volume and panning: resetVolumes and
// resetEnvelopes.
void resetChannel(Channel& channel, const Sample& sample);
void resetVolumes(Channel& channel, std::int32_t volume, std::int32_t panning);
// A key-off: the sustain is left and the fadeout starts. Under KeyOffZeroesVolume an instrument without
// a volume envelope falls silent through its channel volume, which a later volume command restores.
void keyOffChannel(Channel& channel, const Instrument& instrument, RuleSet rules);

// Envelopes, fadeout, key-off, automatic vibrato and the modulators' positions back to a note's start.
void resetEnvelopes(Channel& channel);

}  // namespace music
