// The RIFF WAVE writer: a 44-byte canonical header, then the data chunk.
#include "platform/headless/wav_writer.h"

#include <algorithm>
#include <array>

namespace headless {
namespace {

constexpr std::uint32_t kHeaderSize = 44;
// RIFF sizes are 32-bit; the RIFF size field counts everything after its own eight bytes.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderSize - 8);

void putU16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::uint8_t* at, std::uint32_t value) {
    putU16(at, value & 0xFFFF);
    putU16(at + 2, value >> 16);
}

std::array<std::uint8_t, kHeaderSize> makeHeader(std::uint32_t sampleRate, std::uint16_t channels,
                                                 std::uint32_t dataBytes) {
    std::array<std::uint8_t, kHeaderSize> header{};
    const std::uint32_t blockAlign = channels * 2u;
    auto* h = header.data();
    std::copy_n("RIFF", 4, h);
    putU32(h + 4, dataBytes + kHeaderSize - 8);
    std::copy_n("WAVEfmt ", 8, h + 8);
    putU32(h + 16, 16);
    putU16(h + 20, 1);  // PCM
    putU16(h + 22, channels);
    putU32(h + 24, sampleRate);
    putU32(h + 28, sampleRate * blockAlign);
    putU16(h + 32, blockAlign);
    putU16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    putU32(h + 40, dataBytes);
    return header;
}

}  // namespace

WavWriter::~WavWriter() { close(); }

bool WavWriter::open(const std::string& path, std::uint32_t sampleRate, std::uint16_t channels,
                     std::string& error) {
    close();
    if (channels == 0) {
        error = "a WAVE file needs at least one channel";
        return false;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot create " + path;
        return false;
    }
    dataBytes_ = 0;
    failed_ = false;
    // The header is written first with the rate and channels; close fills in the sizes.
    const auto header = makeHeader(sampleRate, channels, 0);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        error = "cannot write " + path;
        close();
        return false;
    }
    sampleRate_ = sampleRate;
    channels_ = channels;
    return true;
}

bool WavWriter::write(std::span<const std::uint8_t> bytes) {
    if (file_ == nullptr || failed_) {
        return false;
    }
    if (dataBytes_ + bytes.size() > kMaxDataBytes ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        failed_ = true;
        return false;
    }
    dataBytes_ += bytes.size();
    return true;
}

bool WavWriter::close() {
    if (file_ == nullptr) {
        return false;
    }
    bool ok = !failed_;
    // A data chunk of odd length would need a pad byte; 16-bit frames never make one.
    const auto header = makeHeader(sampleRate_, channels_, static_cast<std::uint32_t>(dataBytes_));
    ok = ok && std::fseek(file_, 0, SEEK_SET) == 0 &&
         std::fwrite(header.data(), 1, header.size(), file_) == header.size();
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

}  // namespace headless
