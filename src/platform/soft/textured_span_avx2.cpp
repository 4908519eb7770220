// AVX2 kernel of the textured span shortcut: the SSE2 kernel's results on eight pixels per step.
// Byte unpacking works within 128-bit halves, so 16-bit registers hold pixels 0, 1, 4, 5 (low) and
// 2, 3, 6, 7 (high), and packing puts them back in order.
#include "platform/soft/textured_span_avx2.h"

#include <immintrin.h>

#include "platform/soft/pixel_math_avx2.h"

namespace soft {
namespace {

constexpr float kHalfTexelOffset = -127.5f;  // as in the SSE2 kernel

// Helpers pass 16-bit registers through references and are always inlined: an aggregate of __m256i
// would be copied through memory in halves, since this file is not compiled for AVX2 as a whole.
#define VELBRY_AVX2_INLINE [[gnu::always_inline]] VELBRY_AVX2 inline

VELBRY_AVX2_INLINE void widen8(__m256i packed, __m256i& lo, __m256i& hi) {
    const __m256i zero = _mm256_setzero_si256();
    lo = _mm256_unpacklo_epi8(packed, zero);
    hi = _mm256_unpackhi_epi8(packed, zero);
}

// Filter weights as 16-bit lanes laid out like widened pixels, scaled for lerp256Scaled: each 32-bit
// lane of w128 holds one sample's weight << 7, and the byte shuffle repeats it over the sample's four
// channels.
VELBRY_AVX2_INLINE void spreadScaledWeights(__m256i w128, __m256i& lo, __m256i& hi) {
    const __m256i toLow = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5,  //
                                           0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5);
    const __m256i toHigh = _mm256_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13,  //
                                            8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13);
    lo = _mm256_shuffle_epi8(w128, toLow);
    hi = _mm256_shuffle_epi8(w128, toHigh);
}

VELBRY_AVX2_INLINE __m256i column8(const std::uint32_t* row, const std::int32_t* x) {
    return _mm256_setr_epi32(static_cast<int>(row[x[0]]), static_cast<int>(row[x[1]]), static_cast<int>(row[x[2]]),
                             static_cast<int>(row[x[3]]), static_cast<int>(row[x[4]]), static_cast<int>(row[x[5]]),
                             static_cast<int>(row[x[6]]), static_cast<int>(row[x[7]]));
}

// [left a, right a, left b, right b] for samples a, b: texel x and its wrapped right neighbour.
VELBRY_AVX2_INLINE __m128i pairs2(const std::uint32_t* row, const std::int32_t* x, int mask, bool wraps) {
    if (!wraps) {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[0])),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[1])));
    }
    return _mm_setr_epi32(static_cast<int>(row[x[0]]), static_cast<int>(row[(x[0] + 1) & mask]),
                          static_cast<int>(row[x[1]]), static_cast<int>(row[(x[1] + 1) & mask]));
}

// Left texels and their right neighbours of eight samples at columns x, one pair load per sample.
VELBRY_AVX2_INLINE void pairs8(const std::uint32_t* row, const std::int32_t* x, int mask, bool wraps, __m256i& left,
                               __m256i& right) {
    const __m256i p0 = _mm256_inserti128_si256(_mm256_castsi128_si256(pairs2(row, x, mask, wraps)),
                                               pairs2(row, x + 4, mask, wraps), 1);  // samples 0, 1 | 4, 5
    const __m256i p1 = _mm256_inserti128_si256(_mm256_castsi128_si256(pairs2(row, x + 2, mask, wraps)),
                                               pairs2(row, x + 6, mask, wraps), 1);  // samples 2, 3 | 6, 7
    left = _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castsi256_ps(p0), _mm256_castsi256_ps(p1), _MM_SHUFFLE(2, 0, 2, 0)));
    right = _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castsi256_ps(p0), _mm256_castsi256_ps(p1), _MM_SHUFFLE(3, 1, 3, 1)));
}

// Left texels and their right neighbours when the eight samples' texels lie among the nine from first
// on, without wrapping (u advancing by at most a texel per pixel): two loads and two permutes.
// offset holds each sample's column minus first, 0..7.
VELBRY_AVX2_INLINE void window8(const std::uint32_t* row, int first, __m256i offset, __m256i& left, __m256i& right) {
    left = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + first)), offset);
    right = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + first + 1)), offset);
}

// The horizontal filter step: left and right texels weighed by the samples' fractions.
VELBRY_AVX2_INLINE void filterPairs(__m256i left, __m256i right, __m256i wLo, __m256i wHi, __m256i& lo,
                                    __m256i& hi) {
    __m256i rightLo, rightHi;
    widen8(left, lo, hi);
    widen8(right, rightLo, rightHi);
    lo = pixel::lerp256Scaled(lo, rightLo, wLo);
    hi = pixel::lerp256Scaled(hi, rightHi, wHi);
}

