// AVX2 forms of the raster stage's pixel arithmetic (pixel_math.h), each giving the same integers as
// its SSE2 form lane for lane. Compiled for AVX2 per function; call only where
// rasterUsesAvx2 (raster_settings.h) is true.
#pragma once

#include <immintrin.h>

#define VELBRY_AVX2 __attribute__((target("avx2")))

namespace soft::pixel {

// texelFixed4 on eight coordinates: the same multiply, add, clamp and floor, so the same integers.
VELBRY_AVX2 inline __m256i texelFixed8(__m256 x, float scale, float offset) {
    constexpr float kLimit = 1073741824.0f;
    x = _mm256_add_ps(_mm256_mul_ps(x, _mm256_set1_ps(scale)), _mm256_set1_ps(offset));
    x = _mm256_min_ps(_mm256_max_ps(x, _mm256_set1_ps(-kLimit)), _mm256_set1_ps(kLimit));
    return _mm256_cvttps_epi32(_mm256_floor_ps(x));
}

// lerp256 of pixel_math.h: (a * (256 - w) + b * w + 128) >> 8 per 16-bit lane, inverse = 256 - w.
VELBRY_AVX2 inline __m256i lerp256x2(__m256i a, __m256i b, __m256i w, __m256i inverse) {
    const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(a, inverse), _mm256_mullo_epi16(b, w));
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
}

// lerp256 of pixel_math.h in three operations, given w128 = w << 7 (at most 32640) per 16-bit lane:
// a * (256 - w) + b * w = 256 a + (b - a) w, so the result is a + floor(((b - a) w + 128) / 256), and
// vpmulhrsw computes floor((x y + 2^14) / 2^15), which for x = b - a and y = 128 w is exactly that
// floor (numerator and denominator scaled by 128).
VELBRY_AVX2 inline __m256i lerp256Scaled(__m256i a, __m256i b, __m256i w128) {
    return _mm256_add_epi16(a, _mm256_mulhrs_epi16(_mm256_sub_epi16(b, a), w128));
}

// div255Epu16 of pixel_math.h: x / 255 rounded, for 16-bit lanes holding 0..65025.
VELBRY_AVX2 inline __m256i div255x2(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// Eight 32-bit weights (0..255) spread over 16-bit lanes the way byte unpacking lays out pixels, which
// works within 128-bit halves: the low unpack holds samples 0, 1, 4, 5 and the high one 2, 3, 6, 7.
VELBRY_AVX2 inline void spreadWeights8(__m256i w, __m256i& low, __m256i& high) {
    __m256i w16 = _mm256_packs_epi32(w, w);
    w16 = _mm256_unpacklo_epi16(w16, w16);
    low = _mm256_unpacklo_epi32(w16, w16);
    high = _mm256_unpackhi_epi32(w16, w16);
}

}  // namespace soft::pixel
