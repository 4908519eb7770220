// The replayer's row and tick loop: reads the current row's cells on a row's first tick, runs the
// continuous effects on the others, and hands every channel to applyChannel. Every index taken from the
// module (orders, patterns, rows, channels) is checked, so a malformed module plays silence instead of
// reading outside its data.
#include "music/replayer.h"

#include "music/apply_channel.h"
#include "music/channel_lookup.h"
#include "music/effects.h"
#include "music/envelope.h"
#include "music/modulators.h"
#include "music/periods.h"
#include "music/playback_state.h"
#include "music/volume_column.h"

namespace music {
namespace {

constexpr float kBpmFactor = 0.4f;
constexpr float kMillisecond = 0.001f;
// An order naming a pattern that does not exist plays like the loader's filler: 64 empty rows.
constexpr std::int32_t kMissingPatternRows = 64;

const Cell kEmptyCell{};

const Pattern* currentPattern(const Module& module) {
    if (module.currentOrder < 0 || module.currentOrder >= static_cast<std::int32_t>(module.orderTable.size())) {
        return nullptr;
    }
    const std::size_t index = module.orderTable[static_cast<std::size_t>(module.currentOrder)];
    return index < module.patterns.size() ? &module.patterns[index] : nullptr;
}

std::int32_t currentPatternRows(const Module& module) {
    const Pattern* pattern = currentPattern(module);
    return pattern != nullptr ? pattern->rows : kMissingPatternRows;
}

std::int32_t activeChannels(const Module& module) {
    return module.channelCount < 0 ? 0 : (module.channelCount > kMaxChannels ? kMaxChannels : module.channelCount);
}

const Cell& cellAt(const Module& module, std::int32_t channel) {
    const Pattern* pattern = currentPattern(module);
    if (pattern == nullptr || module.currentRow < 0 || module.currentRow >= pattern->rows) {
        return kEmptyCell;
    }
    const std::size_t index = static_cast<std::size_t>(module.currentRow) * static_cast<std::size_t>(module.channelCount) +
                              static_cast<std::size_t>(channel);
    return index < pattern->cells.size() ? pattern->cells[index] : kEmptyCell;
}

bool isNote(std::uint8_t note) { return note != 0 && note != kKeyOffNote; }

// Envelopes and fadeout: the part of a tick that is the same on a row's first tick and on later ones.
void stepInstrument(Channel& channel, const Instrument& instrument) {
    if ((instrument.volumeType & kEnvelopeOn) != 0 && channel.volumeEnvelope.ended == 0) {
        stepEnvelope(channel.volumeEnvelope, volumeEnvelopeShape(instrument), channel.keyOff, channel.flags,
                     kUpdateVolume);
    }
    if ((instrument.panningType & kEnvelopeOn) != 0 && channel.panningEnvelope.ended == 0) {
        stepEnvelope(channel.panningEnvelope, panningEnvelopeShape(instrument), channel.keyOff, channel.flags,
                     kUpdatePanning);
    }
    if (channel.keyOff != 0) {
        channel.fadeoutVolume = channel.fadeoutVolume - instrument.fadeout < 0 ? 0
                                                                               : channel.fadeoutVolume - instrument.fadeout;
        channel.flags |= kUpdateVolume;
    }
}

// The real note is kept at or above note 0: a relative note that would wrap it below gives the lowest
// note instead of a wrapped, far too high one.
std::uint8_t realNoteOf(std::uint8_t note, const Sample& sample) {
    const std::int32_t real = note + sample.relativeNote - 1;
    return static_cast<std::uint8_t>(real < 0 ? 0 : real);
}

void startRowNote(Channel& channel, const Cell& cell, const Sample& sample, const Module& module, bool porta) {
    channel.realNote = realNoteOf(cell.note, sample);
    channel.notePeriod = notePeriod(module.linearFrequencies(), channel.realNote, sample.finetune);
    if (!porta) {
        channel.period = channel.notePeriod;
    }
    channel.flags = kUpdateTrigger;
}

void processRowChannel(Module& module, std::int32_t index, RowContext& row) {
    Channel& channel = playbackState().channels[static_cast<std::size_t>(index)];
    const Cell& cell = cellAt(module, index);
    const bool porta = cell.effect == 3 || cell.effect == 5;
    if (cell.instrument != 0 && !porta) {
        channel.instrument = static_cast<std::uint8_t>(cell.instrument - 1);
    }
    if (isNote(cell.note) && !porta) {
        channel.note = static_cast<std::uint8_t>(cell.note - 1);
    }
    const ChannelSound sound = lookupChannelSound(module, channel);

    row.savedPeriod = channel.period;
    row.savedVolume = channel.volume;
    row.savedPanning = channel.panning;
    // Tremolo's last offset stays in the volume when the row stops the tremolo.
    if (channel.previousEffect == 7 && cell.effect != 7) {
        channel.volume += channel.volumeOffset;
    }
    channel.volumeOffset = 0;
    channel.flags = 0;
    channel.previousEffect = cell.effect;

    if (isNote(cell.note)) {
        startRowNote(channel, cell, sound.sample, module, porta);
    }
    channel.periodOffset = 0;
    channel.flags |= kUpdateFrequency | kUpdateVolume;
    if (cell.instrument != 0) {
        resetChannel(channel, sound.sample);
    }
    if (cell.volume != 0) {
        volumeColumnFirstTick(channel, cell.volume);
    }
    if (cell.note == kKeyOffNote || cell.effect == 20) {
        channel.keyOff = 1;
    }
    // An instrument without a volume envelope is silenced at once by a key-off.
    if ((sound.instrument.volumeType & kEnvelopeOn) == 0 && channel.keyOff != 0) {
        channel.volumeEnvelope.value = 0;
    }
    stepInstrument(channel, sound.instrument);
    effectFirstTick(channel, cell, sound.sample, sound.instrument, module, row);
    autoVibrato(channel, sound.instrument);
    applyChannel(channel, sound.sample, module);
}

void processRow(Module& module) {
    module.nextRow = -1;
    module.nextOrder = -1;
    RowContext row;
    const std::int32_t channels = activeChannels(module);
    for (std::int32_t c = 0; c < channels; ++c) {
        processRowChannel(module, c, row);
    }
}

void processTick(Module& module) {
    const std::int32_t channels = activeChannels(module);
    for (std::int32_t c = 0; c < channels; ++c) {
        Channel& channel = playbackState().channels[static_cast<std::size_t>(c)];
        const Cell& cell = cellAt(module, c);
        const ChannelSound sound = lookupChannelSound(module, channel);
        channel.volumeOffset = 0;
        channel.periodOffset = 0;
        channel.flags = 0;
        stepInstrument(channel, sound.instrument);
        volumeColumnLaterTick(channel, cell.volume);
        effectLaterTick(channel, cell, sound.sample, sound.instrument, module);
        autoVibrato(channel, sound.instrument);
        applyChannel(channel, sound.sample, module);
    }
}

void advancePosition(Module& module) {
    if (module.nextRow != -1) {
        return;
    }
    module.nextRow = module.currentRow + 1;
    if (module.nextRow >= currentPatternRows(module)) {
        module.nextOrder = module.currentOrder + 1;
        if (module.nextOrder >= module.songLength) {
            module.nextOrder = module.restartPosition;
        }
        module.nextRow = 0;
    }
}

}  // namespace

void startReplay(Module& module) {
    module.globalVolume = module.initialGlobalVolume;
    module.nextRow = -1;
    module.nextOrder = -1;
    module.speed = module.defaultSpeed;
    module.currentRow = 0;
    module.currentOrder = 0;
    module.tickCounter = 0;
    module.patternDelayTicks = 0;
    module.samplesLeftInTick = 0;
    if (module.tickProcedure == nullptr) {
        module.tickProcedure = &tick;
    }
    setBpm(module, module.defaultBpm);
    PlaybackState& state = playbackState();
    for (std::size_t c = 0; c < state.channels.size(); ++c) {
        state.channels[c] = Channel{};
        state.channels[c].voice = &state.voices[c];
    }
}

void tick(Module& module) {
    if (module.tickCounter != 0) {
        processTick(module);
    } else {
        if (module.nextOrder >= 0) {
            module.currentOrder = module.nextOrder;
        }
        if (module.nextRow >= 0) {
            module.currentRow = module.nextRow;
        }
        processRow(module);
        advancePosition(module);
    }
    ++module.tickCounter;
    if (module.tickCounter >= module.speed + module.patternDelayTicks) {
        module.patternDelayTicks = 0;
        module.tickCounter = 0;
    }
}

void setBpm(Module& module, std::int32_t bpm) {
    module.bpm = bpm;
    // A tempo of 0 or below has no tick length; it is timed like the slowest tempo, 1 BPM. Any tick is
    // at least one sample long so that the mixer's block loop always moves on.
    const double tempo = bpm < 1 ? 1.0 : static_cast<double>(bpm);
    const double samples = 1000.0 / (tempo * static_cast<double>(kBpmFactor)) *
                           static_cast<double>(playbackState().mixRate) * static_cast<double>(kMillisecond);
    const std::int32_t perTick = static_cast<std::int32_t>(samples);
    module.samplesPerTick = perTick < 1 ? 1 : perTick;
}

}  // namespace music
