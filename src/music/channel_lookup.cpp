// Instrument and sample lookup with every file-derived index checked, and the channel reset.
#include "music/channel_lookup.h"

namespace music {

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
    channel.volume = sample.volume;
    channel.panning = sample.panning;
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
    channel.flags |= kUpdateVolume | kUpdatePanning;
}

}  // namespace music
