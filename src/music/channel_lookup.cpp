// Instrument and sample lookup with every file-derived index checked, and the channel reset.
#include "music/channel_lookup.h"

#include "music/periods.h"

namespace music {
namespace {

// The real note is kept at or above note 0: a relative note that would wrap it below gives the lowest
// note instead of a wrapped, far too high one.
std::uint8_t realNoteOf(std::uint8_t note, const Sample& sample) {
    const std::int32_t real = note + sample.relativeNote - 1;
    return static_cast<std::uint8_t>(real < 0 ? 0 : real);
}

// E5y beside a note gives that note the finetune (y - 8) x 16.
std::int8_t noteFinetune(const Cell& cell, const Sample& sample, RuleSet rules) {
    if (rules.has(Behaviour::NoteFinetune) && cell.effect == 14 && (cell.parameter >> 4) == 0x5) {
        return static_cast<std::int8_t>((cell.parameter & 0x0F) * 16 - 128);
    }
    return sample.finetune;
}

}  // namespace

void startNote(Channel& channel, const Cell& cell, const Sample& sample, const Module& module, bool porta) {
    channel.realNote = realNoteOf(cell.note, sample);
    const RuleSet rules = module.behaviours;
    const std::int8_t finetune = noteFinetune(cell, sample, rules);
    channel.notePeriod = notePeriod(module.linearFrequencies(), channel.realNote, finetune);
    if (!porta) {
        channel.period = channel.notePeriod;
        channel.finetune = finetune;
        channel.defaultVolume = sample.volume;
        channel.defaultPanning = sample.panning;
    }
    channel.flags |= kUpdateTrigger;
}


ChannelSound lookupChannelSound(Module& module, const Channel& channel) {
    const std::size_t count = module.instrumentCount < 0 ? 0 : static_cast<std::size_t>(module.instrumentCount);
    if (channel.instrument >= count || channel.instrument >= module.instruments.size()) {
        Sample& empty = emptySample();
        empty.data.clear();
        return {emptyInstrument(), empty};
    }
    Instrument& instrument = module.instruments[channel.instrument];
    if (channel.note >= instrument.keymap.size()) {
        return {instrument, emptySample()};
    }
    const std::uint8_t slot = instrument.keymap[channel.note];
    if (slot >= instrument.samples.size() || instrument.samples[slot] == nullptr) {
        return {instrument, emptySample()};
    }
    return {instrument, *instrument.samples[slot]};
}

void resetChannel(Channel& channel, const Sample& sample) {
    resetVolumes(channel, sample.volume, sample.panning);
    resetEnvelopes(channel);
}

void resetVolumes(Channel& channel, std::int32_t volume, std::int32_t panning) {
    channel.volume = volume;
    channel.panning = panning;
    channel.tremorSilenced = 0;
    channel.flags |= kUpdateVolume | kUpdatePanning;
}

void keyOffChannel(Channel& channel, const Instrument& instrument, RuleSet rules) {
    channel.keyOff = 1;
    if (rules.has(Behaviour::KeyOffZeroesVolume) && (instrument.volumeType & kEnvelopeOn) == 0) {
        channel.volume = 0;
        channel.flags |= kUpdateVolume;
    }
}

void resetEnvelopes(Channel& channel) {
    channel.volumeEnvelope.value = 64;
    channel.volumeEnvelope.pointIndex = 0;
    channel.volumeEnvelope.tick = 0;
    channel.volumeEnvelope.slope = 0;
    channel.volumeEnvelope.ended = 0;
    channel.panningEnvelope.value = 32;
    channel.panningEnvelope.pointIndex = 0;
    channel.panningEnvelope.tick = 0;
    channel.panningEnvelope.slope = 0;
    channel.panningEnvelope.ended = 0;
    channel.keyOff = 0;
    channel.fadeoutVolume = 65536;
    channel.autoVibratoPosition = 0;
    channel.autoVibratoSweepCounter = 0;
    // Waveform nibbles of 4 and above keep their position across notes.
    if ((channel.waveformControl & 0x0F) < 4) {
        channel.vibratoPosition = 0;
    }
    if ((channel.waveformControl >> 4) < 4) {
        channel.tremoloPosition = 0;
    }
    channel.tremorCounter = 0;
    channel.tremorPhase = 0;
    channel.flags |= kUpdateVolume | kUpdatePanning;
}

}  // namespace music
