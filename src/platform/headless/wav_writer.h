// Writes 16-bit PCM as a RIFF WAVE file, streaming: the sizes in the header are patched when it closes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace headless {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates the file with a header for sampleRate frames per second of channels 16-bit values.
    // False with a message in error when the file cannot be created.
    bool open(const std::string& path, std::uint32_t sampleRate, std::uint16_t channels, std::string& error);
    // Appends interleaved little-endian 16-bit values; false once a write has failed.
    bool write(std::span<const std::uint8_t> bytes);
    // Patches the sizes and closes the file; false when any write failed or the data outgrew a WAVE file.
    bool close();

    bool isOpen() const { return file_ != nullptr; }
    std::uint64_t dataBytes() const { return dataBytes_; }

private:
    std::FILE* file_ = nullptr;
    std::uint64_t dataBytes_ = 0;
    std::uint32_t sampleRate_ = 0;
    std::uint16_t channels_ = 0;
    bool failed_ = false;
};

}  // namespace headless
