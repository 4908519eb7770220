// WAVE reader: walks the RIFF chunks, takes 'fmt ' and 'data', decodes little-endian samples.
#include "wav_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace xmcompare {

namespace {

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

float WavFile::mono(std::size_t frame) const {
    float sum = 0.0f;
    for (std::int32_t c = 0; c < channels; ++c) {
        sum += samples[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
    }
    return sum / static_cast<float>(channels);
}

WavFile readWav(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    WavFile wav;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVE", 4) != 0) {
        error = path + ": not a RIFF WAVE file";
        return wav;
    }
    std::uint16_t format = 0;
    std::uint16_t bits = 0;
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::uint32_t size = u32(b, at + 4);
        const std::size_t body = at + 8;
        const std::size_t end = std::min(b.size(), body + size);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && size >= 16 && body + 16 <= b.size()) {
            format = u16(b, body);
            wav.channels = u16(b, body + 2);
            wav.rate = static_cast<std::int32_t>(u32(b, body + 4));
            bits = u16(b, body + 14);
            if (format == 0xFFFE && size >= 26) {
                format = u16(b, body + 24);  // the sub-format's first two bytes
            }
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            if (format == 1 && bits == 16) {
                for (std::size_t i = body; i + 2 <= end; i += 2) {
                    wav.samples.push_back(static_cast<float>(static_cast<std::int16_t>(u16(b, i))) / 32768.0f);
                }
            } else if (format == 3 && bits == 32) {
                for (std::size_t i = body; i + 4 <= end; i += 4) {
                    const std::uint32_t word = u32(b, i);
                    float value = 0.0f;
                    std::memcpy(&value, &word, sizeof value);
                    wav.samples.push_back(value);
                }
            } else {
                error = path + ": only 16-bit PCM and 32-bit float are read";
                return WavFile{};
            }
        }
        at = body + size + (size & 1);
    }
    if (wav.channels <= 0 || wav.rate <= 0) {
        error = path + ": no usable format chunk";
        return WavFile{};
    }
    return wav;
}

}  // namespace xmcompare
