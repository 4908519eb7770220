// The textured span shortcut: program selection, the two texture rows of a span, unit runs and the SSE2
// kernel (the AVX2 one is in textured_span_avx2.cpp).
//
// Along a row of an axis-aligned rectangle at constant rhw, v does not change and u advances by a
// constant step, so every pixel filters between the same two texture rows with the same vertical
// weight. The kernels compute each pixel's texel position with exactly the float operations of
// interpolateSpan and the sampler, or step it as an integer where that is proven to give the same
// (unit runs, below); then they read texels straight from the two rows instead of addressing four
// texels per pixel, and keep colours in 16-bit lanes from the filter to the blend. The filter,
// modulation and blend round exactly as sampleTexture, combineStages and shadeBatch do.
#include "platform/soft/textured_span.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/soft/pixel_math.h"
#include "platform/soft/raster_settings.h"
#include "platform/soft/textured_span_avx2.h"

namespace soft {
namespace {

// Bilinear sampling puts texel centres at (i + 0.5) / size: half a texel in 1/256 texel, rounded.
constexpr float kHalfTexelOffset = -127.5f;

// Stage 0 alone, colour and alpha alike: SELECTARG of the texture, or MODULATE of texture and diffuse.
bool textureStageFits(const StageProgram& program, bool& modulate) {
    if (program.count != 1 || !program.alphaSharesColor[0] || !program.readsTexture[0]) return false;
    const StageState& s = program.stages[0];
    // Arguments without modifiers only.
    const bool textureFirst = s.colorArg1 == device::D3DTA_TEXTURE;
    const bool textureSecond = s.colorArg2 == device::D3DTA_TEXTURE;
    switch (s.colorOp) {
        case device::D3DTOP_SELECTARG1: modulate = false; return textureFirst;
        case device::D3DTOP_SELECTARG2: modulate = false; return textureSecond;
        case device::D3DTOP_MODULATE:
            modulate = true;
            return (textureFirst && s.colorArg2 == device::D3DTA_DIFFUSE) ||
                   (textureSecond && s.colorArg1 == device::D3DTA_DIFFUSE);
        default: return false;
    }
}

SpanRows spanRows(const SamplerConfig& s, float v) {
    const float scaleV = static_cast<float>(s.height) * 256.0f;
    const int fixed = _mm_cvtsi128_si32(pixel::texelFixed4(_mm_set1_ps(v), scaleV, kHalfTexelOffset));
    const int row = fixed >> 8;
    SpanRows rows;
    rows.top = s.texels + static_cast<std::ptrdiff_t>(row & (s.height - 1)) * s.pitch;
    rows.bottom = s.texels + static_cast<std::ptrdiff_t>((row + 1) & (s.height - 1)) * s.pitch;
    rows.weight = fixed & 255;
    return rows;
}

// Colours of four pixels as 16-bit lanes: pixels 0 and 1 in lo, 2 and 3 in hi.
struct Wide4 {
    __m128i lo, hi;
};

Wide4 widen(__m128i packed) {
    const __m128i zero = _mm_setzero_si128();
    return {_mm_unpacklo_epi8(packed, zero), _mm_unpackhi_epi8(packed, zero)};
}

__m128i lerp256(__m128i a, __m128i b, __m128i w) {
    return pixel::lerp256(a, b, w, _mm_sub_epi16(_mm_set1_epi16(256), w));
}

// Texels x[0..3] of one row: one load when they lie side by side.
__m128i column4(const std::uint32_t* row, const std::int32_t* x, bool sideBySide) {
    if (sideBySide) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x[0]));
    return _mm_setr_epi32(static_cast<int>(row[x[0]]), static_cast<int>(row[x[1]]), static_cast<int>(row[x[2]]),
                          static_cast<int>(row[x[3]]));
}

// Texels x and x + 1 (wrapped) of two samples as [left a, right a, left b, right b]. Only a sample at the
// row's last texel wraps, so the others read both texels in one 64-bit load.
__m128i pairs2(const std::uint32_t* row, const std::int32_t* x, int mask, bool wraps) {
    if (!wraps) {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[0])),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x[1])));
    }
    return _mm_setr_epi32(static_cast<int>(row[x[0]]), static_cast<int>(row[(x[0] + 1) & mask]),
                          static_cast<int>(row[x[1]]), static_cast<int>(row[(x[1] + 1) & mask]));
}

