// Extended effect sub-commands. The note delay holds the whole row back: its first tick undoes what the
// row's note did to the channel, and its tick y starts the note as a fresh row would.
#include "music/extended_effects.h"

#include "music/channel_lookup.h"
#include "music/module.h"
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
    // Under the tracker's rules ED0 is no delay, and a real delay left the row untouched.
    if (call.module.behaviours.has(Behaviour::ZeroTickExtendedEffects) && call.y() == 0) {
        return;
    }
    if (call.module.behaviours.has(Behaviour::DelayedRowWaits)) {
        return;
    }
    Channel& channel = call.channel;
    channel.flags &= static_cast<std::uint8_t>(~kDelayedFlags);
    channel.period = call.row->savedPeriod;
    channel.volume = call.row->savedVolume;
    channel.panning = call.row->savedPanning;
}

// The held-back row at its tick, as the tracker starts it: a key-off releases the note playing; a note
// (or, without one, the last note again) starts with the instrument's envelopes, taking the sample's
// volume and panning only where the row names an instrument; of the volume column only set-volume and
// set-panning act.
void startDelayedRow(EffectCall& call) {
    Channel& channel = call.channel;
    const Cell& cell = call.cell;
    const RuleSet rules = call.module.behaviours;
    if (cell.instrument != 0) {
        channel.selectedInstrument = static_cast<std::uint8_t>(cell.instrument - 1);
        if (!rules.has(Behaviour::InstrumentAtNextNote)) {
            channel.instrument = channel.selectedInstrument;
        }
    }
    if (cell.note == kKeyOffNote) {
        keyOffChannel(channel, call.instrument, rules);
        return;
    }
    const bool note = cell.note != 0;
    if (note) {
        channel.note = static_cast<std::uint8_t>(cell.note - 1);
        if (rules.has(Behaviour::InstrumentAtNextNote)) {
            channel.instrument = channel.selectedInstrument;
        }
    } else if (channel.notePeriod == 0) {
        return;  // no note has played on this channel yet
    }
    const ChannelSound sound = lookupChannelSound(call.module, channel);
    if (note) {
        startNote(channel, cell, sound.sample, call.module, false);
    } else {
        channel.period = channel.notePeriod;
        channel.flags |= kUpdateTrigger;
    }
    channel.flags |= kUpdateFrequency;
    if (cell.instrument != 0) {
        resetVolumes(channel, channel.defaultVolume, channel.defaultPanning);
    }
    resetEnvelopes(channel);
    if ((cell.volume >= 0x10 && cell.volume <= 0x50) || (cell.volume >> 4) == 0xC) {
        volumeColumnFirstTick(channel, cell.volume);
    }
}

void noteDelayLater(EffectCall& call) {
    Channel& channel = call.channel;
    if (call.module.behaviours.has(Behaviour::DelayedRowWaits)) {
        if (call.y() != 0 && call.module.tickCounter == call.y()) {
            startDelayedRow(call);
        }
        return;
    }
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
        // Under the tracker's rules the finetune went to the row's note when it started.
        if (!call.module.behaviours.has(Behaviour::NoteFinetune)) {
            call.sample.finetune = static_cast<std::int8_t>(y);
        }
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
        channel.tremorSilenced = 0;
        channel.flags |= kUpdateVolume;
        break;
    case 0xB: {
        std::uint8_t& memory = call.module.behaviours.has(Behaviour::SeparateFineVolumeMemories)
                                   ? channel.fineVolumeDownMemory
                                   : channel.fineVolumeSlideMemory;
        remember(memory, y);
        channel.volume = channel.volume - memory < 0 ? 0 : channel.volume - memory;
        channel.tremorSilenced = 0;
        channel.flags |= kUpdateVolume;
        break;
    }
    case 0x9:
        // E90 restarts the note on the row's first tick, with or without a note beside it.
        if (y == 0 && call.module.behaviours.has(Behaviour::ZeroTickExtendedEffects) && call.cell.note == 0 &&
            channel.notePeriod != 0) {
            channel.period = channel.notePeriod;
            channel.flags |= kUpdateTrigger | kUpdateFrequency;
        }
        break;
    case 0xC:
        if (y == 0 && call.module.behaviours.has(Behaviour::ZeroTickExtendedEffects)) {
            channel.volume = 0;
            channel.flags |= kUpdateVolume;
        }
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
