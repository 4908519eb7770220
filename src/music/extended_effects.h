// The extended effect (type 14): sub-command in the parameter's high nibble, value in the low one.
#pragma once

#include "music/effects.h"

namespace music {

void extendedFirstTick(EffectCall& call);
void extendedLaterTick(EffectCall& call);

}  // namespace music
