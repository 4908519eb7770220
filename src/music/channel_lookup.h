// The instrument and sample a channel plays, and the channel reset that a new instrument (or a delayed
// note) makes.
#pragma once

#include "music/channel.h"
#include "music/module.h"

namespace music {

struct ChannelSound {
    Instrument& instrument;
    Sample& sample;
};

// The channel's instrument and the keymap's sample for its note; numbers or slots out of range give the
// shared empty records.
ChannelSound lookupChannelSound(Module& module, const Channel& channel);

// Starts the channel's instrument afresh from the sample's volume and panning.
void resetChannel(Channel& channel, const Sample& sample);

}  // namespace music
