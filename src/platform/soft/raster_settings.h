// How the raster stage may run a draw: on how many threads, and with which of its interchangeable
// kernels. Every choice draws the same pixels, so the settings change only speed; tests and benchmarks
// pin them to compare. Each software device carries its own (SoftDirect3DOptions::raster).
#pragma once

#include <cstdint>

namespace soft {

enum class KernelUse : std::uint8_t {
    Auto,   // wherever the processor and the draw allow
    Never,  // the general SSE2 path instead
};

// The zero value is automatic throughout.
struct RasterSettings {
    // Threads that draw a large draw and process its vertices, the calling thread included: 0 for the
    // processor's hardware threads, at most 8; other values are clamped to 1..8.
    int threadCount = 0;
    // The AVX2 sampling and span kernels; they run only where the processor has AVX2.
    KernelUse avx2 = KernelUse::Auto;
    // The textured span kernel (textured_span.h) for the spans that qualify, instead of the batch pipeline.
    KernelUse spanKernels = KernelUse::Auto;
};

// What the settings come to on this processor.
int rasterThreadCount(const RasterSettings& settings);
bool rasterUsesAvx2(const RasterSettings& settings);
bool rasterUsesSpanKernels(const RasterSettings& settings);

}  // namespace soft
