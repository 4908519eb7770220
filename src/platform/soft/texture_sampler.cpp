// Texture sampling: coordinates to 24.8 fixed-point texel positions, addressing, point and bilinear
// filtering of A8R8G8B8 texels.
#include "platform/soft/texture_sampler.h"

#include <emmintrin.h>

#include <algorithm>

#include "platform/soft/pixel_math.h"

namespace soft {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBorderColor = 0x00000000u;  // D3DSAMP_BORDERCOLOR's default
constexpr float kCoordLimit = 1073741824.0f;       // 2^30: texel positions stay inside int32

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

// Bilinear weights are 8-bit fractions: fx, fy in 0..255 give texel weights (256 - f) and f, so a
// sample exactly on a texel centre returns that texel unchanged. The vertical pass rounds to 8 bits
// before the horizontal one, which keeps every product inside a 16-bit lane.
std::uint32_t bilerp(std::uint32_t t00, std::uint32_t t01, std::uint32_t t10, std::uint32_t t11, int fx,
                     int fy) {
    const __m128i zero = _mm_setzero_si128();
    __m128i top = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(t00)), _mm_cvtsi32_si128(static_cast<int>(t01))),
        zero);
    __m128i bottom = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(t10)), _mm_cvtsi32_si128(static_cast<int>(t11))),
        zero);
    const __m128i wy = _mm_set1_epi16(static_cast<short>(fy));
    const __m128i wyInv = _mm_set1_epi16(static_cast<short>(256 - fy));
    __m128i column = _mm_add_epi16(_mm_mullo_epi16(top, wyInv), _mm_mullo_epi16(bottom, wy));
    column = _mm_srli_epi16(_mm_add_epi16(column, _mm_set1_epi16(128)), 8);
    const short wx = static_cast<short>(fx);
    const short wxInv = static_cast<short>(256 - fx);
    __m128i weighted = _mm_mullo_epi16(column, _mm_set_epi16(wx, wx, wx, wx, wxInv, wxInv, wxInv, wxInv));
    __m128i sum = _mm_add_epi16(weighted, _mm_unpackhi_epi64(weighted, weighted));
    sum = _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
}

// Converts four coordinates to fixed-point texel positions with 8 fractional bits: u * size * 256,
// shifted by half a texel for bilinear filtering (texel centres sit at (i + 0.5) / size) and rounded
// to the nearest 1/256 so that coordinates landing on a centre up to float error hit it exactly.
__m128i toFixed4(const float* coords, float scale, float offset) {
    __m128 x = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(coords), _mm_set1_ps(scale)), _mm_set1_ps(offset));
    x = _mm_min_ps(_mm_max_ps(x, _mm_set1_ps(-kCoordLimit)), _mm_set1_ps(kCoordLimit));
    return pixel::floor4(x);
}

template <bool kFastWrap>
void sampleLinear(const SamplerConfig& s, const float* u, const float* v, int count, std::uint32_t* out) {
    const float scaleU = static_cast<float>(s.width) * 256.0f;
    const float scaleV = static_cast<float>(s.height) * 256.0f;
    const int maskU = s.width - 1;
    const int maskV = s.height - 1;
    alignas(16) std::int32_t fu[4];
    alignas(16) std::int32_t fv[4];
    for (int i = 0; i < count; i += 4) {
        _mm_store_si128(reinterpret_cast<__m128i*>(fu), toFixed4(u + i, scaleU, -127.5f));
        _mm_store_si128(reinterpret_cast<__m128i*>(fv), toFixed4(v + i, scaleV, -127.5f));
        const int lanes = std::min(4, count - i);
        for (int k = 0; k < lanes; ++k) {
            const int x = fu[k] >> 8;
            const int y = fv[k] >> 8;
            std::uint32_t t00, t01, t10, t11;
            if constexpr (kFastWrap) {
                const std::uint32_t* row0 = s.texels + static_cast<std::ptrdiff_t>(y & maskV) * s.pitch;
                const std::uint32_t* row1 = s.texels + static_cast<std::ptrdiff_t>((y + 1) & maskV) * s.pitch;
                const int x0 = x & maskU;
                const int x1 = (x + 1) & maskU;
                t00 = row0[x0];
                t01 = row0[x1];
                t10 = row1[x0];
                t11 = row1[x1];
            } else {
                const int x0 = addressTexel(x, s.width, s.addressU);
                const int x1 = addressTexel(x + 1, s.width, s.addressU);
                const int y0 = addressTexel(y, s.height, s.addressV);
                const int y1 = addressTexel(y + 1, s.height, s.addressV);
                t00 = fetch(s, x0, y0);
                t01 = fetch(s, x1, y0);
                t10 = fetch(s, x0, y1);
                t11 = fetch(s, x1, y1);
            }
            out[i + k] = bilerp(t00, t01, t10, t11, fu[k] & 255, fv[k] & 255);
        }
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

SamplerConfig prepareSampler(const SamplerState& state) {
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
    return config;
}

void sampleTexture(const SamplerConfig& sampler, TextureFilter filter, const float* u, const float* v,
                   int count, std::uint32_t* out) {
    if (sampler.texels == nullptr) {
        std::fill(out, out + count, kWhite);
    } else if (filter == TextureFilter::Point) {
        samplePoint(sampler, u, v, count, out);
    } else if (sampler.fastWrap) {
        sampleLinear<true>(sampler, u, v, count, out);
    } else {
        sampleLinear<false>(sampler, u, v, count, out);
    }
}

}  // namespace soft
