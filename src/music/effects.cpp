// Effect column steps, dispatched through one const table by effect type. Where an effect has a memory,
// a non-zero parameter is stored first and the memory is what acts, so a zero parameter repeats the
// last one.
#include "music/effects.h"

#include <array>

#include "music/channel_lookup.h"
#include "music/envelope.h"
#include "music/extended_effects.h"
#include "music/modulators.h"
#include "music/periods.h"
#include "music/replayer.h"

namespace music {
namespace {

using EffectStep = void (*)(EffectCall&);

constexpr std::int32_t kMinPortamentoUpPeriod = 56;

void remember(std::uint8_t& memory, std::uint8_t parameter) {
    if (parameter != 0) {
        memory = parameter;
    }
}

void volumeSlide(Channel& channel) {
    const std::int32_t x = channel.volumeSlideMemory >> 4;
    const std::int32_t y = channel.volumeSlideMemory & 0x0F;
    if (x != 0) {
        channel.volume = channel.volume + x > 64 ? 64 : channel.volume + x;
    } else {
        channel.volume = channel.volume - y < 0 ? 0 : channel.volume - y;
    }
    channel.tremorSilenced = 0;
    channel.flags |= kUpdateVolume;
}

void clearPortaFlags(Channel& channel) {
    channel.flags &= static_cast<std::uint8_t>(~(kUpdateFrequency | kUpdateTrigger));
}

// Which note of the arpeggio a tick plays: 0 the base note, 1 x, 2 y. The tracker counts its ticks down
// from the speed and looks the phase up in a 16-entry table; past it, it reads the vibrato table that
// follows, whose first entry is 0 and every other one plays y.
std::int32_t arpeggioPhase(const Module& module) {
    if (!module.behaviours.has(Behaviour::CountdownArpeggio)) {
        return module.tickCounter % 3;
    }
    if (module.speed <= 0) {
        return 0;
    }
    const std::int32_t countdown = module.speed - module.tickCounter % module.speed;
    return countdown > 16 ? 2 : (countdown == 16 ? 0 : countdown % 3);
}

void arpeggioLater(EffectCall& call) {
    if (call.cell.parameter == 0) {
        return;
    }
    const std::int32_t phase = arpeggioPhase(call.module);
    const std::int32_t semitones = phase == 1 ? call.x() : (phase == 2 ? call.y() : 0);
    Channel& channel = call.channel;
    if (call.module.linearFrequencies()) {
        channel.periodOffset = 64 * semitones;
    } else {
        const std::int32_t finetune =
            call.module.behaviours.has(Behaviour::NoteFinetune) ? channel.finetune : call.sample.finetune;
        channel.periodOffset =
            amigaPeriod(channel.realNote + semitones, finetune) - amigaPeriod(channel.realNote, finetune);
    }
    channel.flags |= kUpdateFrequency;
}

void portamentoUpFirst(EffectCall& call) { remember(call.channel.portamentoUpMemory, call.cell.parameter); }

void portamentoUpLater(EffectCall& call) {
    Channel& channel = call.channel;
    channel.period = slidePeriod(channel.period, -4 * channel.portamentoUpMemory);
    if (channel.period < kMinPortamentoUpPeriod) {
        channel.period = kMinPortamentoUpPeriod;
    }
    channel.periodOffset = 0;
    channel.flags |= kUpdateFrequency;
}

void portamentoDownFirst(EffectCall& call) { remember(call.channel.portamentoDownMemory, call.cell.parameter); }

void portamentoDownLater(EffectCall& call) {
    call.channel.period = slidePeriod(call.channel.period, 4 * call.channel.portamentoDownMemory);
    call.channel.periodOffset = 0;
    call.channel.flags |= kUpdateFrequency;
}

void tonePortamentoFirst(EffectCall& call) {
    // A volume-column portamento on the row sets the speed; the tracker then never reads the 3xx's.
    const bool volumeColumnSpeed =
        call.module.behaviours.has(Behaviour::VolumeColumnPortamento) && (call.cell.volume >> 4) == 0xF;
    if (!volumeColumnSpeed) {
        remember(call.channel.tonePortamentoSpeed, call.cell.parameter);
    }
    call.channel.tonePortamentoTarget = call.channel.notePeriod;
    clearPortaFlags(call.channel);
}

void tonePortamentoLater(EffectCall& call) {
    call.channel.periodOffset = 0;
    tonePortamento(call.channel);
}

void vibratoFirst(EffectCall& call) {
    if (call.x() != 0) {
        call.channel.vibratoSpeed = call.x();
    }
    if (call.y() != 0) {
        call.channel.vibratoDepth = call.y();
    }
    vibrato(call.channel);
}

void vibratoLater(EffectCall& call) {
    vibrato(call.channel);
    advanceVibrato(call.channel);
}

void tonePortamentoVolumeSlideFirst(EffectCall& call) {
    call.channel.tonePortamentoTarget = call.channel.notePeriod;
    remember(call.channel.volumeSlideMemory, call.cell.parameter);
    clearPortaFlags(call.channel);
}

void tonePortamentoVolumeSlideLater(EffectCall& call) {
    tonePortamentoLater(call);
    volumeSlide(call.channel);
}

void vibratoVolumeSlideFirst(EffectCall& call) {
    remember(call.channel.volumeSlideMemory, call.cell.parameter);
    vibrato(call.channel);
}

void vibratoVolumeSlideLater(EffectCall& call) {
    vibratoLater(call);
    volumeSlide(call.channel);
}

void tremoloFirst(EffectCall& call) {
    if (call.x() != 0) {
        call.channel.tremoloSpeed = call.x();
    }
    if (call.y() != 0) {
        call.channel.tremoloDepth = call.y();
    }
}

void tremoloLater(EffectCall& call) { tremolo(call.channel); }

void setPanningFirst(EffectCall& call) {
    call.channel.panning = call.cell.parameter;
    call.channel.flags |= kUpdatePanning;
}

// Under the tracker's rules the offset belongs to the note the row starts: without one it is only
// remembered, and one at or past the sample's end starts the note silent.
void trackerSampleOffset(Channel& channel, const Sample& sample) {
    if ((channel.flags & kUpdateTrigger) == 0) {
        return;
    }
    const std::uint64_t offset = static_cast<std::uint64_t>(channel.sampleOffsetMemory) * 256;
    if (offset >= sample.length) {
        channel.flags |= kUpdateSilentStart;
    } else if (channel.voice != nullptr) {
        channel.voice->startOffset = static_cast<std::uint32_t>(offset);
    }
}

// An offset past the loop end cannot start the new note; the running voice restarts from frame 0.
void sampleOffsetFirst(EffectCall& call) {
    Channel& channel = call.channel;
    if (call.cell.parameter != 0) {
        channel.sampleOffsetMemory = call.cell.parameter;
    }
    if (call.module.behaviours.has(Behaviour::OffsetPastEndSilences)) {
        trackerSampleOffset(channel, call.sample);
        return;
    }
    const std::uint64_t offset = static_cast<std::uint64_t>(channel.sampleOffsetMemory) * 256;
    const std::uint64_t loopEnd = static_cast<std::uint64_t>(call.sample.loopStart) + call.sample.loopLength;
    if (offset < loopEnd) {
        if (channel.voice != nullptr) {
            channel.voice->startOffset = static_cast<std::uint32_t>(offset);
        }
    } else {
        channel.flags = static_cast<std::uint8_t>((channel.flags & ~kUpdateTrigger) | kUpdateRestart);
    }
}

void volumeSlideFirst(EffectCall& call) { remember(call.channel.volumeSlideMemory, call.cell.parameter); }

void volumeSlideLater(EffectCall& call) { volumeSlide(call.channel); }

void positionJumpFirst(EffectCall& call) {
    Module& module = call.module;
    module.nextRow = 0;
    module.nextOrder = call.cell.parameter >= module.songLength ? 0 : call.cell.parameter;
    call.row->jumpSeen = true;
}

void setVolumeFirst(EffectCall& call) {
    call.channel.volume = call.cell.parameter;
    call.channel.tremorSilenced = 0;
    call.channel.flags |= kUpdateVolume;
}

// The parameter's nibbles are read as two decimal digits: 0x45 is row 45.
void patternBreakFirst(EffectCall& call) {
    Module& module = call.module;
    const std::int32_t row = 10 * call.x() + call.y();
    module.nextRow = row > 63 ? 0 : row;
    if (!call.row->jumpSeen) {
        module.nextOrder = module.currentOrder + 1;
    }
    if (module.nextOrder >= module.songLength) {
        module.nextOrder = 0;
    }
}

void speedFirst(EffectCall& call) {
    if (call.cell.parameter >= 32) {
        setBpm(call.module, call.cell.parameter);
    } else {
        call.module.speed = call.cell.parameter;
    }
}

void globalVolumeFirst(EffectCall& call) {
    call.module.globalVolume = call.cell.parameter > 64 ? 64 : call.cell.parameter;
    call.channel.flags |= kUpdateVolume;
}

void globalVolumeSlideFirst(EffectCall& call) { remember(call.module.globalVolumeSlideMemory, call.cell.parameter); }

void globalVolumeSlideLater(EffectCall& call) {
    Module& module = call.module;
    const std::int32_t x = module.globalVolumeSlideMemory >> 4;
    const std::int32_t y = module.globalVolumeSlideMemory & 0x0F;
    if (x != 0) {
        module.globalVolume = module.globalVolume + x > 64 ? 64 : module.globalVolume + x;
    } else if (y != 0) {
        module.globalVolume = module.globalVolume - y < 0 ? 0 : module.globalVolume - y;
    }
}

void envelopePositionFirst(EffectCall& call) {
    if ((call.instrument.volumeType & kEnvelopeOn) != 0) {
        setEnvelopePosition(call.channel.volumeEnvelope, volumeEnvelopeShape(call.instrument), call.cell.parameter);
    }
}

void panningSlideFirst(EffectCall& call) {
    if (call.cell.parameter != 0) {
        call.channel.panningSlideMemory = call.cell.parameter;
        call.channel.flags |= kUpdatePanning;
    }
}

void panningSlideLater(EffectCall& call) {
    Channel& channel = call.channel;
    const std::int32_t x = channel.panningSlideMemory >> 4;
    const std::int32_t y = channel.panningSlideMemory & 0x0F;
    if (x != 0) {
        channel.panning = channel.panning + x > 255 ? 255 : channel.panning + x;
    } else if (y != 0) {
        channel.panning = channel.panning - y < 0 ? 0 : channel.panning - y;
    }
    channel.flags |= kUpdatePanning;
}

void multiRetriggerFirst(EffectCall& call) {
    if (call.cell.parameter != 0) {
        call.channel.multiRetriggerVolumeChange = call.x();
        call.channel.multiRetriggerInterval = call.y();
    }
}

void multiRetriggerLater(EffectCall& call) {
    Channel& channel = call.channel;
    const std::int32_t interval = channel.multiRetriggerInterval;
    if (interval == 0 || call.module.tickCounter % interval != 0) {
        return;
    }
    if (channel.multiRetriggerVolumeChange != 0) {
        const std::int32_t volume = multiRetriggerVolume(channel.volume, channel.multiRetriggerVolumeChange);
        channel.volume = volume < 0 ? 0 : (volume > 64 ? 64 : volume);
        channel.tremorSilenced = 0;
        channel.flags |= kUpdateVolume;
    }
    channel.flags |= kUpdateTrigger;
}

// The tracker's tremor: from tick 1 on, alternately x + 1 ticks at the channel volume and y + 1 ticks
// silent, the phase carried over from row to row; the silence stays until a volume command ends it.
void trackerTremor(EffectCall& call) {
    Channel& channel = call.channel;
    remember(channel.tremorMemory, call.cell.parameter);
    const bool wasOn = (channel.tremorPhase & 0x80) != 0;
    auto ticksLeft = static_cast<std::int32_t>(channel.tremorPhase & 0x7F) - 1;
    bool on = wasOn;
    if (ticksLeft < 0) {
        on = !wasOn;
        ticksLeft = on ? channel.tremorMemory >> 4 : channel.tremorMemory & 0x0F;
    }
    channel.tremorPhase = static_cast<std::uint8_t>((on ? 0x80 : 0) | ticksLeft);
    channel.tremorSilenced = on ? 0 : 1;
    channel.flags |= kUpdateVolume;
}

void tremorFirst(EffectCall& call) {
    if (call.module.behaviours.has(Behaviour::TrackerTremor)) {
        return;
    }
    if (call.cell.parameter != 0) {
        call.channel.tremorOnTicks = static_cast<std::uint8_t>(call.x() + 1);
        call.channel.tremorOffTicks = static_cast<std::uint8_t>(call.y() + 1);
    }
    tremor(call.channel);
}

void tremorLater(EffectCall& call) {
    if (call.module.behaviours.has(Behaviour::TrackerTremor)) {
        trackerTremor(call);
    } else {
        tremor(call.channel);
    }
}

// Kxx with xx above 0 releases the note at tick xx; the row's first tick handles K00 (and, under the
// engine's rules, every Kxx).
void keyOffLater(EffectCall& call) {
    if (call.module.behaviours.has(Behaviour::KeyOffZeroesVolume) && call.cell.parameter != 0 &&
        call.module.tickCounter == (call.cell.parameter & 31)) {
        keyOffChannel(call.channel, call.instrument, call.module.behaviours);
    }
}

void extraFinePortamentoFirst(EffectCall& call) {
    Channel& channel = call.channel;
    if (call.x() == 1) {
        remember(channel.extraFinePortamentoUpMemory, call.y());
        channel.period = slidePeriod(channel.period, -channel.extraFinePortamentoUpMemory);
    } else if (call.x() == 2) {
        remember(channel.extraFinePortamentoDownMemory, call.y());
        channel.period = slidePeriod(channel.period, channel.extraFinePortamentoDownMemory);
    }
}

struct EffectEntry {
    EffectStep first = nullptr;
    EffectStep later = nullptr;
};

constexpr std::array<EffectEntry, 34> kEffects = [] {
    std::array<EffectEntry, 34> table{};
    table[0] = {nullptr, arpeggioLater};
    table[1] = {portamentoUpFirst, portamentoUpLater};
    table[2] = {portamentoDownFirst, portamentoDownLater};
    table[3] = {tonePortamentoFirst, tonePortamentoLater};
    table[4] = {vibratoFirst, vibratoLater};
    table[5] = {tonePortamentoVolumeSlideFirst, tonePortamentoVolumeSlideLater};
    table[6] = {vibratoVolumeSlideFirst, vibratoVolumeSlideLater};
    table[7] = {tremoloFirst, tremoloLater};
    table[8] = {setPanningFirst, nullptr};
    table[9] = {sampleOffsetFirst, nullptr};
    table[10] = {volumeSlideFirst, volumeSlideLater};
    table[11] = {positionJumpFirst, nullptr};
    table[12] = {setVolumeFirst, nullptr};
    table[13] = {patternBreakFirst, nullptr};
    table[14] = {extendedFirstTick, extendedLaterTick};
    table[15] = {speedFirst, nullptr};
    table[16] = {globalVolumeFirst, nullptr};
    table[17] = {globalVolumeSlideFirst, globalVolumeSlideLater};
    table[20] = {nullptr, keyOffLater};  // the first tick's key-off acts in processRow itself
    table[21] = {envelopePositionFirst, nullptr};
    table[25] = {panningSlideFirst, panningSlideLater};
    table[27] = {multiRetriggerFirst, multiRetriggerLater};
    table[29] = {tremorFirst, tremorLater};
    table[33] = {extraFinePortamentoFirst, nullptr};
    return table;
}();

}  // namespace

std::int32_t multiRetriggerVolume(std::int32_t volume, std::uint8_t change) {
    static constexpr std::array<std::int32_t, 16> kSteps = {0, -1, -2, -4, -8, -16, 0, 0,
                                                            0, 1,  2,  4,  8,  16,  0, 0};
    switch (change) {
    case 6:
        return volume * 2 / 3;
    case 7:
        return volume >> 1;
    case 14:
        return volume * 3 / 2;
    case 15:
        return volume * 2;
    default:
        return volume + kSteps[change & 0x0F];
    }
}

void effectFirstTick(Channel& channel, const Cell& cell, Sample& sample, const Instrument& instrument,
                     Module& module, RowContext& row) {
    if (cell.effect >= kEffects.size() || kEffects[cell.effect].first == nullptr) {
        return;
    }
    EffectCall call{channel, cell, sample, instrument, module, &row};
    kEffects[cell.effect].first(call);
}

void effectLaterTick(Channel& channel, const Cell& cell, Sample& sample, const Instrument& instrument,
                     Module& module) {
    if (cell.effect >= kEffects.size() || kEffects[cell.effect].later == nullptr) {
        return;
    }
    EffectCall call{channel, cell, sample, instrument, module, nullptr};
    kEffects[cell.effect].later(call);
}

}  // namespace music
