// The float-to-integer conversion of the mesh generators: nearest integer with ties to even (the default
// rounding of the floating-point unit), saturated so that huge or non-finite values cannot overflow.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace mesh {

// The nearest int32, ties to even; NaN gives 0 and values beyond the range its nearest end.
inline std::int32_t nearestInt32(double value) {
    if (std::isnan(value)) return 0;
    const double whole = std::nearbyint(value);
    if (whole <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (whole >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(whole);
}

}  // namespace mesh