// The horizontal filter step on one texture row: each sample's texel and its right neighbour weighed by
// its fraction, rounded to 8 bits, as bilinear4 of the sampler.
Wide4 filterRow(const std::uint32_t* row, const std::int32_t* x, int mask, bool wraps, __m128i fxA, __m128i fxB) {
    // [left a, right a, left b, right b] -> [left a, left b, right a, right b]
    const __m128i p01 = _mm_shuffle_epi32(pairs2(row, x, mask, wraps), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i p23 = _mm_shuffle_epi32(pairs2(row, x + 2, mask, wraps), _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i zero = _mm_setzero_si128();
    return {lerp256(_mm_unpacklo_epi8(p01, zero), _mm_unpackhi_epi8(p01, zero), fxA),
            lerp256(_mm_unpacklo_epi8(p23, zero), _mm_unpackhi_epi8(p23, zero), fxB)};
}

// The filtered texture colour of four samples at texel columns x (x0 as a vector) with fractions fx.
// A zero weight returns its first texel unchanged, so samples on texel centres skip that step.
Wide4 filter4(const SpanRows& rows, const std::int32_t* x, __m128i x0, __m128i fx, int mask) {
    const __m128i vertical = _mm_set1_epi16(static_cast<short>(rows.weight));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(fx, _mm_setzero_si128())) == 0xFFFF) {
        const __m128i expected = _mm_add_epi32(_mm_set1_epi32(x[0]), _mm_setr_epi32(0, 1, 2, 3));
        const bool sideBySide = _mm_movemask_epi8(_mm_cmpeq_epi32(x0, expected)) == 0xFFFF;
        const Wide4 top = widen(column4(rows.top, x, sideBySide));
        if (rows.weight == 0) return top;
        const Wide4 bottom = widen(column4(rows.bottom, x, sideBySide));
        return {lerp256(top.lo, bottom.lo, vertical), lerp256(top.hi, bottom.hi, vertical)};
    }
    const bool wraps = _mm_movemask_epi8(_mm_cmpeq_epi32(x0, _mm_set1_epi32(mask))) != 0;
    __m128i fxA, fxB;
    pixel::spreadWeights(fx, fxA, fxB);
    const Wide4 top = filterRow(rows.top, x, mask, wraps, fxA, fxB);
    if (rows.weight == 0) return top;
    const Wide4 bottom = filterRow(rows.bottom, x, mask, wraps, fxA, fxB);
    return {lerp256(top.lo, bottom.lo, vertical), lerp256(top.hi, bottom.hi, vertical)};
}

// filter4 for four samples of a unit run whose columns column..column+3 (and column + 4, for a non-zero
// fraction) lie inside the texture row: side by side, with one fraction, so plain loads and a constant
// weight replace the per-sample addressing.
Wide4 filterUnit4(const SpanRows& rows, int column, int fraction) {
    const __m128i weight = _mm_set1_epi16(static_cast<short>(fraction));
    const auto filterRowAt = [&](const std::uint32_t* row) {
        const Wide4 left = widen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + column)));
        if (fraction == 0) return left;
        const Wide4 right = widen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + column + 1)));
        return Wide4{lerp256(left.lo, right.lo, weight), lerp256(left.hi, right.hi, weight)};
    };
    const Wide4 top = filterRowAt(rows.top);
    if (rows.weight == 0) return top;
    const Wide4 bottom = filterRowAt(rows.bottom);
    const __m128i vertical = _mm_set1_epi16(static_cast<short>(rows.weight));
    return {lerp256(top.lo, bottom.lo, vertical), lerp256(top.hi, bottom.hi, vertical)};
}

// round(src * a / 255 + dst * (255 - a) / 255) per channel, a = src's alpha: lerp4 of shadeBatch.
__m128i blendOver(__m128i src, __m128i dst) {
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(src, 0xFF), 0xFF);
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
    return pixel::div255Epu16(_mm_add_epi16(_mm_mullo_epi16(src, alpha), _mm_mullo_epi16(dst, inverse)));
}

// Texture colour, modulation and blend of four pixels over dst; returns the packed result.
__m128i shade4(const SpanProgram& p, Wide4 c, __m128i diffuse, __m128i dst) {
    if (p.modulate) {
        c.lo = pixel::div255Epu16(_mm_mullo_epi16(c.lo, diffuse));
        c.hi = pixel::div255Epu16(_mm_mullo_epi16(c.hi, diffuse));
    }
    if (p.blend) {
        const Wide4 d = widen(dst);
        c.lo = blendOver(c.lo, d.lo);
        c.hi = blendOver(c.hi, d.hi);
    }
    return _mm_packus_epi16(c.lo, c.hi);
}

