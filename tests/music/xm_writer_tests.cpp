// XM writer: the byte layout other tools rely on (header sizes, packing, delta-encoded samples).
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/le_fields.h"
#include "xm_writer.h"

namespace {

using testsupport::u16At;
using testsupport::u32At;

xmwriter::Song twoChannelSong() {
    xmwriter::Song song;
    song.name = "writer test";
    song.channels = 2;
    song.orders = {0, 1, 0};
    song.restartPosition = 1;
    song.defaultSpeed = 5;
    song.defaultBpm = 140;
    xmwriter::Pattern& first = song.patterns.emplace_back(4, 2);
    first.at(0, 0) = {49, 1, 0x40, 0x0C, 0x20};  // all five fields: plain form
    first.at(1, 1) = {97, 0, 0, 0, 0};           // key off only
    song.patterns.emplace_back(16, 2);           // empty
    return song;
}

TEST(XmWriter, SongHeaderFieldsAndSizes) {
    xmwriter::Layout layout;
    const auto bytes = xmwriter::writeXm(twoChannelSong(), &layout);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[17])), "writer test");
    EXPECT_EQ(bytes[37], 0x1A);
    EXPECT_EQ(u16At(bytes, 58), 0x0104);
    EXPECT_EQ(u32At(bytes, 60), 276u);
    EXPECT_EQ(u16At(bytes, 64), 3);    // song length
    EXPECT_EQ(u16At(bytes, 66), 1);    // restart
    EXPECT_EQ(u16At(bytes, 68), 2);    // channels
    EXPECT_EQ(u16At(bytes, 70), 2);    // patterns
    EXPECT_EQ(u16At(bytes, 72), 0);    // instruments
    EXPECT_EQ(u16At(bytes, 74), 1);    // linear table
    EXPECT_EQ(u16At(bytes, 76), 5);
    EXPECT_EQ(u16At(bytes, 78), 140);
    EXPECT_EQ(bytes[80 + 1], 1);
    ASSERT_EQ(layout.patternHeaders.size(), 2u);
    EXPECT_EQ(layout.patternHeaders[0], 336u);
}

TEST(XmWriter, PatternsArePackedAndEmptyPatternsHaveNoData) {
    xmwriter::Layout layout;
    const auto bytes = xmwriter::writeXm(twoChannelSong(), &layout);
    const std::size_t at = layout.patternHeaders[0];
    EXPECT_EQ(u32At(bytes, at), 9u);
    EXPECT_EQ(u16At(bytes, at + 5), 4);
    // Cell 0 plain (5 bytes), cell 1 0x80, cell 2 0x80, cell 3 0x81 97, cells 4..7 0x80.
    const std::vector<std::uint8_t> expected = {49, 1, 0x40, 0x0C, 0x20, 0x80, 0x80, 0x81, 97, 0x80, 0x80, 0x80, 0x80};
    ASSERT_EQ(u16At(bytes, at + 7), expected.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + at + 9, bytes.begin() + at + 9 + expected.size()), expected);
    const std::size_t second = layout.patternHeaders[1];
    EXPECT_EQ(second, at + 9 + expected.size());
    EXPECT_EQ(u16At(bytes, second + 5), 16);
    EXPECT_EQ(u16At(bytes, second + 7), 0);
    EXPECT_EQ(bytes.size(), second + 9);
}

TEST(XmWriter, InstrumentsAndDeltaEncodedSamples) {
    xmwriter::Song song = twoChannelSong();
    xmwriter::Instrument& instrument = song.instruments.emplace_back();
    instrument.keymap.fill(1);
    instrument.volumeEnvelope.points = {{0, 64}, {10, 32}};
    instrument.volumeEnvelope.type = xmwriter::kEnvelopeOn | xmwriter::kEnvelopeSustain;
    instrument.fadeout = 0x123;
    xmwriter::Sample& eight = instrument.samples.emplace_back();
    eight.frames = {10, -10, 127, -128};
    eight.loop = xmwriter::LoopType::PingPong;
    eight.loopStart = 1;
    eight.loopLength = 2;
    xmwriter::Sample& sixteen = instrument.samples.emplace_back();
    sixteen.bits = 16;
    sixteen.frames = {1000, -1000, 32767};
    sixteen.loop = xmwriter::LoopType::Forward;
    sixteen.loopStart = 1;
    sixteen.loopLength = 2;
    song.instruments.emplace_back();  // no samples: the short header

    xmwriter::Layout layout;
    const auto bytes = xmwriter::writeXm(song, &layout);
    const std::size_t at = layout.instrumentHeaders[0];
    EXPECT_EQ(u32At(bytes, at), 263u);
    EXPECT_EQ(u16At(bytes, at + 27), 2);
    EXPECT_EQ(u32At(bytes, at + 29), 40u);
    EXPECT_EQ(bytes[at + 33 + 95], 1);
    EXPECT_EQ(u16At(bytes, at + 129 + 4), 10);   // second volume point tick
    EXPECT_EQ(bytes[at + 225], 2);               // volume point count
    EXPECT_EQ(bytes[at + 233], 3);               // volume type
    EXPECT_EQ(u16At(bytes, at + 239), 0x123);
    ASSERT_EQ(layout.sampleHeaders[0][0], at + 263);

    const std::size_t s8 = layout.sampleHeaders[0][0];
    EXPECT_EQ(u32At(bytes, s8), 4u);
    EXPECT_EQ(bytes[s8 + 14], 2);  // ping-pong, 8-bit
    const std::size_t s16 = layout.sampleHeaders[0][1];
    EXPECT_EQ(s16, s8 + 40);
    EXPECT_EQ(u32At(bytes, s16), 6u);      // bytes, not frames
    EXPECT_EQ(u32At(bytes, s16 + 4), 2u);
    EXPECT_EQ(u32At(bytes, s16 + 8), 4u);
    EXPECT_EQ(bytes[s16 + 14], 0x11);

    const std::size_t d8 = layout.sampleData[0][0];
    EXPECT_EQ(d8, s16 + 40);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + d8, bytes.begin() + d8 + 4),
              (std::vector<std::uint8_t>{10, 0xEC, 137, 1}));  // 10, -20, +137 wraps, -255 wraps
    const std::size_t d16 = layout.sampleData[0][1];
    EXPECT_EQ(d16, d8 + 4);
    EXPECT_EQ(u16At(bytes, d16), 1000);
    EXPECT_EQ(u16At(bytes, d16 + 2), static_cast<std::uint16_t>(-2000));
    EXPECT_EQ(u16At(bytes, d16 + 4), static_cast<std::uint16_t>(33767));
    EXPECT_EQ(layout.instrumentHeaders[1], d16 + 6);
    EXPECT_EQ(u32At(bytes, layout.instrumentHeaders[1]), 29u);
    EXPECT_EQ(bytes.size(), layout.instrumentHeaders[1] + 29);
}

TEST(XmWriter, RejectsWhatTheFormatCannotHold) {
    xmwriter::Song song = twoChannelSong();
    song.patterns[0].channels = 3;
    EXPECT_THROW(xmwriter::writeXm(song), std::invalid_argument);
    song = twoChannelSong();
    song.orders.assign(257, 0);
    EXPECT_THROW(xmwriter::writeXm(song), std::invalid_argument);
    song = twoChannelSong();
    song.instruments.emplace_back().samples.emplace_back().frames = {128};
    EXPECT_THROW(xmwriter::writeXm(song), std::invalid_argument);
}

}  // namespace
