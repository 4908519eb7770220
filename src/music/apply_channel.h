// Turns a channel's musical state into its voice's mixing parameters: trigger (with the hand-over to the
// partner voice), gains, panning, step and restart.
#pragma once

#include "music/channel.h"
#include "music/module.h"

namespace music {

void applyChannel(Channel& channel, const Sample& sample, const Module& module);

}  // namespace music
