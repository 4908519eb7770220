// The Bigscreen gamma ramp.
#include "shell/bigscreen_gamma.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace shell {
namespace {

// Round to nearest, ties to even, whatever the floating-point environment's rounding mode: the ramp is
// pinned to the processor's default conversion, and the +0.5 of the formula makes exact ties common at
// the bottom of the curve (entry 0 is 0.5 before rounding).
std::uint16_t roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) {
        rounded = floor + 1.0;
    }
    return static_cast<std::uint16_t>(rounded);
}

}  // namespace

device::D3DGAMMARAMP bigscreenGammaRamp() {
    device::D3DGAMMARAMP ramp{};
    for (int i = 0; i < 256; ++i) {
        const double level = std::pow(i * 0.00390625, 0.75) * 65535.0 + 0.5;
        const std::uint16_t entry = roundHalfEven(std::clamp(level, 0.0, 65535.0));
        ramp.red[i] = entry;
        ramp.green[i] = entry;
        ramp.blue[i] = entry;
    }
    return ramp;
}

void applyBigscreenGamma(device::IDirect3DDevice9& device) {
    const device::D3DGAMMARAMP ramp = bigscreenGammaRamp();
    device.SetGammaRamp(0, device::D3DSGR_CALIBRATE, &ramp);
}

}  // namespace shell
