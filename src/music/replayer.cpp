// The replayer's row and tick loop: reads the current row's cells on a row's first tick, runs the
// continuous effects on the others, and hands every channel to applyChannel. Every index taken from the
// module (orders, patterns, rows, channels) is checked, so a malformed module plays silence instead of
// reading outside its data.
#include "music/replayer.h"

#include <array>

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

bool isPortamento(const Cell& cell, RuleSet rules) {
    return cell.effect == 3 || cell.effect == 5 ||
           (rules.has(Behaviour::VolumeColumnPortamento) && (cell.volume >> 4) == 0xF);
}

// A note delay that holds the whole row back until its tick (noteDelayLater starts it).
bool rowWaits(const Cell& cell, RuleSet rules) {
    return rules.has(Behaviour::DelayedRowWaits) && cell.effect == 14 && (cell.parameter >> 4) == 0xD &&
           (cell.parameter & 0x0F) != 0;
}

// K00 takes the place of the row's note; Kxx with xx > 0 acts at tick xx.
bool keyOffEffectNow(const Cell& cell, RuleSet rules) {
    return cell.effect == 20 && (!rules.has(Behaviour::KeyOffZeroesVolume) || cell.parameter == 0);
}

bool startsNote(const Cell& cell, RuleSet rules) {
    return isNote(cell.note) && !(rules.has(Behaviour::KeyOffZeroesVolume) && keyOffEffectNow(cell, rules));
}

void selectInstrument(Channel& channel, const Cell& cell, bool porta, bool noteStarts, RuleSet rules) {
    if (!rules.has(Behaviour::InstrumentAtNextNote)) {
        if (cell.instrument != 0 && !porta) {
            channel.instrument = static_cast<std::uint8_t>(cell.instrument - 1);
        }
        return;
    }
    if (cell.instrument != 0) {
        channel.selectedInstrument = static_cast<std::uint8_t>(cell.instrument - 1);
    }
    if (noteStarts && !porta) {
        channel.instrument = channel.selectedInstrument;
    }
}

// An instrument number restarts the instrument. Where the instrument waits for the next note, the volume
// and panning come back to the defaults of the sample playing.
void restartInstrument(Channel& channel, const Cell& cell, const Sample& sample, bool noteStarts, bool porta,
                       RuleSet rules) {
    if (!rules.has(Behaviour::InstrumentAtNextNote)) {
        resetChannel(channel, sample);
        return;
    }
    resetVolumes(channel, channel.defaultVolume, channel.defaultPanning);
    if (cell.note != kKeyOffNote || noteStarts || porta) {
        resetEnvelopes(channel);
    }
}

void keyOffRow(Channel& channel, const Cell& cell, const Instrument& instrument, RuleSet rules) {
    if (cell.note == kKeyOffNote || keyOffEffectNow(cell, rules)) {
        keyOffChannel(channel, instrument, rules);
    }
}

