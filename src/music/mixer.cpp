// The software mixer: per voice, runs of frames between loop boundaries and ramp ends, each mixed by the
// inner loops of mix_kernels.cpp; and the float-to-16-bit conversion of a mixed stretch. Voices and
// samples that make no sense (loops past the length, positions far outside, zero steps) are clamped here,
// and the kernels read silence outside a sample's data, so nothing reads out of bounds or stalls.
#include "music/mixer.h"

#include <algorithm>
#include <cmath>

#include "music/mix_kernels.h"
#include "music/playback_state.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace music {
namespace {

constexpr std::int64_t kOne = std::int64_t{1} << 32;  // one frame in 32.32
// The step used to count frames to a boundary when the real step is too small to divide by (256 Hz at
// 44100 Hz, as a 32-bit fraction); the voice itself still moves by its real step.
constexpr std::uint32_t kStandInStepFraction = 0x017C6F8Cu;
// Steps beyond this many frames per output frame are clamped; no period reaches them, and the clamp
// keeps every 32.32 position well inside 64 bits.
constexpr std::int32_t kMaxStepInteger = 1 << 24;
// Sample lengths, and the positions a voice brings in, are clamped to this many frames, for the same
// reason: every sum and reflection of 32.32 positions then stays below 2^63.
constexpr std::int32_t kMaxPositionFrames = 1 << 29;
constexpr std::uint64_t kMaxSampleFrames = kMaxPositionFrames;
constexpr int kMaxEmptyRuns = 8;

// The loop of a voice's sample, clamped so that loop start <= loop end <= length <= frames held.
struct LoopBounds {
    std::int64_t start = 0;  // 32.32
    std::int64_t end = 0;    // 32.32
    std::int64_t length = 0;  // sample length, 32.32
    LoopMode mode = LoopMode::None;
};

LoopBounds loopBounds(const Sample& sample) {
    const std::uint64_t held = sample.data.size();
    const std::uint64_t length = std::min({static_cast<std::uint64_t>(sample.length), held, kMaxSampleFrames});
    const std::uint64_t end = std::min(std::uint64_t{sample.loopStart} + sample.loopLength, length);
    const std::uint64_t start = std::min(std::uint64_t{sample.loopStart}, end);
    LoopBounds bounds;
    bounds.start = static_cast<std::int64_t>(start) << 32;
    bounds.end = static_cast<std::int64_t>(end) << 32;
    bounds.length = static_cast<std::int64_t>(length) << 32;
    // A loop of no frames cannot be wrapped around or reflected in; it plays as unlooped.
    if ((sample.loopMode == LoopMode::Forward || sample.loopMode == LoopMode::PingPong) && end > start)
        bounds.mode = sample.loopMode;
    return bounds;
}

// Frames until the position passes the boundary, counted in 32.24 / 8.24 as the step is held. The
// division runs once per run, in 64 bits, so that no quotient overflows and a boundary however far away
// is found in time: a run never carries a voice past the end of a very long sample.
std::uint64_t framesToBoundary(std::int64_t distance, std::int32_t stepInteger, std::uint32_t stepFraction) {
    if (distance <= 0) return 0;
    const std::uint64_t numerator = static_cast<std::uint64_t>(distance) >> 8;
    std::uint64_t divisor = (static_cast<std::uint64_t>(stepInteger) << 24) | (stepFraction >> 8);
    if (divisor == 0) divisor = kStandInStepFraction >> 8;
    return numerator / divisor + (numerator % divisor != 0 ? 1 : 0);
}

// Reflection in a ping-pong loop: 2 x edge - position - 2^-32, so that a position exactly on the end
// continues from end - 1 with fraction 0xFFFFFFFF.
std::int64_t reflect(std::int64_t edge, std::int64_t position) { return 2 * edge - position - 1; }

// After the boundary of a ping-pong loop: reflects at the edge it was moving towards, then back and forth
// while the position stays outside. Two reflections move a position by exactly twice the loop length, so
// an overshoot of many loop lengths is reduced arithmetically first.
void reflectPingPong(const LoopBounds& loop, std::int64_t& position, bool& backward) {
    const std::int64_t twice = 2 * (loop.end - loop.start);
    if (backward) {
        position = reflect(loop.start, position);
    } else {
        position = reflect(loop.end, position);
    }
    backward = !backward;
    for (;;) {
        if (backward && position < loop.start) {
            if (position < loop.start - twice) position += twice * ((loop.start - position - 1) / twice);
            position = reflect(loop.start, position);
            backward = false;
        } else if (!backward && position >= loop.end) {
            if (position >= loop.end + twice) position -= twice * ((position - loop.end) / twice);
            position = reflect(loop.end, position);
            backward = true;
        } else {
            return;
        }
    }
}

// A forward loop subtracts its length at least once, and again while the position is at or past the end.
std::int64_t wrapForward(const LoopBounds& loop, std::int64_t position) {
    const std::int64_t length = loop.end - loop.start;
    if (position < loop.end) return position - length;
    return position - length * ((position - loop.end) / length + 1);
}

std::int32_t wrappingTimes256(std::int32_t gain) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(gain) << 8);
}

