// Run-time choice of the raster stage's wider SIMD kernels. They give bit-identical results to the
// SSE2 ones, so the choice only changes speed; tests switch it off to compare the two.
#pragma once

namespace soft {

// True when AVX2 kernels run: the processor has AVX2 and they have not been switched off.
bool rasterUsesAvx2();

// Allows (the default) or forbids the AVX2 kernels; allowing has no effect without AVX2.
void setRasterAvx2Allowed(bool allowed);

}  // namespace soft
