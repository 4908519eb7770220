// Presentation of the software device: the gamma ramp and the copy of the back buffer handed to the
// present sink.
#pragma once

#include <cstdint>
#include <vector>

#include "device/d3d9_types.h"

namespace soft {

// The ramp loaded with SetGammaRamp, reduced to 8 bits per channel: output byte = entry >> 8.
class GammaTable {
public:
    GammaTable() { reset(); }
    void reset();
    void set(const device::D3DGAMMARAMP& ramp);

    // Copies a 0xXXRRGGBB image into out as 0xFFRRGGBB words (rows width apart) through the table.
    void apply(const std::uint32_t* pixels, int width, int height, int pitchInPixels,
               std::vector<std::uint32_t>& out) const;

private:
    std::uint8_t red_[256], green_[256], blue_[256];
};

}  // namespace soft
