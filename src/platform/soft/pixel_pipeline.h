// The per-pixel back end shared by triangles and lines: a batch of fragments with interpolated values
// goes through depth test, texture stages, specular, fog, line coverage, blending and the write.
#pragma once

#include <cstdint>

#include "platform/soft/pixel_math.h"
#include "platform/soft/raster.h"
#include "platform/soft/texture_sampler.h"
#include "platform/soft/texture_stage.h"

namespace soft {

// Frame-constant pixel state, derived once per draw from PixelState.
struct PixelContext {
    StageProgram stages;
    SamplerConfig samplers[kStageCount];

    bool needsSpecular = false;   // specular is added, or read by a stage
    bool needsTexCoords = false;  // some stage reads its texture

    bool depthTest = false;   // compare against the depth buffer
    bool depthWrite = false;  // store passing depths
    device::D3DCMPFUNC zFunc = device::D3DCMP_LESSEQUAL;

    bool specularAdd = false;
    device::D3DFOGMODE fogMode = device::D3DFOG_NONE;  // NONE: no fog
    bool fogFromW = true;
    std::uint32_t fogColor = 0;
    float fogEnd = 1.0f;
    float fogScale = 1.0f;  // 1 / (end - start) for linear fog, the density for the exponential ones

    bool blend = false;
    device::D3DBLEND srcBlend = device::D3DBLEND_ONE;
    device::D3DBLEND destBlend = device::D3DBLEND_ZERO;
};

// The target with its rectangle intersected with both surfaces and a depth surface without values
// dropped; false when nothing can be drawn.
bool clipRenderTarget(const RenderTarget& target, RenderTarget& clipped);

// Derives the context; target decides whether a depth buffer exists to test against, settings whether
// the samplers may use their AVX2 kernel.
PixelContext preparePixelContext(const PixelState& state, const RenderTarget& target,
                                 const RasterSettings& settings);

// Fragments of one batch. Spans fill them left to right on one row (contiguous); lines scatter them.
struct alignas(16) FragmentBatch {
    int count = 0;
    bool contiguous = false;
    std::int32_t colorIndex[kBatchSize] = {};  // offset into the colour surface (first one only if contiguous)
    std::int32_t depthIndex[kBatchSize] = {};  // offset into the depth surface (likewise)
    alignas(16) float z[kBatchSize] = {};      // depth 0..1
    alignas(16) float fogDepth[kBatchSize] = {};
    alignas(16) float u[kBatchSize] = {};
    alignas(16) float v[kBatchSize] = {};
    alignas(16) std::uint32_t diffuse[kBatchSize] = {};
    alignas(16) std::uint32_t specular[kBatchSize] = {};
    alignas(16) std::uint8_t coverage[kBatchSize] = {};  // line coverage 0..255, if hasCoverage
    bool hasCoverage = false;
    TextureFilter filter[kStageCount] = {TextureFilter::Point, TextureFilter::Point};
};

// Shades and writes the batch's fragments in order.
void shadeBatch(const PixelContext& context, const RenderTarget& target, FragmentBatch& batch);

}  // namespace soft
