// AVX2 bilinear sampling of wrapped power-of-two textures: the SSE2 kernel's arithmetic on eight
// samples per step, with texels fetched by gathers. Compiled for AVX2 per function and only called
// after a run-time check.
#include "platform/soft/texture_sampler_avx2.h"

#include <immintrin.h>

#include "platform/soft/pixel_math_avx2.h"

namespace soft {
namespace {

// (a * (256 - w) + b * w + 128) >> 8 per 16-bit lane, as lerp256 of the SSE2 kernel.
VELBRY_AVX2 __m256i lerp256x2(__m256i a, __m256i b, __m256i w) {
    return pixel::lerp256x2(a, b, w, _mm256_sub_epi16(_mm256_set1_epi16(256), w));
}

}  // namespace

VELBRY_AVX2 int sampleLinearWrapAvx2(const SamplerConfig& s, const float* u, const float* v, int count,
                                     std::uint32_t* out) {
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const float scaleV = static_cast<float>(s.height) * 256.0f;
    const __m256i maskU = _mm256_set1_epi32(s.width - 1);
    const __m256i maskV = _mm256_set1_epi32(s.height - 1);
    const __m256i pitch = _mm256_set1_epi32(s.pitch);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i fraction = _mm256_set1_epi32(255);
    const __m256i zero = _mm256_setzero_si256();
    const int* base = reinterpret_cast<const int*>(s.texels);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i fu = pixel::texelFixed8(_mm256_loadu_ps(u + i), scaleU, -127.5f);
        const __m256i fv = pixel::texelFixed8(_mm256_loadu_ps(v + i), scaleV, -127.5f);
        const __m256i xi = _mm256_srai_epi32(fu, 8);
        const __m256i yi = _mm256_srai_epi32(fv, 8);
        const __m256i x0 = _mm256_and_si256(xi, maskU);
        const __m256i x1 = _mm256_and_si256(_mm256_add_epi32(xi, one), maskU);
        const __m256i row0 = _mm256_mullo_epi32(_mm256_and_si256(yi, maskV), pitch);
        const __m256i row1 = _mm256_mullo_epi32(_mm256_and_si256(_mm256_add_epi32(yi, one), maskV), pitch);
        const __m256i fx = _mm256_and_si256(fu, fraction);
        const __m256i fy = _mm256_and_si256(fv, fraction);
        const __m256i t00 = _mm256_i32gather_epi32(base, _mm256_add_epi32(row0, x0), 4);
        if (_mm256_testz_si256(_mm256_or_si256(fx, fy), _mm256_or_si256(fx, fy))) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), t00);  // every sample on a texel centre
            continue;
        }
        const __m256i t01 = _mm256_i32gather_epi32(base, _mm256_add_epi32(row0, x1), 4);
        const __m256i t10 = _mm256_i32gather_epi32(base, _mm256_add_epi32(row1, x0), 4);
        const __m256i t11 = _mm256_i32gather_epi32(base, _mm256_add_epi32(row1, x1), 4);
        __m256i fxLow, fxHigh, fyLow, fyHigh;
        pixel::spreadWeights8(fx, fxLow, fxHigh);
        pixel::spreadWeights8(fy, fyLow, fyHigh);
        const __m256i topLow = lerp256x2(_mm256_unpacklo_epi8(t00, zero), _mm256_unpacklo_epi8(t01, zero), fxLow);
        const __m256i topHigh = lerp256x2(_mm256_unpackhi_epi8(t00, zero), _mm256_unpackhi_epi8(t01, zero), fxHigh);
        const __m256i bottomLow = lerp256x2(_mm256_unpacklo_epi8(t10, zero), _mm256_unpacklo_epi8(t11, zero), fxLow);
        const __m256i bottomHigh =
            lerp256x2(_mm256_unpackhi_epi8(t10, zero), _mm256_unpackhi_epi8(t11, zero), fxHigh);
        const __m256i result =
            _mm256_packus_epi16(lerp256x2(topLow, bottomLow, fyLow), lerp256x2(topHigh, bottomHigh, fyHigh));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), result);
    }
    return i;
}

}  // namespace soft
