// The AVX2 kernel of the texture sampler (bilinear, power-of-two size, wrap on both axes), eight
// samples at a time with gathers; bit-identical to the SSE2 kernel.
#pragma once

#include <cstdint>

#include "platform/soft/texture_sampler.h"

namespace soft {

// Samples the first count rounded down to a multiple of 8 and returns how many it did. Call only when
// sampler.avx2Gather is set.
int sampleLinearWrapAvx2(const SamplerConfig& sampler, const float* u, const float* v, int count,
                         std::uint32_t* out);

}  // namespace soft
