// Presentation of the software device.
#include "platform/soft/soft_present.h"

namespace soft {

void GammaTable::reset() {
    for (int i = 0; i < 256; ++i) red_[i] = green_[i] = blue_[i] = static_cast<std::uint8_t>(i);
}

void GammaTable::set(const device::D3DGAMMARAMP& ramp) {
    for (int i = 0; i < 256; ++i) {
        red_[i] = static_cast<std::uint8_t>(ramp.red[i] >> 8);
        green_[i] = static_cast<std::uint8_t>(ramp.green[i] >> 8);
        blue_[i] = static_cast<std::uint8_t>(ramp.blue[i] >> 8);
    }
}

void GammaTable::apply(const std::uint32_t* pixels, int width, int height, int pitchInPixels,
                       std::vector<std::uint32_t>& out) const {
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::uint32_t* to = out.data();
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(pitchInPixels);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = row[x];
            *to++ = 0xFF000000u | (std::uint32_t{red_[(c >> 16) & 0xFF]} << 16) |
                    (std::uint32_t{green_[(c >> 8) & 0xFF]} << 8) | blue_[c & 0xFF];
        }
    }
}

}  // namespace soft
