// The per-pixel back end: depth test and write on the 24-bit depth, texture stages, specular add,
// table fog, line coverage, alpha blending and the write to the colour surface.
#include "platform/soft/pixel_pipeline.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace soft {
namespace {

__m128i load4(const std::uint32_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
void store4(std::uint32_t* p, __m128i x) { _mm_store_si128(reinterpret_cast<__m128i*>(p), x); }

// Depth is stored as a 24-bit unsigned fraction: round(z * (2^24 - 1)) of z clamped to 0..1. Double
// precision keeps z = 1 from rounding past 0xFFFFFF.
std::uint32_t quantizeDepth(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return 0xFFFFFFu;
    return static_cast<std::uint32_t>(static_cast<double>(z) * 16777215.0 + 0.5);
}

bool depthPasses(device::D3DCMPFUNC func, std::uint32_t incoming, std::uint32_t stored) {
    switch (func) {
        case device::D3DCMP_NEVER: return false;
        case device::D3DCMP_LESS: return incoming < stored;
        case device::D3DCMP_EQUAL: return incoming == stored;
        case device::D3DCMP_LESSEQUAL: return incoming <= stored;
        case device::D3DCMP_GREATER: return incoming > stored;
        case device::D3DCMP_NOTEQUAL: return incoming != stored;
        case device::D3DCMP_GREATEREQUAL: return incoming >= stored;
        case device::D3DCMP_ALWAYS:
        default: return true;
    }
}

// quantizeDepth of four fragments: the clamp to 0..1 (NaN to 0, since maxps returns its second operand
// then), then the same double multiply, add and truncation.
__m128i quantizeDepth4(__m128 z) {
    z = _mm_min_ps(_mm_max_ps(z, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    const __m128d scale = _mm_set1_pd(16777215.0);
    const __m128d half = _mm_set1_pd(0.5);
    const __m128i lo = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(z), scale), half));
    const __m128i hi = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(z, z)), scale), half));
    return _mm_unpacklo_epi64(lo, hi);
}

// depthPasses for four fragments as lane masks; depths are below 2^24, so signed compares serve.
__m128i depthPasses4(device::D3DCMPFUNC func, __m128i incoming, __m128i stored) {
    const __m128i ones = _mm_set1_epi32(-1);
    switch (func) {
        case device::D3DCMP_NEVER: return _mm_setzero_si128();
        case device::D3DCMP_LESS: return _mm_cmplt_epi32(incoming, stored);
        case device::D3DCMP_EQUAL: return _mm_cmpeq_epi32(incoming, stored);
        case device::D3DCMP_LESSEQUAL: return _mm_xor_si128(_mm_cmpgt_epi32(incoming, stored), ones);
        case device::D3DCMP_GREATER: return _mm_cmpgt_epi32(incoming, stored);
        case device::D3DCMP_NOTEQUAL: return _mm_xor_si128(_mm_cmpeq_epi32(incoming, stored), ones);
        case device::D3DCMP_GREATEREQUAL: return _mm_xor_si128(_mm_cmplt_epi32(incoming, stored), ones);
        case device::D3DCMP_ALWAYS:
        default: return ones;
    }
}

// The whole groups of four of a span's fragments, as depthTest below does them one by one; returns how
// many fragments it tested.
int depthTestSpan4(const PixelContext& c, std::uint32_t* values, const FragmentBatch& b, std::uint8_t* pass,
                   int& passed) {
    const int whole = b.count & ~3;
    const __m128i depthBits = _mm_set1_epi32(0xFFFFFF);
    for (int i = 0; i < whole; i += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(values + b.depthIndex[0] + i);
        const __m128i word = _mm_loadu_si128(at);
        const __m128i z = quantizeDepth4(_mm_load_ps(b.z + i));
        const __m128i ok = depthPasses4(c.zFunc, z, _mm_and_si128(word, depthBits));
        if (c.depthWrite) _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(ok, z), _mm_andnot_si128(ok, word)));
        const int mask = _mm_movemask_ps(_mm_castsi128_ps(ok));
        for (int k = 0; k < 4; ++k) pass[i + k] = static_cast<std::uint8_t>((mask >> k) & 1);
        passed += __builtin_popcount(static_cast<unsigned>(mask));
    }
    return whole;
}

