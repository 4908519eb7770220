// Modulators. Positions are 8-bit and wrap from 31 to -32, so one waveform period is 64 positions; the
// sine constants are the tracker's own (slightly below pi/64 and pi/128), which keeps the peaks at 255
// and 63 after truncation.
#include "music/modulators.h"

#include <cmath>
#include <cstdlib>

namespace music {
namespace {

constexpr double kVibratoSineStep = 0.049087375;    // per doubled position
constexpr float kAutoVibratoSineStep = 0.0245436877f;

std::int8_t advancePosition(std::int8_t position, std::uint8_t speed) {
    auto next = static_cast<std::int8_t>(static_cast<std::uint8_t>(position + speed));
    if (next > 31) {
        next = static_cast<std::int8_t>(next - 64);
    }
    return next;
}

std::int32_t sineValue(std::int8_t position) {
    return static_cast<std::int32_t>(std::fabs(std::sin(2 * position * kVibratoSineStep) * 256));
}

std::int32_t tremoloWaveValue(std::int32_t waveform, std::int8_t position) {
    if (waveform == 0 || waveform == 3) {
        return sineValue(position);
    }
    if (waveform == 1) {
        const auto ramp = static_cast<std::uint8_t>((position & 31) * 8);
        return position < 0 ? 255 - ramp : ramp;
    }
    return 255;
}

std::int32_t autoVibratoValue(std::uint8_t type, std::int32_t q) {
    switch (type) {
    case 0:
        return static_cast<std::int32_t>(std::sin(q * static_cast<double>(kAutoVibratoSineStep)) * 64);
    case 1:
        return q < 128 ? 64 : -64;
    case 2:
        return (128 - ((q + 128) % 256)) >> 1;
    case 3:
        return (128 - ((384 - q) % 256)) >> 1;
    default:
        // Types above 3 have no waveform: they modulate nothing.
        return 0;
    }
}

}  // namespace

std::int32_t vibratoWaveValue(std::int32_t waveform, std::int8_t position) {
    if (waveform == 0) {
        return sineValue(position);
    }
    if (waveform == 1) {
        const auto ramp = static_cast<std::uint8_t>(position * 8);
        return position < 0 ? 255 - ramp : ramp;
    }
    return 255;
}

void vibrato(Channel& channel) {
    const std::int32_t value = vibratoWaveValue(channel.waveformControl & 3, channel.vibratoPosition);
    const std::int32_t offset = ((channel.vibratoDepth * value) >> 5) & ~3;
    channel.periodOffset = channel.vibratoPosition >= 0 ? -offset : offset;
    channel.flags |= kUpdateFrequency;
}

void advanceVibrato(Channel& channel) {
    channel.vibratoPosition = advancePosition(channel.vibratoPosition, channel.vibratoSpeed);
}

void tremolo(Channel& channel) {
    const std::int8_t p = channel.tremoloPosition;
    std::int32_t t = (channel.tremoloDepth * tremoloWaveValue((channel.waveformControl >> 4) & 3, p)) >> 6;
    if (p >= 0) {
        if (channel.volume + t > 64) {
            t = 64 - channel.volume;
        }
    } else {
        if (static_cast<std::int16_t>(channel.volume - t) < 0) {
            t = channel.volume;
        }
        t = -t;
    }
    channel.volumeOffset = t;
    channel.tremorSilenced = 0;
    channel.tremoloPosition = advancePosition(p, channel.tremoloSpeed);
    channel.flags |= kUpdateVolume;
}

void tremor(Channel& channel) {
    if (channel.tremorCounter >= channel.tremorOnTicks) {
        channel.volumeOffset = -channel.volume;
    }
    ++channel.tremorCounter;
    if (channel.tremorCounter >= channel.tremorOnTicks + channel.tremorOffTicks) {
        channel.tremorCounter = 0;
    }
    channel.flags |= kUpdateVolume;
}

void tonePortamento(Channel& channel) {
    const std::int32_t step = 4 * channel.tonePortamentoSpeed;
    const std::int32_t target = channel.tonePortamentoTarget;
    if (channel.period < target) {
        channel.period = channel.period > target - step ? target : channel.period + step;
    } else if (channel.period > target) {
        channel.period = channel.period < target + step ? target : channel.period - step;
    }
    channel.flags |= kUpdateFrequency;
}

void autoVibrato(Channel& channel, const Instrument& instrument) {
    std::int32_t q = channel.autoVibratoPosition;
    std::int32_t d = instrument.vibratoDepth * autoVibratoValue(instrument.vibratoType, q);
    if (instrument.vibratoSweep != 0) {
        d = channel.autoVibratoSweepCounter * d / instrument.vibratoSweep;
    }
    channel.periodOffset += d >> 6;
    if (channel.autoVibratoSweepCounter < instrument.vibratoSweep) {
        ++channel.autoVibratoSweepCounter;
    } else {
        channel.autoVibratoSweepCounter = instrument.vibratoSweep;
    }
    q += instrument.vibratoRate;
    if (q > 255) {
        q -= 256;
    }
    channel.autoVibratoPosition = q;
    channel.flags |= kUpdateFrequency;
}

}  // namespace music
