// Instrument envelopes: the per-tick step through the points with sustain and loop, and the jump to a
// tick position that the envelope-position effect makes.
#pragma once

#include <array>
#include <cstdint>

#include "music/channel.h"
#include "music/module.h"

namespace music {

// One envelope's shape as the instrument stores it.
struct EnvelopeShape {
    const std::array<EnvelopePoint, 12>& points;
    std::uint8_t pointCount;
    std::uint8_t type;
    std::uint8_t sustain;
    std::uint8_t loopStart;
    std::uint8_t loopEnd;
};

EnvelopeShape volumeEnvelopeShape(const Instrument& instrument);
EnvelopeShape panningEnvelopeShape(const Instrument& instrument);

// Advances the envelope by one tick and sets flagBit in flags. A sustain point holds while keyOff is 0.
void stepEnvelope(EnvelopeState& state, const EnvelopeShape& shape, std::uint8_t keyOff, std::uint8_t& flags,
                  std::uint8_t flagBit);

// Moves the envelope to tick `position`, interpolating between the points around it.
void setEnvelopePosition(EnvelopeState& state, const EnvelopeShape& shape, std::int32_t position);

}  // namespace music