// Tests every fragment and stores passing depths; returns the number that passed.
int depthTest(const PixelContext& c, const RenderTarget& target, const FragmentBatch& b, std::uint8_t* pass) {
    std::uint32_t* values = target.depth->values;
    int passed = 0;
    const int done = b.contiguous ? depthTestSpan4(c, values, b, pass, passed) : 0;
    for (int i = done; i < b.count; ++i) {
        const std::int32_t index = b.contiguous ? b.depthIndex[0] + i : b.depthIndex[i];
        const std::uint32_t z = quantizeDepth(b.z[i]);
        const bool ok = depthPasses(c.zFunc, z, values[index] & 0xFFFFFFu);
        if (ok && c.depthWrite) values[index] = z;
        pass[i] = ok ? 1 : 0;
        passed += ok ? 1 : 0;
    }
    return passed;
}

// Fog factor f (1 = no fog, 0 = fog colour) of eye depth d, as an 8-bit weight.
int fogWeight(const PixelContext& c, float d) {
    float f;
    switch (c.fogMode) {
        case device::D3DFOG_EXP: f = std::exp(-(c.fogScale * d)); break;
        case device::D3DFOG_EXP2: {
            const float x = c.fogScale * d;
            f = std::exp(-(x * x));
            break;
        }
        case device::D3DFOG_LINEAR:
        default:
            // A zero-length fog range is a step at fogEnd.
            f = std::isfinite(c.fogScale) ? (c.fogEnd - d) * c.fogScale : (d < c.fogEnd ? 1.0f : 0.0f);
            break;
    }
    return pixel::unitToByte(f);
}

// colour = f * colour + (1 - f) * fogColor on red, green and blue; alpha keeps its value because its
// weight is 255.
void applyFog(const PixelContext& c, const FragmentBatch& b, int padded, std::uint32_t* color) {
    alignas(16) std::uint32_t weight[kBatchSize];
    for (int i = 0; i < b.count; ++i) {
        weight[i] = 0xFF000000u | (static_cast<std::uint32_t>(fogWeight(c, b.fogDepth[i])) * 0x010101u);
    }
    for (int i = b.count; i < padded; ++i) weight[i] = 0xFFFFFFFFu;
    const __m128i fog = _mm_set1_epi32(static_cast<int>(c.fogColor));
    for (int i = 0; i < padded; i += 4) store4(color + i, pixel::lerp4(load4(color + i), fog, load4(weight + i)));
}

// Multiplies each fragment's alpha by its line coverage.
void applyCoverage(const FragmentBatch& b, int padded, std::uint32_t* color) {
    alignas(16) std::uint32_t weight[kBatchSize];
    for (int i = 0; i < padded; ++i) {
        const std::uint32_t cov = i < b.count ? b.coverage[i] : 255u;
        weight[i] = (cov << 24) | 0x00FFFFFFu;
    }
    for (int i = 0; i < padded; i += 4) store4(color + i, pixel::modulate4(load4(color + i), load4(weight + i)));
}