// A ramp's gain for the next frame back in 8.8 (gain x 256), rounded half to even.
std::int32_t roundGain(float gain) {
    const float scaled = gain * 255.0f * 256.0f;
    if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) return 0;
    return static_cast<std::int32_t>(std::lrint(scaled));
}

// Starts a ramp towards new gains, or continues the one running; true when this run is ramped.
bool setUpRamp(Voice& voice, const PlaybackState& state) {
    if (voice.rampFramesLeft > 0 && voice.gainA == voice.lastGainA && voice.gainB == voice.lastGainB) return true;
    voice.lastGainA = voice.gainA;
    voice.lastGainB = voice.gainB;
    std::int32_t framesLeft = 0;
    const std::int64_t changeA = std::int64_t{voice.gainA} - (voice.currentGainA >> 8);
    const std::int64_t changeB = std::int64_t{voice.gainB} - (voice.currentGainB >> 8);
    voice.rampIncrementA = 0.0f;
    voice.rampIncrementB = 0.0f;
    if (changeA != 0) {
        voice.rampIncrementA = static_cast<float>(changeA) * kOneOver255 * state.rampFactor;
        framesLeft = state.rampLength;
    }
    if (changeB != 0) {
        voice.rampIncrementB = static_cast<float>(changeB) * kOneOver255 * state.rampFactor;
        framesLeft = state.rampLength;
    }
    if (framesLeft <= 0) return false;
    voice.rampFramesLeft = framesLeft;
    return true;
}

float currentGain(std::int32_t current) { return static_cast<float>(current) * kOneOver256 * kOneOver255; }

