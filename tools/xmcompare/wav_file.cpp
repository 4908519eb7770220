// WAVE reader: walks the RIFF chunks, takes 'fmt ' and 'data', decodes their fields with the byte reader.
#include "wav_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>

#include "graph/byte_reader.h"

namespace xmcompare {

namespace {

bool isTag(std::span<const std::uint8_t> bytes, const char (&tag)[5]) {
    return bytes.size() == 4 && std::memcmp(bytes.data(), tag, 4) == 0;
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
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    graph::ByteReader riff(bytes);
    const auto riffTag = riff.readBytes(4);
    riff.skip(4);
    WavFile wav;
    if (!isTag(riffTag, "RIFF") || !isTag(riff.readBytes(4), "WAVE")) {
        error = path + ": not a RIFF WAVE file";
        return wav;
    }
    std::uint16_t format = 0;
    std::uint16_t bits = 0;
    while (riff.remaining() >= 8) {
        const auto id = riff.readBytes(4);
        const std::uint32_t size = riff.readU32LE();
        const std::size_t body = riff.position();
        // A chunk cut short by the end of the file is read as far as it goes.
        graph::ByteReader chunk(riff.readBytes(std::min<std::size_t>(size, riff.remaining())));
        if (isTag(id, "fmt ") && size >= 16 && chunk.remaining() >= 16) {
            format = chunk.readU16LE();
            wav.channels = chunk.readU16LE();
            wav.rate = chunk.readI32LE();
            chunk.skip(6);  // byte rate, block align
            bits = chunk.readU16LE();
            if (format == 0xFFFE && size >= 26) {
                chunk.seek(24);
                format = chunk.readU16LE();  // the sub-format's first two bytes
            }
        } else if (isTag(id, "data")) {
            if (format == 1 && bits == 16) {
                while (chunk.remaining() >= 2) {
                    wav.samples.push_back(static_cast<float>(chunk.readI16LE()) / 32768.0f);
                }
            } else if (format == 3 && bits == 32) {
                while (chunk.remaining() >= 4) {
                    wav.samples.push_back(chunk.readF32LE());
                }
            } else {
                error = path + ": only 16-bit PCM and 32-bit float are read";
                return WavFile{};
            }
        }
        // Chunks are padded to an even size; the sum is formed in 64 bits so that no size wraps it.
        const std::uint64_t next = std::uint64_t{body} + size + (size & 1);
        if (next > bytes.size()) {
            break;
        }
        riff.seek(static_cast<std::size_t>(next));
    }
    if (wav.channels <= 0 || wav.rate <= 0) {
        error = path + ": no usable format chunk";
        return WavFile{};
    }
    return wav;
}

}  // namespace xmcompare
