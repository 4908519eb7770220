// SSE2 helpers for the raster stage's colour arithmetic: packed 0xAARRGGBB words widened to 16-bit lanes,
// products divided by 255 with rounding, and float-to-integer conversions that do not depend on MXCSR.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace soft {

// Fragments are shaded in batches of at most this many, so that every stage is a tight loop over arrays.
constexpr int kBatchSize = 64;

}  // namespace soft

namespace soft::pixel {

// x / 255 rounded to nearest, for 16-bit lanes holding 0..65025 (a product of two channel values).
// With y = x + 128, (y + (y >> 8)) >> 8 is exact over that range, and equals (y * 257) >> 16, the high
// half of one unsigned multiply; y stays below 65536.
inline __m128i div255Epu16(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

// The same rounding for 32-bit lanes; exact wherever the result is at most 255, so saturating the
// result afterwards gives min(255, round(x / 255)) for sums of two products.
inline __m128i div255Epu32(__m128i x) {
    x = _mm_add_epi32(x, _mm_set1_epi32(128));
    return _mm_srli_epi32(_mm_add_epi32(x, _mm_srli_epi32(x, 8)), 8);
}

// Per-channel round(a * b / 255) of four packed pixels.
inline __m128i modulate4(__m128i a, __m128i b) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lo = _mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    __m128i hi = _mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    return _mm_packus_epi16(div255Epu16(lo), div255Epu16(hi));
}

// Per-channel round((s * f + d * (255 - f)) / 255) of four packed pixels: the blend towards s by f.
inline __m128i lerp4(__m128i s, __m128i d, __m128i f) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    __m128i fl = _mm_unpacklo_epi8(f, zero);
    __m128i fh = _mm_unpackhi_epi8(f, zero);
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), fl),
                               _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, fl)));
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), fh),
                               _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, fh)));
    return _mm_packus_epi16(div255Epu16(lo), div255Epu16(hi));
}

// Copies each pixel's alpha byte into all four of its bytes.
inline __m128i replicateAlpha4(__m128i p) {
    __m128i a = _mm_srli_epi32(p, 24);
    a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    return _mm_or_si128(a, _mm_slli_epi32(a, 16));
}

// floor(x) for four floats already clamped to the int32 range; truncation corrected for negatives.
inline __m128i floor4(__m128 x) {
    __m128i t = _mm_cvttps_epi32(x);
    __m128 tf = _mm_cvtepi32_ps(t);
    return _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(tf, x)));  // -1 where truncation rounded up
}

// Texture coordinates to fixed-point texel positions with 8 fractional bits: floor(x * scale + offset),
// clamped to +-2^30 first so that every position fits an int32 (NaN goes to -2^30).
inline __m128i texelFixed4(__m128 x, float scale, float offset) {
    constexpr float kLimit = 1073741824.0f;
    x = _mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(scale)), _mm_set1_ps(offset));
    x = _mm_min_ps(_mm_max_ps(x, _mm_set1_ps(-kLimit)), _mm_set1_ps(kLimit));
    return floor4(x);
}

// (a * (256 - w) + b * w + 128) >> 8 per 16-bit lane, inverse = 256 - w: the bilinear filter's step
// with 8-bit weights. Every product and the sum stay below 65536.
inline __m128i lerp256(__m128i a, __m128i b, __m128i w, __m128i inverse) {
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(a, inverse), _mm_mullo_epi16(b, w));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

// Four 32-bit weights (0..255) as 16-bit lanes for two pixels each: [w0 x4, w1 x4] and [w2 x4, w3 x4].
inline void spreadWeights(__m128i w, __m128i& first, __m128i& second) {
    __m128i w16 = _mm_packs_epi32(w, w);
    w16 = _mm_unpacklo_epi16(w16, w16);
    first = _mm_unpacklo_epi32(w16, w16);
    second = _mm_unpackhi_epi32(w16, w16);
}

// round(clamp(x, 0, 1) * 255) with ties away from zero, as four int32 lanes.
inline __m128i unitToByte4(__m128 x) {
    x = _mm_min_ps(_mm_max_ps(x, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(x, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
}

// Packs four channel vectors (int32 lanes, 0..255) into four 0xAARRGGBB words.
inline __m128i packArgb4(__m128i r, __m128i g, __m128i b, __m128i a) {
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(a, 24), _mm_slli_epi32(r, 16)),
                        _mm_or_si128(_mm_slli_epi32(g, 8), b));
}

inline std::uint32_t packArgb(int r, int g, int b, int a) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// round(clamp(v, 0, 1) * 255) with the same rounding as unitToByte4.
inline int unitToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v > 1.0f) v = 1.0f;
    return static_cast<int>(v * 255.0f + 0.5f);
}

}  // namespace soft::pixel
