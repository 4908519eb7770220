// The presentation clock: timer milliseconds since the start, as float32 seconds.
#pragma once

#include <cstdint>

namespace shell {

// The float32 nearest to 0.001, 0.0010000000474974513: the scale is pinned to the float constant, so the
// frame that reaches the end is the same everywhere (119,999 ms stays below 120 s, 120,000 ms reaches it).
constexpr float kSecondsPerMillisecond = 0.001f;

// now - start as an unsigned 32-bit difference (so a timer that wraps around still gives the time since
// the start), times the float32 constant, rounded once to float32.
float presentationTime(std::uint32_t now, std::uint32_t start);

}  // namespace shell