// The texels of eight samples on one texture row, filtered horizontally where a fraction is non-zero.
struct RowFetch {
    int mask;
    int first;       // the first sample's column
    __m256i x0;      // every sample's column
    __m256i offset;  // x0 - first
    bool centred;    // every fraction is zero: the texels themselves
    bool window;     // window8 may fetch them
    __m256i wLo, wHi;
};

VELBRY_AVX2_INLINE void fetchRow(const std::uint32_t* row, const RowFetch& f, __m256i& lo, __m256i& hi) {
    alignas(32) std::int32_t x[8];
    if (f.centred) {
        const __m256i sideBySide = _mm256_cmpeq_epi32(f.offset, _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        if (_mm256_movemask_epi8(sideBySide) == -1) {
            widen8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + f.first)), lo, hi);
        } else {
            _mm256_store_si256(reinterpret_cast<__m256i*>(x), f.x0);
            widen8(column8(row, x), lo, hi);
        }
        return;
    }
    __m256i left, right;
    if (f.window) {
        window8(row, f.first, f.offset, left, right);
    } else {
        _mm256_store_si256(reinterpret_cast<__m256i*>(x), f.x0);
        const __m256i atEnd = _mm256_cmpeq_epi32(f.x0, _mm256_set1_epi32(f.mask));
        pairs8(row, x, f.mask, !_mm256_testz_si256(atEnd, atEnd), left, right);
    }
    filterPairs(left, right, f.wLo, f.wHi, lo, hi);
}

// The filtered texture colour of eight samples with fixed-point columns fu: rows filtered
// horizontally, then weighed vertically, as filter4 of the SSE2 kernel. A zero weight returns its
// first texel unchanged, so samples on texel centres and rows with a zero vertical weight skip it.
VELBRY_AVX2_INLINE void filter8(const SpanRows& rows, __m256i verticalWeight, __m256i fu, int mask, __m256i& lo,
                                __m256i& hi) {
    const __m256i x0 = _mm256_and_si256(_mm256_srai_epi32(fu, 8), _mm256_set1_epi32(mask));
    const int first = _mm_cvtsi128_si32(_mm256_castsi256_si128(x0));
    const __m256i offset = _mm256_sub_epi32(x0, _mm256_set1_epi32(first));
    const __m256i fraction = _mm256_and_si256(fu, _mm256_set1_epi32(255));
    const bool centred = _mm256_testz_si256(fraction, fraction);
    // Offsets 0..7 are exactly those without bits outside the low three.
    const bool window = first + 8 <= mask && _mm256_testz_si256(offset, _mm256_set1_epi32(~7));
    __m256i wLo, wHi, bottomLo, bottomHi;
    spreadScaledWeights(_mm256_slli_epi32(fraction, 7), wLo, wHi);
    if (window && !centred) {
        // The usual case of a magnified texture, kept free of the other cases' bookkeeping.
        __m256i left, right;
        window8(rows.top, first, offset, left, right);
        filterPairs(left, right, wLo, wHi, lo, hi);
        if (rows.weight == 0) return;
        window8(rows.bottom, first, offset, left, right);
        filterPairs(left, right, wLo, wHi, bottomLo, bottomHi);
    } else {
        const RowFetch f{mask, first, x0, offset, centred, window, wLo, wHi};
        fetchRow(rows.top, f, lo, hi);
        if (rows.weight == 0) return;
        fetchRow(rows.bottom, f, bottomLo, bottomHi);
    }
    lo = pixel::lerp256Scaled(lo, bottomLo, verticalWeight);
    hi = pixel::lerp256Scaled(hi, bottomHi, verticalWeight);
}

VELBRY_AVX2_INLINE __m256i load(const std::uint32_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// filter8 for eight samples of a unit run whose columns column..column+7 (and column + 8, for a non-zero
// fraction) lie inside the texture row: side by side, with one fraction, so plain loads and a constant
// weight replace the per-sample addressing.
VELBRY_AVX2_INLINE void filterUnit8(const SpanRows& rows, __m256i verticalWeight, int column, int fraction,
                                    __m256i& lo, __m256i& hi) {
    const __m256i weight = _mm256_set1_epi16(static_cast<short>(fraction << 7));
    __m256i bottomLo, bottomHi;
    if (fraction == 0) {
        widen8(load(rows.top + column), lo, hi);
        if (rows.weight == 0) return;
        widen8(load(rows.bottom + column), bottomLo, bottomHi);
    } else {
        filterPairs(load(rows.top + column), load(rows.top + column + 1), weight, weight, lo, hi);
        if (rows.weight == 0) return;
        filterPairs(load(rows.bottom + column), load(rows.bottom + column + 1), weight, weight, bottomLo, bottomHi);
    }
    lo = pixel::lerp256Scaled(lo, bottomLo, verticalWeight);
    hi = pixel::lerp256Scaled(hi, bottomHi, verticalWeight);
}

VELBRY_AVX2_INLINE __m256i blendOver8(__m256i src, __m256i dst) {
    // Each pixel's alpha lane (bytes 6 and 7 of its 8) copied over its four lanes.
    const __m256i replicate = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15,  //
                                               6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
    const __m256i alpha = _mm256_shuffle_epi8(src, replicate);
    const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), alpha);
    return pixel::div255x2(_mm256_add_epi16(_mm256_mullo_epi16(src, alpha), _mm256_mullo_epi16(dst, inverse)));
}

