// Extended effect sub-commands. The note delay holds the whole row back: its first tick undoes what the
// row's note did to the channel, and its tick y starts the note as a fresh row would.
#include "music/extended_effects.h"

#include "music/channel_lookup.h"
#include "music/periods.h"
#include "music/volume_column.h"

namespace music {
namespace {

constexpr std::uint8_t kDelayedFlags = kUpdateFrequency | kUpdateVolume | kUpdatePanning | kUpdateTrigger;

void remember(std::uint8_t& memory, std::uint8_t value) {
    if (value != 0) {
        memory = value;
    }
}

void patternLoop(EffectCall& call) {
    Channel& channel = call.channel;
    const std::uint8_t y = call.y();
    if (y == 0) {
        channel.patternLoopRow = call.module.currentRow;
        return;
    }
    channel.patternLoopCounter = channel.patternLoopCounter == 0 ? y : channel.patternLoopCounter - 1;
    if (channel.patternLoopCounter != 0) {
        call.module.nextRow = channel.patternLoopRow;
    }
}

void noteDelayFirst(EffectCall& call) {
    Channel& channel = call.channel;
    channel.flags &= static_cast<std::uint8_t>(~kDelayedFlags);
    channel.period = call.row->savedPeriod;
    channel.volume = call.row->savedVolume;
    channel.panning = call.row->savedPanning;
}

void noteDelayLater(EffectCall& call) {
    Channel& channel = call.channel;
    if (call.module.tickCounter != call.y()) {
        channel.flags &= static_cast<std::uint8_t>(~kDelayedFlags);
        return;
    }
    resetChannel(channel, call.sample);
    channel.period = channel.notePeriod;
    channel.flags |= kUpdateFrequency;
    if (call.cell.volume != 0) {
        volumeColumnFirstTick(channel, call.cell.volume);
    }
    channel.flags |= kUpdateTrigger;
}

}  // namespace

void extendedFirstTick(EffectCall& call) {
    Channel& channel = call.channel;
    const std::uint8_t y = call.y();
    switch (call.x()) {
    case 0x1:
        remember(channel.finePortamentoUpMemory, y);
        channel.period = slidePeriod(channel.period, -4 * channel.finePortamentoUpMemory);
        break;
    case 0x2:
        remember(channel.finePortamentoDownMemory, y);
        channel.period = slidePeriod(channel.period, 4 * channel.finePortamentoDownMemory);
        break;
    case 0x4:
        channel.waveformControl = static_cast<std::uint8_t>((channel.waveformControl & 0xF0) | y);
        break;
    case 0x5:
        call.sample.finetune = static_cast<std::int8_t>(y);
        break;
    case 0x6:
        patternLoop(call);
        break;
    case 0x7:
        channel.waveformControl = static_cast<std::uint8_t>((channel.waveformControl & 0x0F) | (y << 4));
        break;
    case 0x8:
        channel.panning = 16 * y;
        channel.flags |= kUpdatePanning;
        break;
    case 0xA:
        remember(channel.fineVolumeSlideMemory, y);
        channel.volume = channel.volume + channel.fineVolumeSlideMemory > 64 ? 64
                                                                             : channel.volume + channel.fineVolumeSlideMemory;
        channel.flags |= kUpdateVolume;
        break;
    case 0xB:
        remember(channel.fineVolumeSlideMemory, y);
        channel.volume = channel.volume - channel.fineVolumeSlideMemory < 0 ? 0
                                                                            : channel.volume - channel.fineVolumeSlideMemory;
        channel.flags |= kUpdateVolume;
        break;
    case 0xD:
        noteDelayFirst(call);
        break;
    case 0xE:
        call.module.patternDelayTicks = y * call.module.speed;
        break;
    default:
        break;
    }
}

void extendedLaterTick(EffectCall& call) {
    Channel& channel = call.channel;
    const std::uint8_t y = call.y();
    switch (call.x()) {
    case 0x9:
        if (y != 0 && call.module.tickCounter % y == 0) {
            channel.flags |= kUpdateTrigger | kUpdateFrequency | kUpdateVolume;
        }
        break;
    case 0xC:
        if (call.module.tickCounter == y) {
            channel.volume = 0;
            channel.flags |= kUpdateVolume;
        }
        break;
    case 0xD:
        noteDelayLater(call);
        break;
    default:
        break;
    }
}

}  // namespace music
