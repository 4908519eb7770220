// The loader under FastTracker 2's rules: header lengths the file gives (longer pattern and sample
// headers than usual), the older XM 1.03 and 1.02 layouts, single-point envelopes, and the clear refusal
// of instruments with more than 16 samples. Files are written by the XM writer and rearranged here.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ft2_songs.h"
#include "support/le_fields.h"

namespace {

using namespace ft2_songs;
using Bytes = std::vector<std::uint8_t>;

void putU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

void append(Bytes& to, const Bytes& part) { to.insert(to.end(), part.begin(), part.end()); }

// Two patterns of different lengths and two instruments of two samples each (8- and 16-bit), every
// field away from zero so that a misplaced read shows.
xmwriter::Song richSong() {
    xmwriter::Song s = song(8, 2);
    xmwriter::Pattern& second = s.patterns.emplace_back(5, 2);
    s.orders = {0, 1};
    for (int r = 0; r < 8; ++r) {
        s.patterns[0].at(r, r % 2) = {static_cast<std::uint8_t>(30 + r), static_cast<std::uint8_t>(1 + r % 2),
                                       static_cast<std::uint8_t>(0x20 + r), 10, static_cast<std::uint8_t>(r)};
    }
    second.at(4, 1) = {kKeyOff, 2, 0xC8, 14, 0x93};
    s.instruments.push_back(sineInstrument(40, false, 300));
    for (std::size_t i = 0; i < s.instruments.size(); ++i) {
        xmwriter::Sample extra;
        extra.frames = {1, -2, 3, -4, 5, static_cast<std::int32_t>(i)};
        extra.volume = 33;
        extra.relativeNote = -3;
        s.instruments[i].samples.push_back(extra);
        s.instruments[i].keymap.fill(1);
        s.instruments[i].volumeEnvelope.points = {{0, 64}, {10, 20}};
        s.instruments[i].volumeEnvelope.type = xmwriter::kEnvelopeOn;
        s.instruments[i].fadeout = 300;
    }
    return s;
}

std::unique_ptr<music::Module> loaded(const Bytes& bytes, PlaybackRules rules) {
    return std::unique_ptr<music::Module>(load(bytes, rules));
}

// Everything the replayer reads of a module: cells, instruments and sample frames.
void expectSameSong(const music::Module& expected, const music::Module& actual) {
    ASSERT_EQ(expected.patterns.size(), actual.patterns.size());
    for (std::size_t p = 0; p < expected.patterns.size(); ++p) {
        ASSERT_EQ(expected.patterns[p].rows, actual.patterns[p].rows) << "pattern " << p;
        for (std::size_t c = 0; c < expected.patterns[p].cells.size(); ++c) {
            const music::Cell& a = expected.patterns[p].cells[c];
            const music::Cell& b = actual.patterns[p].cells[c];
            EXPECT_TRUE(a.note == b.note && a.instrument == b.instrument && a.volume == b.volume &&
                        a.effect == b.effect && a.parameter == b.parameter)
                << "pattern " << p << " cell " << c;
        }
    }
    ASSERT_EQ(expected.instruments.size(), actual.instruments.size());
    for (std::size_t i = 0; i < expected.instruments.size(); ++i) {
        const music::Instrument& a = expected.instruments[i];
        const music::Instrument& b = actual.instruments[i];
        ASSERT_EQ(a.sampleCount, b.sampleCount);
        EXPECT_EQ(a.keymap, b.keymap);
        EXPECT_EQ(a.volumeType, b.volumeType);
        EXPECT_EQ(a.fadeout, b.fadeout);
        for (int s = 0; s < a.sampleCount; ++s) {
            const music::Sample& x = *a.samples[static_cast<std::size_t>(s)];
            const music::Sample& y = *b.samples[static_cast<std::size_t>(s)];
            EXPECT_EQ(x.length, y.length);
            EXPECT_EQ(x.volume, y.volume);
            EXPECT_EQ(x.relativeNote, y.relativeNote);
            EXPECT_EQ(x.data, y.data) << "instrument " << i << " sample " << s;
        }
    }
}

// Every pattern header 4 bytes longer and every sample header 4 bytes longer than usual, as the
// header lengths in the file say.
Bytes withLongerHeaders(const xmwriter::Song& s) {
    xmwriter::Layout layout;
    const Bytes plain = xmwriter::writeXm(s, &layout);
    Bytes out = slice(plain, 0, layout.patternHeaders[0]);
    const Bytes spare = {0xEE, 0xEE, 0xEE, 0xEE};
    for (std::size_t p = 0; p < layout.patternHeaders.size(); ++p) {
        const std::size_t start = layout.patternHeaders[p];
        const std::size_t end = p + 1 < layout.patternHeaders.size() ? layout.patternHeaders[p + 1]
                                                                    : layout.instrumentHeaders[0];
        const std::size_t header = out.size();
        append(out, slice(plain, start, start + xmwriter::kPatternHeaderSize));
        append(out, spare);
        putU32(out, header, xmwriter::kPatternHeaderSize + 4);
        append(out, slice(plain, start + xmwriter::kPatternHeaderSize, end));
    }
    for (std::size_t i = 0; i < layout.instrumentHeaders.size(); ++i) {
        const std::size_t start = layout.instrumentHeaders[i];
        const std::size_t header = out.size();
        append(out, slice(plain, start, layout.sampleHeaders[i][0]));
        putU32(out, header + 29, xmwriter::kSampleHeaderSize + 4);
        for (std::size_t h : layout.sampleHeaders[i]) {
            append(out, slice(plain, h, h + xmwriter::kSampleHeaderSize));
            append(out, spare);
        }
        const std::size_t end = i + 1 < layout.instrumentHeaders.size() ? layout.instrumentHeaders[i + 1] : plain.size();
        append(out, slice(plain, layout.sampleData[i][0], end));
    }
    return out;
}

// The same song in the 1.03 layout (instruments with their sample headers, then the patterns, then all
// sample data), or in 1.02's, whose pattern headers hold the row count minus one in a byte.
Bytes olderVersion(const xmwriter::Song& s, std::uint16_t version) {
    xmwriter::Layout layout;
    const Bytes plain = xmwriter::writeXm(s, &layout);
    Bytes out = slice(plain, 0, layout.patternHeaders[0]);
    out[58] = static_cast<std::uint8_t>(version);
    Bytes data;
    for (std::size_t i = 0; i < layout.instrumentHeaders.size(); ++i) {
        const std::size_t end = i + 1 < layout.instrumentHeaders.size() ? layout.instrumentHeaders[i + 1] : plain.size();
        append(out, slice(plain, layout.instrumentHeaders[i], layout.sampleData[i][0]));
        append(data, slice(plain, layout.sampleData[i][0], end));
    }
    for (std::size_t p = 0; p < layout.patternHeaders.size(); ++p) {
        const std::size_t start = layout.patternHeaders[p];
        const std::size_t end = p + 1 < layout.patternHeaders.size() ? layout.patternHeaders[p + 1]
                                                                    : layout.instrumentHeaders[0];
        if (version == 0x0102) {
            const std::uint16_t rows = testsupport::u16At(plain, start + 5);
            const std::uint16_t packed = testsupport::u16At(plain, start + 7);
            append(out, {8, 0, 0, 0, 0, static_cast<std::uint8_t>(rows - 1), static_cast<std::uint8_t>(packed),
                         static_cast<std::uint8_t>(packed >> 8)});
            append(out, slice(plain, start + xmwriter::kPatternHeaderSize, end));
        } else {
            append(out, slice(plain, start, end));
        }
    }
    append(out, data);
    return out;
}

TEST(Ft2Loader, HeaderLengthsInTheFilePlaceWhatFollows) {
    const xmwriter::Song s = richSong();
    const auto expected = loaded(xmwriter::writeXm(s), PlaybackRules::FastTracker2);
    ASSERT_NE(expected, nullptr);
    const Bytes longer = withLongerHeaders(s);
    const auto ft2 = loaded(longer, PlaybackRules::FastTracker2);
    ASSERT_NE(ft2, nullptr) << music::lastLoadError();
    expectSameSong(*expected, *ft2);

    // The engine's loader takes every header at its usual length and reads the spare bytes as data.
    const auto engine = loaded(longer, PlaybackRules::Engine);
    ASSERT_NE(engine, nullptr);
    EXPECT_NE(engine->patterns[0].cells[0].note, expected->patterns[0].cells[0].note);
}

TEST(Ft2Loader, ReadsTheOlderLayoutsOfVersions103And102) {
    const xmwriter::Song s = richSong();
    const auto expected = loaded(xmwriter::writeXm(s), PlaybackRules::FastTracker2);
    ASSERT_NE(expected, nullptr);
    for (const std::uint16_t version : {std::uint16_t{0x0103}, std::uint16_t{0x0102}}) {
        SCOPED_TRACE(version);
        const auto older = loaded(olderVersion(s, version), PlaybackRules::FastTracker2);
        ASSERT_NE(older, nullptr) << music::lastLoadError();
        expectSameSong(*expected, *older);
    }
    const auto engine = loaded(olderVersion(s, 0x0103), PlaybackRules::Engine);
    EXPECT_TRUE(engine == nullptr || engine->instruments[0].keymap != expected->instruments[0].keymap)
        << "the engine's loader knows only the 1.04 layout";
}

TEST(Ft2Loader, SinglePointEnvelopeStaysOnAndMoreThanSixteenSamplesAreRefused) {
    xmwriter::Song s = song(1);
    s.instruments[0].volumeEnvelope.points = {{0, 20}};
    s.instruments[0].volumeEnvelope.type = xmwriter::kEnvelopeOn;
    const Bytes bytes = xmwriter::writeXm(s);
    const auto ft2 = loaded(bytes, PlaybackRules::FastTracker2);
    ASSERT_NE(ft2, nullptr);
    EXPECT_EQ(ft2->instruments[0].volumeType, music::kEnvelopeOn);
    EXPECT_EQ(loaded(bytes, PlaybackRules::Engine)->instruments[0].volumeType, 0);

    xmwriter::Song many = song(1);
    many.instruments[0].samples.resize(17, many.instruments[0].samples[0]);
    EXPECT_EQ(loaded(xmwriter::writeXm(many), PlaybackRules::FastTracker2), nullptr);
    EXPECT_EQ(music::lastLoadError(), "instrument 1 has 17 samples (above 16)");
}

// Every prefix of files in the layouts only these rules read loads soundly or fails, and plays.
TEST(Ft2Loader, EveryTruncationOfTheTrackersLayoutsLoadsSoundlyOrFails) {
    const xmwriter::Song s = richSong();
    for (const Bytes& file : {olderVersion(s, 0x0103), olderVersion(s, 0x0102), withLongerHeaders(s)}) {
        for (std::size_t length = 0; length <= file.size(); length += 7) {
            const Bytes prefix = slice(file, 0, length);
            const auto module = loaded(prefix, PlaybackRules::FastTracker2);
            if (module == nullptr) {
                continue;
            }
            music::preparePlayback(*module);
            std::vector<float> mix(2 * kTickFrames);
            std::vector<std::int16_t> pcm(2 * kTickFrames);
            for (int t = 0; t < 20; ++t) {
                music::renderBlock(*module, mix.data(), pcm.data(), kTickFrames);
            }
        }
    }
}

}  // namespace
