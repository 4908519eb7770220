// The volume column of a pattern cell: set volume, slides, vibrato, panning and tone portamento.
#pragma once

#include <cstdint>

#include "music/channel.h"

namespace music {

void volumeColumnFirstTick(Channel& channel, std::uint8_t volumeByte);
void volumeColumnLaterTick(Channel& channel, std::uint8_t volumeByte);

}  // namespace music