// The D3DBLEND factor for four fragments as packed per-channel weights (255 = 1.0). fallback is used
// for blend modes this device lacks.
__m128i blendFactor(device::D3DBLEND mode, __m128i src, __m128i dst, device::D3DBLEND fallback) {
    const __m128i ones = _mm_set1_epi32(-1);
    switch (mode) {
        case device::D3DBLEND_ZERO: return _mm_setzero_si128();
        case device::D3DBLEND_ONE: return ones;
        case device::D3DBLEND_SRCCOLOR: return src;
        case device::D3DBLEND_INVSRCCOLOR: return _mm_xor_si128(src, ones);
        case device::D3DBLEND_SRCALPHA: return pixel::replicateAlpha4(src);
        case device::D3DBLEND_INVSRCALPHA: return _mm_xor_si128(pixel::replicateAlpha4(src), ones);
        case device::D3DBLEND_DESTALPHA: return pixel::replicateAlpha4(dst);
        case device::D3DBLEND_INVDESTALPHA: return _mm_xor_si128(pixel::replicateAlpha4(dst), ones);
        case device::D3DBLEND_DESTCOLOR: return dst;
        case device::D3DBLEND_INVDESTCOLOR: return _mm_xor_si128(dst, ones);
        default: return blendFactor(fallback, src, dst, fallback);
    }
}

// Two pixels' channels (four 16-bit lanes each) of s * sf + d * df, divided by 255 and rounded, as
// 16-bit lanes. pmaddwd forms each channel's two products and their sum in one 32-bit lane.
__m128i blendHalf(__m128i s, __m128i d, __m128i sf, __m128i df) {
    __m128i p0 = _mm_madd_epi16(_mm_unpacklo_epi16(s, d), _mm_unpacklo_epi16(sf, df));
    __m128i p1 = _mm_madd_epi16(_mm_unpackhi_epi16(s, d), _mm_unpackhi_epi16(sf, df));
    return _mm_packs_epi32(pixel::div255Epu32(p0), pixel::div255Epu32(p1));
}

// D3DBLENDOP_ADD: result = src * srcFactor + dst * destFactor per channel, saturated to 255.
__m128i blend4(const PixelContext& c, __m128i src, __m128i dst) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sf = blendFactor(c.srcBlend, src, dst, device::D3DBLEND_ONE);
    const __m128i df = blendFactor(c.destBlend, src, dst, device::D3DBLEND_ZERO);
    __m128i lo = blendHalf(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi8(sf, zero),
                           _mm_unpacklo_epi8(df, zero));
    __m128i hi = blendHalf(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi8(sf, zero),
                           _mm_unpackhi_epi8(df, zero));
    return _mm_packus_epi16(lo, hi);
}

void gatherColor(const RenderTarget& target, const FragmentBatch& b, std::uint32_t* out) {
    const std::uint32_t* pixels = target.color.pixels;
    if (b.contiguous) {
        std::memcpy(out, pixels + b.colorIndex[0], static_cast<std::size_t>(b.count) * sizeof(std::uint32_t));
    } else {
        for (int i = 0; i < b.count; ++i) out[i] = pixels[b.colorIndex[i]];
    }
}

void writeColor(const RenderTarget& target, const FragmentBatch& b, const std::uint8_t* pass, bool allPass,
                const std::uint32_t* color) {
    std::uint32_t* pixels = target.color.pixels;
    if (b.contiguous && allPass) {
        std::memcpy(pixels + b.colorIndex[0], color, static_cast<std::size_t>(b.count) * sizeof(std::uint32_t));
        return;
    }
    for (int i = 0; i < b.count; ++i) {
        if (allPass || pass[i] != 0) pixels[b.contiguous ? b.colorIndex[0] + i : b.colorIndex[i]] = color[i];
    }
}

}  // namespace

bool clipRenderTarget(const RenderTarget& target, RenderTarget& out) {
    out = target;
    const ColorSurface& color = target.color;
    if (color.pixels == nullptr || color.pitchInPixels < color.width) return false;
    out.x0 = std::max(target.x0, 0);
    out.y0 = std::max(target.y0, 0);
    out.x1 = std::min(target.x1, color.width);
    out.y1 = std::min(target.y1, color.height);
    const DepthSurface* depth = target.depth;
    if (depth != nullptr && (depth->values == nullptr || depth->pitchInValues < depth->width)) out.depth = nullptr;
    if (out.depth != nullptr) {
        out.x1 = std::min(out.x1, depth->width);
        out.y1 = std::min(out.y1, depth->height);
    }
    return out.x0 < out.x1 && out.y0 < out.y1;
}

