// Volume column commands by high nibble. Slides down and up (6, 7) run on every tick of the row, the
// fine ones (8, 9) only on the first; panning slides (D, E) are not clamped here, applyChannel clamps
// the final panning.
#include "music/volume_column.h"

#include "music/modulators.h"

namespace music {
namespace {

void slideVolumeDown(Channel& channel, std::int32_t amount) {
    channel.volume = channel.volume - amount < 0 ? 0 : channel.volume - amount;
    channel.tremorSilenced = 0;
    channel.flags |= kUpdateVolume;
}

void slideVolumeUp(Channel& channel, std::int32_t amount) {
    channel.volume = channel.volume + amount > 64 ? 64 : channel.volume + amount;
    channel.tremorSilenced = 0;
    channel.flags |= kUpdateVolume;
}

// Unclamped as the tracker does it, but held far outside 0..255 so that endless slides cannot overflow.
void slidePanning(Channel& channel, std::int32_t amount) {
    constexpr std::int32_t kLimit = 1 << 24;
    const std::int32_t panning = channel.panning + amount;
    channel.panning = panning > kLimit ? kLimit : (panning < -kLimit ? -kLimit : panning);
    channel.flags |= kUpdatePanning;
}

}  // namespace

void volumeColumnFirstTick(Channel& channel, std::uint8_t volumeByte) {
    if (volumeByte >= 0x10 && volumeByte <= 0x50) {
        channel.volume = volumeByte - 16;
        channel.tremorSilenced = 0;
        channel.flags |= kUpdateVolume;
    }
    const std::int32_t low = volumeByte & 0x0F;
    switch (volumeByte >> 4) {
    case 0x6:
    case 0x8:
        slideVolumeDown(channel, low);
        break;
    case 0x7:
    case 0x9:
        slideVolumeUp(channel, low);
        break;
    case 0xA:
        channel.vibratoSpeed = static_cast<std::uint8_t>(low);
        break;
    case 0xB:
        channel.vibratoDepth = static_cast<std::uint8_t>(low);
        break;
    case 0xC:
        channel.panning = low * 16;
        channel.flags |= kUpdatePanning;
        break;
    case 0xD:
        slidePanning(channel, -low);
        break;
    case 0xE:
        slidePanning(channel, low);
        break;
    case 0xF:
        if (low != 0) {
            channel.tonePortamentoSpeed = static_cast<std::uint8_t>(low * 16);
        }
        channel.tonePortamentoTarget = channel.notePeriod;
        channel.flags &= static_cast<std::uint8_t>(~kUpdateTrigger);
        break;
    default:
        break;
    }
}

void volumeColumnLaterTick(Channel& channel, std::uint8_t volumeByte) {
    const std::int32_t low = volumeByte & 0x0F;
    switch (volumeByte >> 4) {
    case 0x6:
        slideVolumeDown(channel, low);
        break;
    case 0x7:
        slideVolumeUp(channel, low);
        break;
    case 0xB:
        channel.vibratoDepth = static_cast<std::uint8_t>(low);
        vibrato(channel);
        advanceVibrato(channel);
        break;
    case 0xD:
        slidePanning(channel, -low);
        break;
    case 0xE:
        slidePanning(channel, low);
        break;
    case 0xF:
        tonePortamento(channel);
        break;
    default:
        break;
    }
}

}  // namespace music
