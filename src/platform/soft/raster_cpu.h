// Run-time choices of the raster stage's kernels: wider SIMD where the processor has it, and shortcuts
// for common spans. Both give bit-identical results to the general SSE2 path, so the choices only
// change speed; tests switch them off to compare.
#pragma once

namespace soft {

// True when AVX2 kernels run: the processor has AVX2 and they have not been switched off.
bool rasterUsesAvx2();

// Allows (the default) or forbids the AVX2 kernels; allowing has no effect without AVX2.
void setRasterAvx2Allowed(bool allowed);

// True when spans that qualify go through the textured span kernel (textured_span.h) instead of the
// batch pipeline.
bool rasterUsesSpanKernels();

// Allows (the default) or forbids the span kernels.
void setRasterSpanKernelsAllowed(bool allowed);

}  // namespace soft