// The span's pixels four at a time; the last group reads and writes only its own pixels.
void drawSpanSse2(const SpanProgram& p, const TexturedSpan& span, const SpanRows& rows) {
    const SamplerConfig& s = p.sampler;
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const int mask = s.width - 1;
    const __m128i maskU = _mm_set1_epi32(mask);
    const __m128i fraction = _mm_set1_epi32(255);
    const __m128 u = _mm_set1_ps(span.u);
    const __m128 du = _mm_set1_ps(span.du);
    // Pixel indices as floats, stepped in the vector: exact below 2^24, and free of the scalar
    // conversion's dependency on a register from the previous step.
    __m128 index = _mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f);
    const __m128i diffuse = widen(_mm_set1_epi32(static_cast<int>(span.diffuse))).lo;
    alignas(16) std::int32_t x[4];
    const bool unitSteps = span.du * scaleU == 256.0f;
    UnitRun run;
    for (int i = 0; i < span.count; i += 4, index = _mm_add_ps(index, _mm_set1_ps(4.0f))) {
        // Pixels of a unit run step the fixed-point u as an integer, the others compute it with the same
        // float operations as interpolateSpan and the sampler: the same texel positions either way.
        if (unitSteps && i + 4 > run.end) run = unitRunAt(s, span, i);
        const bool inRun = i + 4 <= run.end;
        const int fixed = inRun ? run.firstFixed + 256 * (i - run.first) : 0;
        const int column = (fixed >> 8) & mask;
        Wide4 texel;
        if (inRun && column + ((fixed & 255) == 0 ? 3 : 4) <= mask) {
            texel = filterUnit4(rows, column, fixed & 255);
        } else {
            const __m128i fu =
                inRun ? _mm_add_epi32(_mm_set1_epi32(fixed), _mm_setr_epi32(0, 256, 512, 768))
                      : pixel::texelFixed4(_mm_add_ps(u, _mm_mul_ps(du, index)), scaleU, kHalfTexelOffset);
            const __m128i x0 = _mm_and_si128(_mm_srai_epi32(fu, 8), maskU);
            _mm_store_si128(reinterpret_cast<__m128i*>(x), x0);
            texel = filter4(rows, x, x0, _mm_and_si128(fu, fraction), mask);
        }
        std::uint32_t* out = span.pixels + i;
        if (span.count - i >= 4) {
            const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), shade4(p, texel, diffuse, dst));
        } else {
            alignas(16) std::uint32_t tail[4] = {};
            const auto bytes = static_cast<std::size_t>(span.count - i) * sizeof(std::uint32_t);
            std::memcpy(tail, out, bytes);
            const __m128i dst = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
            _mm_store_si128(reinterpret_cast<__m128i*>(tail), shade4(p, texel, diffuse, dst));
            std::memcpy(out, tail, bytes);
        }
    }
}

}  // namespace

// Unit runs. The general path computes pixel i's fixed-point u as floor(fl(fl(u + du i) scale) - 127.5),
// each operation rounded to float (du i is exact: du = 1 / width is a power of two, as is scale).
// Float rounding to nearest, ties to even, commutes with adding an even multiple of the float spacing
// wherever the sum stays in one binade (between consecutive powers of two). So while the exact sums
// u + du j stay in the binade of b = fl(u + du i) and du is at least twice its spacing, fl(u + du j) =
// b + du (j - i); times scale that is b scale + 256 (j - i), exactly; and while b scale - 127.5 + 256 (j - i)
// stays in one binade whose spacing is at most 128, fl(... - 127.5) is its rounding plus 256 (j - i).
// Its floor then grows by exactly 256 per pixel.
//
// A span whose u + du j are all exact on the grid of u's lowest set bit needs no binade limit for the
// first step; unitRunWhole checks that case for the whole span at once.
namespace {

// 2^e for |e| well inside the double range.
double powerOfTwo(int e) { return std::bit_cast<double>(static_cast<std::uint64_t>(1023 + e) << 52); }

// floor(log2 |x|) for finite non-zero x, normal doubles; and the float case.
int binadeOf(double x) { return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF) - 1023; }
int binadeOf(float x) { return static_cast<int>((std::bit_cast<std::uint32_t>(x) >> 23) & 0xFF) - 127; }

int fixedOf(float b, float scale) {
    return _mm_cvtsi128_si32(pixel::texelFixed4(_mm_set1_ps(b), scale, kHalfTexelOffset));
}