const Sample& processRowChannel(Module& module, std::int32_t index, RowContext& row) {
    Channel& channel = playbackState().channels[static_cast<std::size_t>(index)];
    const Cell& cell = cellAt(module, index);
    const RuleSet rules = module.behaviours;
    const bool waits = rowWaits(cell, rules);
    const bool porta = isPortamento(cell, rules);
    const bool noteStarts = !waits && startsNote(cell, rules);
    if (!waits) {
        selectInstrument(channel, cell, porta, noteStarts, rules);
        if (noteStarts && !porta) {
            channel.note = static_cast<std::uint8_t>(cell.note - 1);
        }
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

    if (noteStarts) {
        startNote(channel, cell, sound.sample, module, porta);
    }
    channel.periodOffset = 0;
    channel.flags |= kUpdateFrequency | kUpdateVolume;
    if (!waits) {
        if (cell.instrument != 0) {
            restartInstrument(channel, cell, sound.sample, noteStarts, porta, rules);
        }
        // The tracker releases the note before it reads the volume column, so a volume byte beside a
        // key-off brings an envelope-less note back.
        if (rules.has(Behaviour::KeyOffZeroesVolume)) {
            keyOffRow(channel, cell, sound.instrument, rules);
        }
        if (cell.volume != 0) {
            volumeColumnFirstTick(channel, cell.volume);
        }
        if (!rules.has(Behaviour::KeyOffZeroesVolume)) {
            keyOffRow(channel, cell, sound.instrument, rules);
            // An instrument without a volume envelope is silenced at once by a key-off.
            if ((sound.instrument.volumeType & kEnvelopeOn) == 0 && channel.keyOff != 0) {
                channel.volumeEnvelope.value = 0;
            }
        }
    }
    stepInstrument(channel, sound.instrument);
    effectFirstTick(channel, cell, sound.sample, sound.instrument, module, row);
    autoVibrato(channel, sound.instrument);
    return sound.sample;
}

// Where a global volume change must reach every channel in its tick, the voices are set only after every
// channel has run, each with a volume update if the global volume moved.
void applyChannels(Module& module, const std::array<const Sample*, kMaxChannels>& samples, std::int32_t channels,
                   std::int32_t globalVolumeBefore) {
    const bool globalChanged = module.globalVolume != globalVolumeBefore;
    for (std::int32_t c = 0; c < channels; ++c) {
        Channel& channel = playbackState().channels[static_cast<std::size_t>(c)];
        if (globalChanged) {
            channel.flags |= kUpdateVolume;
        }
        applyChannel(channel, *samples[static_cast<std::size_t>(c)], module);
    }
}

void processRow(Module& module) {
    module.nextRow = -1;
    module.nextOrder = -1;
    RowContext row;
    const std::int32_t channels = activeChannels(module);
    const bool deferred = module.behaviours.has(Behaviour::GlobalVolumeReachesAllChannels);
    const std::int32_t globalVolumeBefore = module.globalVolume;
    std::array<const Sample*, kMaxChannels> samples{};
    for (std::int32_t c = 0; c < channels; ++c) {
        const Sample& sample = processRowChannel(module, c, row);
        samples[static_cast<std::size_t>(c)] = &sample;
        if (!deferred) {
            applyChannel(playbackState().channels[static_cast<std::size_t>(c)], sample, module);
        }
    }
    if (deferred) {
        applyChannels(module, samples, channels, globalVolumeBefore);
    }
}

const Sample& processTickChannel(Module& module, std::int32_t index) {
    Channel& channel = playbackState().channels[static_cast<std::size_t>(index)];
    const Cell& cell = cellAt(module, index);
    const ChannelSound sound = lookupChannelSound(module, channel);
    channel.volumeOffset = 0;
    channel.periodOffset = 0;
    channel.flags = 0;
    stepInstrument(channel, sound.instrument);
    volumeColumnLaterTick(channel, cell.volume);
    effectLaterTick(channel, cell, sound.sample, sound.instrument, module);
    autoVibrato(channel, sound.instrument);
    // A delayed row may have chosen a new note or instrument at this tick.
    if ((channel.flags & kUpdateTrigger) != 0) {
        return lookupChannelSound(module, channel).sample;
    }
    return sound.sample;
}

void processTick(Module& module) {
    const std::int32_t channels = activeChannels(module);
    const bool deferred = module.behaviours.has(Behaviour::GlobalVolumeReachesAllChannels);
    const std::int32_t globalVolumeBefore = module.globalVolume;
    std::array<const Sample*, kMaxChannels> samples{};
    for (std::int32_t c = 0; c < channels; ++c) {
        const Sample& sample = processTickChannel(module, c);
        samples[static_cast<std::size_t>(c)] = &sample;
        if (!deferred) {
            applyChannel(playbackState().channels[static_cast<std::size_t>(c)], sample, module);
        }
    }
    if (deferred) {
        applyChannels(module, samples, channels, globalVolumeBefore);
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
    module.behaviours = RuleSet::of(module.rules);
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
