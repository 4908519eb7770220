// The presentation clock.
#include "shell/frame_time.h"

namespace shell {

float presentationTime(std::uint32_t now, std::uint32_t start) {
    const std::uint32_t elapsed = now - start;
    // The product of a 32-bit integer and the 24-bit significand of the constant is exact in a double up
    // to 2^29 ms (six days), so the one rounding to float32 is the only one a frame ever sees.
    return static_cast<float>(static_cast<double>(elapsed) * static_cast<double>(kSecondsPerMillisecond));
}

}  // namespace shell
