// Envelope stepping in 16.16 fixed point. Point values and ticks come from the file unchecked, so the
// fixed-point products are formed in 64 bits and wrap to 32 bits as plain 32-bit arithmetic would,
// and point indices are kept inside the 12-point arrays.
#include "music/envelope.h"

namespace music {
namespace {

constexpr std::int32_t kMaxPoints = 12;

std::int32_t clampedCount(const EnvelopeShape& shape) {
    return shape.pointCount > kMaxPoints ? kMaxPoints : shape.pointCount;
}

std::int32_t wrap32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// Slope from point i to point i + 1 in 16.16 per tick; points on the same tick give a flat slope.
std::int32_t slopeBetween(const EnvelopeShape& shape, std::int32_t i) {
    const EnvelopePoint& a = shape.points[static_cast<std::size_t>(i)];
    const EnvelopePoint& b = shape.points[static_cast<std::size_t>(i + 1)];
    const std::int64_t ticks = static_cast<std::int64_t>(b.tick) - a.tick;
    if (ticks == 0) {
        return 0;
    }
    return wrap32((static_cast<std::int64_t>(b.value) - a.value) * 65536 / ticks);
}

std::int32_t upperHalf(std::int32_t position) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(position) >> 16);
}

}  // namespace

EnvelopeShape volumeEnvelopeShape(const Instrument& instrument) {
    return {instrument.volumeEnvelope,  instrument.volumePointCount, instrument.volumeType,
            instrument.volumeSustain,   instrument.volumeLoopStart,  instrument.volumeLoopEnd};
}

EnvelopeShape panningEnvelopeShape(const Instrument& instrument) {
    return {instrument.panningEnvelope, instrument.panningPointCount, instrument.panningType,
            instrument.panningSustain,  instrument.panningLoopStart,  instrument.panningLoopEnd};
}

void stepEnvelope(EnvelopeState& state, const EnvelopeShape& shape, std::uint8_t keyOff, std::uint8_t& flags,
                  std::uint8_t flagBit) {
    const std::int32_t count = clampedCount(shape);
    const bool onPoint = state.pointIndex >= 0 && state.pointIndex < count &&
                         state.tick == shape.points[static_cast<std::size_t>(state.pointIndex)].tick;
    if (onPoint) {
        // A loop start outside the point array is ignored rather than followed.
        if ((shape.type & kEnvelopeLoop) != 0 && state.pointIndex == shape.loopEnd && shape.loopStart < kMaxPoints) {
            state.pointIndex = shape.loopStart;
            state.tick = shape.points[shape.loopStart].tick;
        }
        const std::int32_t i = state.pointIndex;
        if (i >= count - 1) {
            state.value = shape.points[static_cast<std::size_t>(count - 1)].value;
            state.ended = 1;
            flags |= flagBit;
            return;
        }
        if ((shape.type & kEnvelopeSustain) != 0 && i == shape.sustain && keyOff == 0) {
            state.value = shape.points[static_cast<std::size_t>(i)].value;
            flags |= flagBit;
            return;
        }
        state.slope = slopeBetween(shape, i);
        state.position = wrap32(static_cast<std::int64_t>(shape.points[static_cast<std::size_t>(i)].value) * 65536);
        state.pointIndex = i + 1;
    } else if (state.pointIndex >= 0 && state.pointIndex < count) {
        state.position = wrap32(static_cast<std::int64_t>(state.position) + state.slope);
    }
    state.value = upperHalf(state.position);
    ++state.tick;
    flags |= flagBit;
}

void setEnvelopePosition(EnvelopeState& state, const EnvelopeShape& shape, std::int32_t position) {
    const std::int32_t count = clampedCount(shape);
    std::int32_t j = 0;
    while (j < count && j + 1 < kMaxPoints && position > shape.points[static_cast<std::size_t>(j + 1)].tick) {
        ++j;
    }
    state.pointIndex = j;
    if (j >= count - 1) {
        state.value = count > 0 ? shape.points[static_cast<std::size_t>(count - 1)].value : 0;
        state.ended = 1;
        return;
    }
    const EnvelopePoint& from = shape.points[static_cast<std::size_t>(j)];
    state.ended = 0;
    state.tick = position;
    state.slope = slopeBetween(shape, j);
    state.pointIndex = j + 1;
    state.position = wrap32((static_cast<std::int64_t>(position) - from.tick) * state.slope +
                            static_cast<std::int64_t>(from.value) * 65536);
    state.value = upperHalf(state.position);
}

}  // namespace music