// How many pixels after the one whose exact sum lies within half a spacing of b keep the exact sums
// u + du j in b's binade, with du at least twice the spacing there; -1 when none may start at b.
double sumSteps(float b, double du) {
    const double spacing = powerOfTwo(binadeOf(b) - 23);
    if (du < 2.0 * spacing) return -1.0;
    const double magnitude = std::fabs(static_cast<double>(b));
    const double bottom = powerOfTwo(binadeOf(b));
    if (b > 0.0f) {
        // Rising sums: the first is above bottom unless b is bottom itself; the last below 2 bottom.
        if (magnitude == bottom) return -1.0;
        return std::ceil((2.0 * bottom - magnitude - spacing / 2.0) / du) - 1.0;
    }
    // Negative sums rise towards zero and shrink: the last must not drop below bottom.
    return std::floor((magnitude - spacing / 2.0 - bottom) / du);
}

// How many further pixels keep d + 256 k (exact) in the binade of d with a spacing of at most 128 and
// a magnitude below 2^30 (inside the sampler's clamp); -1 when none.
double fixedSteps(double d) {
    if (d == 0.0 || std::fabs(d) >= 1073741824.0) return -1.0;
    const double bottom = powerOfTwo(binadeOf(d));
    if (d > 0.0) return std::ceil((2.0 * bottom - d) / 256.0) - 1.0;
    return std::floor((-d - bottom) / 256.0);
}

// The whole span is one run when every u + du j is exact: u and du j are multiples of the finer of
// u's lowest set bit and du, g, so their sums are floats while within 2^24 g; and the subtraction of
// 127.5 is exact while within 2^24 min(g scale, 0.5). The ends of the span bound every pixel.
bool unitRunWhole(float u, double du, double scale, int count) {
    if (u != 0.0f && std::fabs(u) < std::numeric_limits<float>::min()) return false;
    const auto bits = std::bit_cast<std::uint32_t>(u);
    const double lowestBit = u == 0.0f ? du : powerOfTwo(binadeOf(u) - 23 + std::countr_zero(bits | 0x800000u));
    const double g = std::min(lowestBit, du);
    const double last = static_cast<double>(u) + du * (count - 1);
    const auto onGrid = [](double value, double grid) { return std::fabs(value) <= 16777216.0 * grid; };
    const double fixedGrid = std::min(g * scale, 0.5);
    return onGrid(u, g) && onGrid(last, g) && onGrid(u * scale + kHalfTexelOffset, fixedGrid) &&
           onGrid(last * scale + kHalfTexelOffset, fixedGrid);
}

}  // namespace

UnitRun unitRunAt(const SamplerConfig& sampler, const TexturedSpan& span, int i) {
    UnitRun run{i, i, 0};
    const float scale = static_cast<float>(sampler.width) * 256.0f;
    if (i >= span.count || span.du * scale != 256.0f) return run;  // du * scale is exact: scale is 2^k
    const float b = span.u + span.du * static_cast<float>(i);
    if (!std::isfinite(b)) return run;
    run.firstFixed = fixedOf(b, scale);
    if (i == 0 && unitRunWhole(span.u, span.du, scale, span.count)) {
        run.end = span.count;
        return run;
    }
    if (std::fabs(b) < std::numeric_limits<float>::min()) return run;
    const double steps = std::min({sumSteps(b, span.du), fixedSteps(static_cast<double>(b) * scale + kHalfTexelOffset),
                                   static_cast<double>(span.count - 1 - i)});
    if (steps >= 0.0) run.end = i + 1 + static_cast<int>(steps);
    return run;
}

SpanProgram prepareSpanProgram(const PixelContext& c, const RasterSettings& settings) {
    SpanProgram p;
    const SamplerConfig& s = c.samplers[0];
    const bool plainBlend = !c.blend || (c.srcBlend == device::D3DBLEND_SRCALPHA &&
                                         c.destBlend == device::D3DBLEND_INVSRCALPHA);
    p.enabled = rasterUsesSpanKernels(settings) && !c.depthTest && c.fogMode == device::D3DFOG_NONE &&
                !c.needsSpecular && plainBlend && textureStageFits(c.stages, p.modulate) && s.texels != nullptr &&
                s.fastWrap;
    p.blend = c.blend;
    p.avx2 = rasterUsesAvx2(settings);
    p.sampler = s;
    return p;
}

bool spanProgramFits(const SpanProgram& program, const TriangleSetup& setup) {
    return program.enabled && !setup.perspective && setup.constantDiffuse && setup.filter[0] == TextureFilter::Linear;
}

void drawTexturedSpan(const SpanProgram& program, const TexturedSpan& span) {
    if (span.count <= 0) return;
    const SpanRows rows = spanRows(program.sampler, span.v);
    if (program.avx2) {
        drawTexturedSpanAvx2(program, span, rows);
    } else {
        drawSpanSse2(program, span, rows);
    }
}

}  // namespace soft
