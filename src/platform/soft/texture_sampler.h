// Texture sampling for the raster stage: level 0 of an A8R8G8B8 texture, point or bilinear filtering,
// wrap, mirror, clamp and border addressing.
#pragma once

#include <cstdint>

#include "platform/soft/raster.h"

namespace soft {

enum class TextureFilter : std::uint8_t { Point, Linear };

// A sampler's texture and modes, checked once per draw.
struct SamplerConfig {
    const std::uint32_t* texels = nullptr;  // null: every sample is opaque white
    int width = 0;
    int height = 0;
    int pitch = 0;
    device::D3DTEXTUREADDRESS addressU = device::D3DTADDRESS_WRAP;
    device::D3DTEXTUREADDRESS addressV = device::D3DTADDRESS_WRAP;
    TextureFilter magFilter = TextureFilter::Point;
    TextureFilter minFilter = TextureFilter::Point;
    bool fastWrap = false;    // power-of-two size wrapped on both axes: addresses are masks
    bool avx2Gather = false;  // AVX2 is in use and every texel offset fits an int32 gather index
};

// A texture with no texels, a non-positive size or a pitch shorter than its width samples as white.
// avx2 allows the AVX2 bilinear kernel where it applies.
SamplerConfig prepareSampler(const SamplerState& state, bool avx2);

// Writes out[i] = the texel colour at (u[i], v[i]) for i < count; bilinear filtering works in groups of
// four, so the arrays must hold count rounded up to a multiple of 4.
void sampleTexture(const SamplerConfig& sampler, TextureFilter filter, const float* u, const float* v,
                   int count, std::uint32_t* out);

}  // namespace soft
