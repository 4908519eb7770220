// A small scene script that shows what the engine can draw today: a cleared background, a drifting noise
// texture, texts that fade in and out on a schedule, and the soundtrack, under the Demo root. It stands in
// for the presentation's own script and stays a test fixture of the shell.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace samplescript {

constexpr float kSampleEndTime = 120.0f;

// The script's bytes, its Music record carrying module (an XM file) as its blob.
std::vector<std::uint8_t> sampleScript(std::span<const std::uint8_t> module, float endTime = kSampleEndTime);

}  // namespace samplescript
