// Little-endian decoding and the latched end-of-input error of the byte reader.
#include "graph/byte_reader.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using graph::ByteReader;

TEST(ByteReader, ReadsLittleEndianUnaligned) {
    const std::array<std::uint8_t, 11> bytes{0x7F, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0x3F};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.readU8(), 0x7F);
    EXPECT_EQ(reader.readU16LE(), 0x1234);
    EXPECT_EQ(reader.readU32LE(), 0x12345678u);
    EXPECT_EQ(reader.readF32LE(), 1.0f);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.failed());
}

TEST(ByteReader, SignedReadsKeepTheSign) {
    const std::array<std::uint8_t, 9> bytes{0x80, 0xFE, 0xFF, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.readI8(), -128);
    EXPECT_EQ(reader.readI16LE(), -2);
    EXPECT_EQ(reader.readI16LE(), -32768);
    EXPECT_EQ(reader.readI32LE(), -1);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.readI16LE(), 0);
    EXPECT_TRUE(reader.failed());
}

TEST(ByteReader, ReadPastEndLatchesAndYieldsZero) {
    const std::array<std::uint8_t, 3> bytes{1, 2, 3};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.readU32LE(), 0u);
    EXPECT_TRUE(reader.failed());
    // The error stays, even for reads that would fit on their own.
    reader.seek(0);
    EXPECT_EQ(reader.readU8(), 0);
    EXPECT_TRUE(reader.failed());
}

TEST(ByteReader, ReadBytesChecksTheLength) {
    const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
    ByteReader reader(bytes);
    reader.skip(1);
    const auto span = reader.readBytes(3);
    ASSERT_EQ(span.size(), 3u);
    EXPECT_EQ(span[0], 2);
    EXPECT_TRUE(reader.readBytes(1).empty());
    EXPECT_TRUE(reader.failed());
}

TEST(ByteReader, HugeLengthDoesNotWrap) {
    const std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
    ByteReader reader(bytes);
    reader.skip(2);
    EXPECT_TRUE(reader.readBytes(SIZE_MAX - 1).empty());
    EXPECT_TRUE(reader.failed());
}

}  // namespace
