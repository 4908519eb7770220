// Reads RIFF WAVE files (16-bit PCM or 32-bit float, any channel count) into interleaved floats in -1..1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xmcompare {

struct WavFile {
    std::int32_t rate = 0;
    std::int32_t channels = 0;
    std::vector<float> samples;  // interleaved

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    // Mean of the channels of one frame.
    float mono(std::size_t frame) const;
};

// Empty samples and a reason in `error` when the file cannot be read.
WavFile readWav(const std::string& path, std::string& error);

}  // namespace xmcompare
