// The mixer's inner loops. Every value is float32 and evaluated in the written order (no contraction),
// so the mixed floats are the same on every machine and in every build.
#include "music/mix_kernels.h"

#include <bit>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace music {
namespace {

// Reads straight from the sample; the run was checked to lie inside it.
struct DirectFrames {
    const std::int16_t* frames;
    float at(std::int64_t p) const { return static_cast<float>(frames[p]); }
    float next(std::int64_t p) const { return static_cast<float>(frames[p + 1] - frames[p]); }
};

// Reads zero outside the sample: positions of corrupt voices, and the frame before 0 that a ping-pong
// loop starting at frame 0 touches with a weight of exactly 1 after reflecting at its start.
struct GuardedFrames {
    const std::int16_t* frames;
    std::int64_t count;
    float at(std::int64_t p) const { return p >= 0 && p < count ? static_cast<float>(frames[p]) : 0.0f; }
    float next(std::int64_t p) const { return at(p + 1) - at(p); }
};

template <typename Frames>
inline float interpolate(const Frames& x, std::int64_t position) {
    const std::int64_t p = position >> 32;
    const auto f = static_cast<std::uint32_t>(position);
    const float weight = static_cast<float>(static_cast<std::int32_t>(f >> 1)) * kInterpolationScale;
    return x.at(p) + weight * x.next(p);
}

#if defined(__SSE2__)
// Frames p and p + 1 as one 32-bit word: p in the low half, p + 1 in the high half.
inline std::int32_t framePair(const std::int16_t* frames, std::int64_t position) {
    std::uint32_t pair;
    std::memcpy(&pair, frames + (position >> 32), sizeof pair);
    if constexpr (std::endian::native == std::endian::big) pair = (pair >> 16) | (pair << 16);
    return static_cast<std::int32_t>(pair);
}

// Four frames per pass with the same float32 operations as interpolate(), lane by lane, so the sums are
// bit-identical to the scalar loop's. Returns the frames left (fewer than four).
std::int32_t constantQuads(const std::int16_t* frames, std::int64_t& position, std::int64_t delta, float*& out,
                           std::int32_t n, float left, float right) {
    const __m128 gains = _mm_setr_ps(left, right, left, right);
    const __m128 scale = _mm_set1_ps(kInterpolationScale);
    // The fractions are the low words of the positions, which wrap modulo 2^32 just as 32-bit lanes do.
    const auto f = static_cast<std::uint32_t>(position);
    const auto d = static_cast<std::uint32_t>(delta);
    __m128i fractions = _mm_setr_epi32(static_cast<std::int32_t>(f), static_cast<std::int32_t>(f + d),
                                       static_cast<std::int32_t>(f + 2 * d), static_cast<std::int32_t>(f + 3 * d));
    const __m128i fractionStep = _mm_set1_epi32(static_cast<std::int32_t>(4 * d));
    std::int64_t q = position;
    float* o = out;
    for (; n >= 4; n -= 4) {
        const std::int64_t q0 = q, q1 = q0 + delta, q2 = q1 + delta, q3 = q2 + delta;
        q = q3 + delta;
        const __m128i pairs = _mm_setr_epi32(framePair(frames, q0), framePair(frames, q1), framePair(frames, q2),
                                             framePair(frames, q3));
        const __m128 weight = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(fractions, 1)), scale);
        const __m128i here = _mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16);
        const __m128i next = _mm_srai_epi32(pairs, 16);
        const __m128 difference = _mm_cvtepi32_ps(_mm_sub_epi32(next, here));
        const __m128 s = _mm_add_ps(_mm_cvtepi32_ps(here), _mm_mul_ps(weight, difference));
        _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_mul_ps(_mm_unpacklo_ps(s, s), gains)));
        _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_mul_ps(_mm_unpackhi_ps(s, s), gains)));
        o += 8;
        fractions = _mm_add_epi32(fractions, fractionStep);
    }
    position = q;
    out = o;
    return n;
}
#endif

template <typename Frames>
std::int64_t constantLoop(const Frames& x, const MixRun& run, float left, float right, float oddLeft,
                          float oddRight) {
    std::int64_t position = run.position;
    const std::int64_t delta = run.delta;
    float* out = run.destination;
    std::int32_t n = run.count;
#if defined(__SSE2__)
    if constexpr (std::is_same_v<Frames, DirectFrames>) n = constantQuads(x.frames, position, delta, out, n, left, right);
#endif
    for (; n >= 2; n -= 2) {
        const float s0 = interpolate(x, position);
        position += delta;
        const float s1 = interpolate(x, position);
        position += delta;
        out[0] += s0 * left;
        out[1] += s0 * right;
        out[2] += s1 * left;
        out[3] += s1 * right;
        out += 4;
    }
    if (n == 1) {
        const float s = interpolate(x, position);
        position += delta;
        out[0] += s * oddLeft;
        out[1] += s * oddRight;
    }
    return position;
}

template <typename Frames>
std::int64_t rampLoop(const Frames& x, const MixRun& run, float& left, float& right, float incrementLeft,
                      float incrementRight) {
    std::int64_t position = run.position;
    const std::int64_t delta = run.delta;
    float* out = run.destination;
    float l = left, r = right;
    for (std::int32_t i = 0; i < run.count; ++i) {
        const float s = interpolate(x, position);
        position += delta;
        out[0] += s * l;
        out[1] += s * r;
        l += incrementLeft;
        r += incrementRight;
        out += 2;
    }
    left = l;
    right = r;
    return position;
}

// True when every frame the run reads, x[p] and x[p + 1] at its first and last positions, is inside the
// sample (positions move monotonically within a run).
bool insideSample(const MixRun& run) {
    if (run.frames == nullptr || run.count <= 0) return false;
    const std::int64_t first = run.position >> 32;
    const std::int64_t last = (run.position + run.delta * (run.count - 1)) >> 32;
    const std::int64_t low = first < last ? first : last;
    const std::int64_t high = first < last ? last : first;
    return low >= 0 && high + 1 < run.frameCount;
}

}  // namespace

std::int64_t mixConstant(const MixRun& run, float left, float right, float oddLeft, float oddRight) {
    if (run.count <= 0) return run.position;
    if (insideSample(run)) return constantLoop(DirectFrames{run.frames}, run, left, right, oddLeft, oddRight);
    return constantLoop(GuardedFrames{run.frames, run.frameCount}, run, left, right, oddLeft, oddRight);
}

std::int64_t mixRamp(const MixRun& run, float& left, float& right, float incrementLeft, float incrementRight) {
    if (run.count <= 0) return run.position;
    if (insideSample(run)) return rampLoop(DirectFrames{run.frames}, run, left, right, incrementLeft, incrementRight);
    return rampLoop(GuardedFrames{run.frames, run.frameCount}, run, left, right, incrementLeft, incrementRight);
}

}  // namespace music
