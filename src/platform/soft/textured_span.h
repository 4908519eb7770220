// A shortcut through the raster stage for the screen overlay's kind of draw: an axis-aligned rectangle
// at constant rhw, textured from one bilinear, wrapped stage, optionally modulated by a constant colour
// and blended with SRCALPHA / INVSRCALPHA. Works with triangle_setup and gives bit-identical pixels to
// the batch pipeline (interpolateSpan, sampleTexture, combineStages, shadeBatch).
#pragma once

#include <cstdint>

#include "platform/soft/pixel_pipeline.h"
#include "platform/soft/texture_sampler.h"
#include "platform/soft/triangle_setup.h"

namespace soft {

// What a draw's pixels do, when the span kernel can do it; decided once per draw.
struct SpanProgram {
    bool enabled = false;
    bool modulate = false;  // texel times diffuse; otherwise the texel alone
    bool blend = false;     // SRCALPHA, INVSRCALPHA over the target; otherwise written as it is
    bool avx2 = false;
    SamplerConfig sampler;  // stage 0's: power-of-two, wrapped on both axes
};

// enabled only for draws without depth, fog or specular whose only stage selects or modulates its
// texture by the diffuse colour, and only where the settings allow the span kernels.
SpanProgram prepareSpanProgram(const PixelContext& context, const RasterSettings& settings);

// True when the triangle's spans may take the kernel: constant rhw and diffuse, bilinear filtering.
bool spanProgramFits(const SpanProgram& program, const TriangleSetup& setup);

// One span whose v is the same at every pixel; u and du as interpolateSpan rounds them (spanTexCoords).
struct TexturedSpan {
    std::uint32_t* pixels = nullptr;  // the span's first pixel
    int count = 0;
    float u = 0.0f;   // at the first pixel
    float du = 0.0f;  // per pixel
    float v = 0.0f;
    std::uint32_t diffuse = 0;
};

void drawTexturedSpan(const SpanProgram& program, const TexturedSpan& span);

// The two texture rows every pixel of a span reads and the vertical filter weight between them.
struct SpanRows {
    const std::uint32_t* top = nullptr;
    const std::uint32_t* bottom = nullptr;
    int weight = 0;  // 0..255; 0 leaves the bottom row out, as the filter would weigh it by zero
};

// Pixels [first, end) of a span whose fixed-point u is firstFixed + 256 (i - first) exactly: a run
// where u advances by exactly one texel per pixel (du = 1 / width) and the general path's float steps
// (u + du * i, times the texel scale, minus half a texel) round alike from pixel to pixel. The kernels
// step u as an integer there instead of computing it per pixel.
struct UnitRun {
    int first = 0;
    int end = 0;  // end == first: no run starts at first
    int firstFixed = 0;
};

// The longest run starting at pixel i that the checks in textured_span.cpp can prove.
UnitRun unitRunAt(const SamplerConfig& sampler, const TexturedSpan& span, int i);

}  // namespace soft