// Modulation by the diffuse colour and the blend over dst, chosen at compile time so that the loop
// carries no branches for them.
template <bool Modulate, bool Blend>
VELBRY_AVX2_INLINE __m256i shade8(__m256i lo, __m256i hi, __m256i diffuse, __m256i dst) {
    if constexpr (Modulate) {
        lo = pixel::div255x2(_mm256_mullo_epi16(lo, diffuse));
        hi = pixel::div255x2(_mm256_mullo_epi16(hi, diffuse));
    }
    if constexpr (Blend) {
        __m256i dstLo, dstHi;
        widen8(dst, dstLo, dstHi);
        lo = blendOver8(lo, dstLo);
        hi = blendOver8(hi, dstHi);
    }
    return _mm256_packus_epi16(lo, hi);
}

// The span's pixels. What the loop reads is copied into locals first: stores to the target may alias
// anything reached through a pointer, which would make the compiler reload it every step. The last
// group of fewer than eight pixels reads and writes only its own pixels, through lane masks; its other
// lanes compute texel positions past the span, which still address texels inside the texture.
template <bool Modulate, bool Blend>
VELBRY_AVX2 void drawLoop8(const SamplerConfig& s, const TexturedSpan& span, const SpanRows rows) {
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const int mask = s.width - 1;
    const __m256 u = _mm256_set1_ps(span.u);
    const __m256 du = _mm256_set1_ps(span.du);
    const __m256i verticalWeight = _mm256_set1_epi16(static_cast<short>(rows.weight << 7));
    std::uint32_t* const pixels = span.pixels;
    const int count = span.count;
    const bool unitSteps = span.du * scaleU == 256.0f;
    UnitRun run;
    __m256i diffuse, unused;
    widen8(_mm256_set1_epi32(static_cast<int>(span.diffuse)), diffuse, unused);
    // Pixel indices as floats, stepped in the vector: exact below 2^24, and free of the scalar
    // conversion's dependency on a register from the previous step.
    __m256 index = _mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f);
    for (int i = 0; i < count; i += 8, index = _mm256_add_ps(index, _mm256_set1_ps(8.0f))) {
        if (unitSteps && i + 8 > run.end) run = unitRunAt(s, span, i);
        __m256i lo, hi;
        if (i + 8 <= run.end) {
            const int fixed = run.firstFixed + 256 * (i - run.first);
            const int column = (fixed >> 8) & mask;
            const int fraction = fixed & 255;
            if (column + (fraction == 0 ? 7 : 8) <= mask) {
                filterUnit8(rows, verticalWeight, column, fraction, lo, hi);
            } else {
                const __m256i steps = _mm256_setr_epi32(0, 256, 512, 768, 1024, 1280, 1536, 1792);
                filter8(rows, verticalWeight, _mm256_add_epi32(_mm256_set1_epi32(fixed), steps), mask, lo, hi);
            }
        } else {
            // The same float operations as interpolateSpan and the sampler, so the same texel positions.
            const __m256i fu =
                pixel::texelFixed8(_mm256_add_ps(u, _mm256_mul_ps(du, index)), scaleU, kHalfTexelOffset);
            filter8(rows, verticalWeight, fu, mask, lo, hi);
        }
        std::uint32_t* out = pixels + i;
        if (count - i >= 8) {
            __m256i* out8 = reinterpret_cast<__m256i*>(out);
            _mm256_storeu_si256(out8, shade8<Modulate, Blend>(lo, hi, diffuse, _mm256_loadu_si256(out8)));
        } else {
            const __m256i lanes =
                _mm256_cmpgt_epi32(_mm256_set1_epi32(count - i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
            int* outInts = reinterpret_cast<int*>(out);
            const __m256i dst = _mm256_maskload_epi32(outInts, lanes);
            _mm256_maskstore_epi32(outInts, lanes, shade8<Modulate, Blend>(lo, hi, diffuse, dst));
        }
    }
}

}  // namespace

VELBRY_AVX2 void drawTexturedSpanAvx2(const SpanProgram& p, const TexturedSpan& span, const SpanRows& rows) {
    if (p.modulate) {
        p.blend ? drawLoop8<true, true>(p.sampler, span, rows) : drawLoop8<true, false>(p.sampler, span, rows);
    } else {
        p.blend ? drawLoop8<false, true>(p.sampler, span, rows) : drawLoop8<false, false>(p.sampler, span, rows);
    }
}

}  // namespace soft
