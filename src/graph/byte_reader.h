// The one bounds-checked reader for binary input (scene script, event streams, modules, the music block,
// WAV files). Every read names its byte order; reading past the end latches an error and yields zeros.
// Input that arrives through other channels (the module's file operations) is read into a buffer first
// and decoded here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace graph {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t readU8();
    std::int8_t readI8() { return static_cast<std::int8_t>(readU8()); }
    std::uint16_t readU16LE();
    std::int16_t readI16LE() { return static_cast<std::int16_t>(readU16LE()); }
    std::uint32_t readU32LE();
    std::int32_t readI32LE() { return static_cast<std::int32_t>(readU32LE()); }
    float readF32LE();

    // The next count bytes as a span, advancing past them; an empty span (and the error) when fewer remain.
    std::span<const std::uint8_t> readBytes(std::size_t count);
    void skip(std::size_t count) { readBytes(count); }

    // Moves to an absolute offset; an offset beyond the end latches the error.
    void seek(std::size_t offset);

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }
    bool atEnd() const { return position_ == bytes_.size(); }
    const std::uint8_t* cursor() const { return bytes_.data() + position_; }
    // True once any read or seek went past the end; stays true.
    bool failed() const { return failed_; }

private:
    bool take(std::size_t count);

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace graph
