// The Bigscreen option's gamma ramp: a brightening curve (exponent 0.75) for projectors that show dark
// pictures too dark.
#pragma once

#include "device/d3d9_interfaces.h"

namespace shell {

// Every channel's entry i is pow(i / 256, 0.75) x 65535 + 0.5, clamped to 0..65535 and rounded to the
// nearest integer with ties to even (so entry 0 is 0, entry 1 is 1024, entry 255 is 65343).
device::D3DGAMMARAMP bigscreenGammaRamp();

// Loads the ramp on swap chain 0 with D3DSGR_CALIBRATE.
void applyBigscreenGamma(device::IDirect3DDevice9& device);

}  // namespace shell
