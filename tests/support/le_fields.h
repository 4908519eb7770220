// Little-endian fields at byte offsets of a file a test wrote, read through the engine's byte reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "graph/byte_reader.h"

namespace testsupport {

inline std::uint16_t u16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    graph::ByteReader reader(bytes);
    reader.seek(at);
    return reader.readU16LE();
}

inline std::uint32_t u32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    graph::ByteReader reader(bytes);
    reader.seek(at);
    return reader.readU32LE();
}

}  // namespace testsupport
