// Texture sampling: coordinates to 24.8 fixed-point texel positions, addressing, point and bilinear
// filtering of A8R8G8B8 texels.
#include "platform/soft/texture_sampler.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>

#include "platform/soft/pixel_math.h"
#include "platform/soft/texture_sampler_avx2.h"

namespace soft {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBorderColor = 0x00000000u;  // D3DSAMP_BORDERCOLOR's default

TextureFilter toFilter(device::D3DTEXTUREFILTERTYPE type) {
    return type == device::D3DTEXF_LINEAR ? TextureFilter::Linear : TextureFilter::Point;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

int positiveMod(int i, int n) {
    int m = i % n;
    return m < 0 ? m + n : m;
}

// Texel index along one axis for integer position i; -1 selects the border colour.
int addressTexel(int i, int size, device::D3DTEXTUREADDRESS mode) {
    switch (mode) {
        case device::D3DTADDRESS_CLAMP:
            return std::clamp(i, 0, size - 1);
        case device::D3DTADDRESS_BORDER:
            return (i < 0 || i >= size) ? -1 : i;
        case device::D3DTADDRESS_MIRROR: {
            int m = positiveMod(i, 2 * size);
            return m < size ? m : 2 * size - 1 - m;
        }
        case device::D3DTADDRESS_WRAP:
        default:
            return positiveMod(i, size);
    }
}

std::uint32_t fetch(const SamplerConfig& s, int x, int y) {
    if (x < 0 || y < 0) return kBorderColor;
    return s.texels[static_cast<std::ptrdiff_t>(y) * s.pitch + x];
}

// Converts four coordinates to fixed-point texel positions with 8 fractional bits: u * size * 256,
// shifted by half a texel for bilinear filtering (texel centres sit at (i + 0.5) / size) and rounded
// to the nearest 1/256 so that coordinates landing on a centre up to float error hit it exactly.
__m128i toFixed4(const float* coords, float scale, float offset) {
    return pixel::texelFixed4(_mm_loadu_ps(coords), scale, offset);
}

__m128i pairOf(std::uint32_t a, std::uint32_t b) {
    return _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b))),
        _mm_setzero_si128());
}

__m128i lerp256(__m128i a, __m128i b, __m128i w) {
    return pixel::lerp256(a, b, w, _mm_sub_epi16(_mm_set1_epi16(256), w));
}

// The four texels around each of four samples: [corner][sample], corners t00, t01 (right), t10 (below),
// t11.
struct Quad4 {
    std::uint32_t t[4][4];
};

// Bilinear weights are 8-bit fractions: fx, fy in 0..255 give texel weights (256 - f) and f, so a
// sample exactly on a texel centre returns that texel unchanged. The horizontal pass rounds to 8 bits
// before the vertical one, which keeps every product inside a 16-bit lane.
[[gnu::always_inline]] inline __m128i bilinear4(const Quad4& q, __m128i fx, __m128i fy) {
    __m128i fxA, fxB, fyA, fyB;
    pixel::spreadWeights(fx, fxA, fxB);
    pixel::spreadWeights(fy, fyA, fyB);
    const __m128i topA = lerp256(pairOf(q.t[0][0], q.t[0][1]), pairOf(q.t[1][0], q.t[1][1]), fxA);
    const __m128i bottomA = lerp256(pairOf(q.t[2][0], q.t[2][1]), pairOf(q.t[3][0], q.t[3][1]), fxA);
    const __m128i topB = lerp256(pairOf(q.t[0][2], q.t[0][3]), pairOf(q.t[1][2], q.t[1][3]), fxB);
    const __m128i bottomB = lerp256(pairOf(q.t[2][2], q.t[2][3]), pairOf(q.t[3][2], q.t[3][3]), fxB);
    return _mm_packus_epi16(lerp256(topA, bottomA, fyA), lerp256(topB, bottomB, fyB));
}

// Power-of-two texture wrapped on both axes: addresses are masks, computed four at a time.
void sampleLinearWrap(const SamplerConfig& s, const float* u, const float* v, int count, std::uint32_t* out) {
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const float scaleV = static_cast<float>(s.height) * 256.0f;
    const __m128i maskU = _mm_set1_epi32(s.width - 1);
    const __m128i maskV = _mm_set1_epi32(s.height - 1);
    const __m128i one = _mm_set1_epi32(1);
    const __m128i fraction = _mm_set1_epi32(255);
    alignas(16) std::int32_t x[2][4];
    alignas(16) std::int32_t y[2][4];
    Quad4 q;
    for (int i = 0; i < count; i += 4) {
        const __m128i fu = toFixed4(u + i, scaleU, -127.5f);
        const __m128i fv = toFixed4(v + i, scaleV, -127.5f);
        const __m128i xi = _mm_srai_epi32(fu, 8);
        const __m128i yi = _mm_srai_epi32(fv, 8);
        _mm_store_si128(reinterpret_cast<__m128i*>(x[0]), _mm_and_si128(xi, maskU));
        _mm_store_si128(reinterpret_cast<__m128i*>(x[1]), _mm_and_si128(_mm_add_epi32(xi, one), maskU));
        _mm_store_si128(reinterpret_cast<__m128i*>(y[0]), _mm_and_si128(yi, maskV));
        _mm_store_si128(reinterpret_cast<__m128i*>(y[1]), _mm_and_si128(_mm_add_epi32(yi, one), maskV));
        const __m128i fx = _mm_and_si128(fu, fraction);
        const __m128i fy = _mm_and_si128(fv, fraction);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_or_si128(fx, fy), _mm_setzero_si128())) == 0xFFFF) {
            // All four samples sit on texel centres (overlays drawn one texel per pixel): the filter
            // would return the nearest texels unchanged.
            for (int k = 0; k < 4; ++k) out[i + k] = s.texels[static_cast<std::ptrdiff_t>(y[0][k]) * s.pitch + x[0][k]];
            continue;
        }
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t* row0 = s.texels + static_cast<std::ptrdiff_t>(y[0][k]) * s.pitch;
            const std::uint32_t* row1 = s.texels + static_cast<std::ptrdiff_t>(y[1][k]) * s.pitch;
            q.t[0][k] = row0[x[0][k]];
            q.t[1][k] = row0[x[1][k]];
            q.t[2][k] = row1[x[0][k]];
            q.t[3][k] = row1[x[1][k]];
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bilinear4(q, fx, fy));
    }
}

