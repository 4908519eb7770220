// Little-endian reads assembled byte by byte, so the host's byte order and alignment never matter.
#include "graph/byte_reader.h"

#include <bit>

namespace graph {

bool ByteReader::take(std::size_t count) {
    if (failed_ || count > remaining()) {
        failed_ = true;
        position_ = bytes_.size();
        return false;
    }
    return true;
}

std::uint8_t ByteReader::readU8() {
    if (!take(1)) {
        return 0;
    }
    return bytes_[position_++];
}

std::uint16_t ByteReader::readU16LE() {
    if (!take(2)) {
        return 0;
    }
    const auto value = static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return value;
}

std::uint32_t ByteReader::readU32LE() {
    if (!take(4)) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes_[position_ + static_cast<std::size_t>(i)];
    }
    position_ += 4;
    return value;
}

float ByteReader::readF32LE() { return std::bit_cast<float>(readU32LE()); }

std::span<const std::uint8_t> ByteReader::readBytes(std::size_t count) {
    if (!take(count)) {
        return {};
    }
    const auto result = bytes_.subspan(position_, count);
    position_ += count;
    return result;
}

void ByteReader::seek(std::size_t offset) {
    if (failed_ || offset > bytes_.size()) {
        failed_ = true;
        position_ = bytes_.size();
        return;
    }
    position_ = offset;
}

}  // namespace graph