void mixVoice(Voice& voice, float* destination, std::int32_t frames, const PlaybackState& state) {
    const Sample& sample = *voice.sample;
    const LoopBounds loop = loopBounds(sample);
    const std::int32_t stepInteger = std::clamp(voice.stepInteger, 0, kMaxStepInteger);
    const std::int64_t step = (std::int64_t{stepInteger} << 32) | voice.stepFraction;
    const std::int32_t start = std::clamp(voice.position, -kMaxPositionFrames, kMaxPositionFrames);
    std::int64_t position = static_cast<std::int64_t>(start) * kOne + voice.fraction;
    bool backward = voice.direction == Direction::Backward && loop.mode == LoopMode::PingPong;

    MixRun run;
    run.frames = sample.frames();
    run.frameCount = static_cast<std::int64_t>(sample.data.size());

    std::int32_t toFill = frames;
    int emptyRuns = 0;
    while (toFill > 0) {
        std::int64_t distance;
        if (backward) {
            distance = position - loop.start;
        } else {
            const std::int64_t end = (position >> 32) > (loop.end >> 32) ? loop.length : loop.end;
            distance = end - position;
        }
        const std::uint64_t toBoundary = framesToBoundary(distance, stepInteger, voice.stepFraction);
        bool reached = toBoundary <= static_cast<std::uint64_t>(toFill);
        std::int32_t length = reached ? static_cast<std::int32_t>(toBoundary) : toFill;

        const bool ramped = setUpRamp(voice, state);
        bool cutByRamp = false;
        if (ramped && voice.rampFramesLeft < length) {
            length = voice.rampFramesLeft;
            reached = false;
            cutByRamp = true;
        }

        run.position = position;
        run.delta = backward ? -step : step;
        run.count = length;
        run.destination = destination + 2 * static_cast<std::ptrdiff_t>(frames - toFill);
        // Gain A grows with the panning, and XM panning runs from 0 at the left to 255 at the right, so
        // gain A feeds the right output and gain B the left one.
        if (ramped) {
            float left = currentGain(voice.currentGainB);
            float right = currentGain(voice.currentGainA);
            position = mixRamp(run, left, right, voice.rampIncrementB, voice.rampIncrementA);
            voice.currentGainB = roundGain(left);
            voice.currentGainA = roundGain(right);
            voice.rampFramesLeft -= length;
            if (voice.rampFramesLeft == 0) {
                voice.rampIncrementA = 0.0f;
                voice.rampIncrementB = 0.0f;
                voice.currentGainA = wrappingTimes256(voice.gainA);
                voice.currentGainB = wrappingTimes256(voice.gainB);
            }
        } else {
            position = mixConstant(run, static_cast<float>(voice.gainB) * kOneOver255,
                                   static_cast<float>(voice.gainA) * kOneOver255, currentGain(voice.currentGainB),
                                   currentGain(voice.currentGainA));
        }
        toFill -= length;

        // Each boundary leaves the position at least a frame inside the loop, so empty runs cannot follow
        // one another for long; this bound only silences a voice that the clamps above failed to tame.
        emptyRuns = length == 0 ? emptyRuns + 1 : 0;
        if (cutByRamp) continue;
        if (!reached) break;
        if (loop.mode == LoopMode::Forward && emptyRuns <= kMaxEmptyRuns) {
            position = wrapForward(loop, position);
        } else if (loop.mode == LoopMode::PingPong && emptyRuns <= kMaxEmptyRuns) {
            reflectPingPong(loop, position, backward);
        } else {
            voice.sample = nullptr;
            voice.position = 0;
            voice.fraction = 0;
            return;
        }
    }
    voice.position = static_cast<std::int32_t>(position >> 32);
    voice.fraction = static_cast<std::uint32_t>(position);
    voice.direction = backward ? Direction::Backward : Direction::Forward;
}

}  // namespace

void mixVoices(float* destination, std::int32_t frames) {
    if (destination == nullptr || frames <= 0) return;
    PlaybackState& state = playbackState();
    for (int i = 0; i < kMixedVoiceCount; ++i) {
        Voice& voice = state.voices[static_cast<std::size_t>(i)];
        if (voice.sample != nullptr) mixVoice(voice, destination, frames, state);
    }
}

void convertBlock(std::int16_t* destination, const float* source, std::int32_t frames) {
    if (destination == nullptr || source == nullptr || frames <= 0) return;
    const std::int32_t count = 2 * frames;
    std::int32_t i = 0;
    // Clamping before rounding gives the same result as rounding first (every value past 32767 ends at
    // 32767 either way) and keeps the conversion in range; NaN clamps to -32768.
#if defined(__SSE2__)
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i), low), high);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i + 4), low), high);
        // cvtps rounds by the current mode, which is round-half-even unless someone changed it.
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
    }
#endif
    for (; i < count; ++i) {
        float v = source[i];
        v = v > -32768.0f ? v : -32768.0f;
        v = v < 32767.0f ? v : 32767.0f;
        destination[i] = static_cast<std::int16_t>(std::lrint(v));
    }
}

}  // namespace music