// Any size and addressing mode, one texel address at a time.
void sampleLinearGeneral(const SamplerConfig& s, const float* u, const float* v, int count, std::uint32_t* out) {
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const float scaleV = static_cast<float>(s.height) * 256.0f;
    const __m128i fraction = _mm_set1_epi32(255);
    alignas(16) std::int32_t fu[4];
    alignas(16) std::int32_t fv[4];
    Quad4 q;
    for (int i = 0; i < count; i += 4) {
        const __m128i u4 = toFixed4(u + i, scaleU, -127.5f);
        const __m128i v4 = toFixed4(v + i, scaleV, -127.5f);
        _mm_store_si128(reinterpret_cast<__m128i*>(fu), u4);
        _mm_store_si128(reinterpret_cast<__m128i*>(fv), v4);
        for (int k = 0; k < 4; ++k) {
            const int x0 = addressTexel(fu[k] >> 8, s.width, s.addressU);
            const int x1 = addressTexel((fu[k] >> 8) + 1, s.width, s.addressU);
            const int y0 = addressTexel(fv[k] >> 8, s.height, s.addressV);
            const int y1 = addressTexel((fv[k] >> 8) + 1, s.height, s.addressV);
            q.t[0][k] = fetch(s, x0, y0);
            q.t[1][k] = fetch(s, x1, y0);
            q.t[2][k] = fetch(s, x0, y1);
            q.t[3][k] = fetch(s, x1, y1);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         bilinear4(q, _mm_and_si128(u4, fraction), _mm_and_si128(v4, fraction)));
    }
}

void samplePoint(const SamplerConfig& s, const float* u, const float* v, int count, std::uint32_t* out) {
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const float scaleV = static_cast<float>(s.height) * 256.0f;
    alignas(16) std::int32_t fu[4];
    alignas(16) std::int32_t fv[4];
    for (int i = 0; i < count; i += 4) {
        _mm_store_si128(reinterpret_cast<__m128i*>(fu), toFixed4(u + i, scaleU, 0.0f));
        _mm_store_si128(reinterpret_cast<__m128i*>(fv), toFixed4(v + i, scaleV, 0.0f));
        const int lanes = std::min(4, count - i);
        for (int k = 0; k < lanes; ++k) {
            const int x = addressTexel(fu[k] >> 8, s.width, s.addressU);
            const int y = addressTexel(fv[k] >> 8, s.height, s.addressV);
            out[i + k] = fetch(s, x, y);
        }
    }
}

}  // namespace

SamplerConfig prepareSampler(const SamplerState& state, bool avx2) {
    SamplerConfig config;
    const TextureLevel& level = state.texture;
    if (level.texels == nullptr || level.width <= 0 || level.height <= 0 || level.pitchInTexels < level.width) {
        return config;
    }
    config.texels = level.texels;
    config.width = level.width;
    config.height = level.height;
    config.pitch = level.pitchInTexels;
    config.addressU = state.addressU;
    config.addressV = state.addressV;
    config.magFilter = toFilter(state.magFilter);
    config.minFilter = toFilter(state.minFilter);
    config.fastWrap = state.addressU == device::D3DTADDRESS_WRAP && state.addressV == device::D3DTADDRESS_WRAP &&
                      isPowerOfTwo(level.width) && isPowerOfTwo(level.height);
    config.avx2Gather = avx2 && static_cast<std::int64_t>(level.pitchInTexels) * level.height <= INT32_MAX;
    return config;
}

void sampleTexture(const SamplerConfig& sampler, TextureFilter filter, const float* u, const float* v,
                   int count, std::uint32_t* out) {
    if (sampler.texels == nullptr) {
        std::fill(out, out + count, kWhite);
    } else if (filter == TextureFilter::Point) {
        samplePoint(sampler, u, v, count, out);
    } else if (sampler.fastWrap) {
        int done = 0;
        if (sampler.avx2Gather) done = sampleLinearWrapAvx2(sampler, u, v, count, out);
        if (done < count) sampleLinearWrap(sampler, u + done, v + done, count - done, out + done);
    } else {
        sampleLinearGeneral(sampler, u, v, count, out);
    }
}

}  // namespace soft