PixelContext preparePixelContext(const PixelState& state, const RenderTarget& target,
                                 const RasterSettings& settings) {
    PixelContext c;
    c.stages = prepareStages(state);
    const bool avx2 = rasterUsesAvx2(settings);
    for (int s = 0; s < c.stages.count; ++s) {
        if (!c.stages.readsTexture[s]) continue;
        c.samplers[s] = prepareSampler(state.samplers[s], avx2);
        c.needsTexCoords = true;
    }
    c.specularAdd = state.specularEnable;
    c.needsSpecular = c.specularAdd || c.stages.readsSpecular;

    const bool haveDepth = target.depth != nullptr && target.depth->values != nullptr;
    c.depthTest = haveDepth && state.zEnable != device::D3DZB_FALSE;
    c.depthWrite = c.depthTest && state.zWriteEnable;
    c.zFunc = state.zFunc;

    const device::D3DFOGMODE mode = state.fogTableMode;
    if (state.fogEnable &&
        (mode == device::D3DFOG_LINEAR || mode == device::D3DFOG_EXP || mode == device::D3DFOG_EXP2)) {
        c.fogMode = mode;
        c.fogFromW = state.fogFromW;
        c.fogColor = state.fogColor;
        c.fogEnd = state.fogEnd;
        c.fogScale = mode == device::D3DFOG_LINEAR ? 1.0f / (state.fogEnd - state.fogStart) : state.fogDensity;
    }

    c.blend = state.alphaBlendEnable;
    c.srcBlend = state.srcBlend;
    c.destBlend = state.destBlend;
    return c;
}

void shadeBatch(const PixelContext& c, const RenderTarget& target, FragmentBatch& b) {
    if (b.count <= 0) return;
    const int padded = (b.count + 3) & ~3;
    alignas(16) std::uint8_t pass[kBatchSize];
    bool allPass = true;
    if (c.depthTest) {
        const int passed = depthTest(c, target, b, pass);
        if (passed == 0) return;
        allPass = passed == b.count;
    }

    alignas(16) std::uint32_t texture[kStageCount][kBatchSize];
    StageInputs inputs;
    inputs.diffuse = b.diffuse;
    inputs.specular = b.specular;
    for (int s = 0; s < c.stages.count; ++s) {
        if (!c.stages.readsTexture[s]) continue;
        sampleTexture(c.samplers[s], b.filter[s], b.u, b.v, padded, texture[s]);
        inputs.texture[s] = texture[s];
    }
    alignas(16) std::uint32_t color[kBatchSize];
    combineStages(c.stages, inputs, b.count, color);

    if (c.specularAdd) {
        const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
        for (int i = 0; i < padded; i += 4) {
            store4(color + i, _mm_adds_epu8(load4(color + i), _mm_and_si128(load4(b.specular + i), rgb)));
        }
    }
    if (c.fogMode != device::D3DFOG_NONE) applyFog(c, b, padded, color);
    if (b.hasCoverage) applyCoverage(b, padded, color);

    if (c.blend) {
        alignas(16) std::uint32_t dest[kBatchSize];
        gatherColor(target, b, dest);
        std::fill(dest + b.count, dest + padded, 0u);
        if (c.srcBlend == device::D3DBLEND_SRCALPHA && c.destBlend == device::D3DBLEND_INVSRCALPHA) {
            // The common translucent case: the same rounding as blend4, in 16-bit lanes.
            for (int i = 0; i < padded; i += 4) {
                const __m128i src = load4(color + i);
                store4(color + i, pixel::lerp4(src, load4(dest + i), pixel::replicateAlpha4(src)));
            }
        } else {
            for (int i = 0; i < padded; i += 4) store4(color + i, blend4(c, load4(color + i), load4(dest + i)));
        }
    }
    writeColor(target, b, pass, allPass, color);
}

}  // namespace soft
