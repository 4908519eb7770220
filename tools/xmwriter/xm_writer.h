// Writes FastTracker 2 XM modules (version 0x0104) from a plain description: the song builder and the
// loader tests describe modules here instead of carrying binary files.
//
// Usage:
//   xmwriter::Song song;                       // 4 channels, speed 6, 125 BPM, linear table
//   song.channels = 2;
//   xmwriter::Pattern& p = song.patterns.emplace_back(64, song.channels);
//   p.at(0, 0) = {49, 1, 0, 0, 0};               // C-4, instrument 1 (notes 1..96, 97 = key off)
//   song.orders = {0};
//   xmwriter::Instrument& inst = song.instruments.emplace_back();
//   inst.keymap.fill(0);                         // every note plays sample slot 0
//   xmwriter::Sample& s = inst.samples.emplace_back();
//   s.frames = {0, 40, 80, 40, 0, -40, -80, -40};  // plain PCM values (-128..127 or -32768..32767)
//   s.loop = xmwriter::LoopType::Forward; s.loopStart = 0; s.loopLength = 8;   // in frames
//   std::vector<std::uint8_t> bytes = xmwriter::writeXm(song);
//
// Values are written as given (loop points are not checked against the sample), so tests can describe
// odd but well-formed files; only what cannot be encoded at all throws std::invalid_argument.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xmwriter {

struct Cell {
    std::uint8_t note = 0;        // 0 none, 1..96 (1 = C-0), 97 key off
    std::uint8_t instrument = 0;  // 0 none, 1..128
    std::uint8_t volume = 0;      // volume column byte (0x10..0x50 set volume, ...)
    std::uint8_t effect = 0;
    std::uint8_t parameter = 0;

    bool empty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && parameter == 0; }
};

struct Pattern {
    Pattern() = default;
    // rows x channels empty cells.
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<std::size_t>(rowCount) * channelCount) {}

    Cell& at(int row, int channel) { return cells.at(static_cast<std::size_t>(row) * channels + channel); }
    const Cell& at(int row, int channel) const {
        return cells.at(static_cast<std::size_t>(row) * channels + channel);
    }

    int rows = 64;     // 1..256 in files FastTracker 2 writes; other values are written as given
    int channels = 0;  // must equal the song's channel count
    std::vector<Cell> cells;  // row-major: all channels of row 0, then row 1, ...
};

// Envelope type bits, as stored in the file.
constexpr std::uint8_t kEnvelopeOn = 1;
constexpr std::uint8_t kEnvelopeSustain = 2;
constexpr std::uint8_t kEnvelopeLoop = 4;

struct EnvelopePoint {
    std::uint16_t tick = 0;
    std::uint16_t value = 0;  // 0..64
};

struct Envelope {
    std::vector<EnvelopePoint> points;  // at most 12; the point count written is points.size()
    std::uint8_t sustain = 0;           // point indices
    std::uint8_t loopStart = 0;
    std::uint8_t loopEnd = 0;
    std::uint8_t type = 0;  // kEnvelopeOn | kEnvelopeSustain | kEnvelopeLoop
};

enum class LoopType : std::uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
    std::string name;  // up to 22 characters
    int bits = 8;      // 8 or 16
    // Plain PCM values, -128..127 for 8 bits, -32768..32767 for 16; the writer delta-encodes them.
    std::vector<std::int32_t> frames;
    LoopType loop = LoopType::None;
    std::uint32_t loopStart = 0;   // frames; written as bytes for 16-bit samples
    std::uint32_t loopLength = 0;  // frames
    std::uint8_t volume = 64;      // 0..64
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
};

struct Instrument {
    std::string name;                       // up to 22 characters
    std::array<std::uint8_t, 96> keymap{};  // sample slot per note
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    std::uint8_t vibratoType = 0;
    std::uint8_t vibratoSweep = 0;
    std::uint8_t vibratoDepth = 0;
    std::uint8_t vibratoRate = 0;
    std::uint16_t fadeout = 0;
    std::vector<Sample> samples;  // at most 16 in files FastTracker 2 accepts
};

struct Song {
    std::string name;                            // up to 20 characters
    std::string trackerName = "velbry xmwriter";  // up to 20 characters
    int channels = 4;
    std::uint16_t flags = 1;  // bit 0: linear frequency table
    std::uint16_t defaultSpeed = 6;
    std::uint16_t defaultBpm = 125;
    std::uint16_t restartPosition = 0;
    std::vector<std::uint8_t> orders;  // at most 256
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Where the parts of a written file start, for tests that alter single fields afterwards.
struct Layout {
    std::vector<std::size_t> patternHeaders;                  // per pattern
    std::vector<std::size_t> instrumentHeaders;               // per instrument
    std::vector<std::vector<std::size_t>> sampleHeaders;      // per instrument, per sample
    std::vector<std::vector<std::size_t>> sampleData;         // per instrument, per sample
};

constexpr std::size_t kSongHeaderSize = 276;  // counted from offset 60
constexpr std::size_t kPatternHeaderSize = 9;
constexpr std::size_t kInstrumentHeaderSize = 263;       // with samples
constexpr std::size_t kEmptyInstrumentHeaderSize = 29;   // without samples
constexpr std::size_t kSampleHeaderSize = 40;

// The whole file. Throws std::invalid_argument for what the format cannot hold (a pattern whose cells do
// not match the channel count, more than 256 orders, more than 12 envelope points, sample values out of
// range, packed pattern data above 65535 bytes).
std::vector<std::uint8_t> writeXm(const Song& song, Layout* layout = nullptr);

// One pattern's packed cell data: each cell either as five plain bytes (all fields present) or as a
// 0x80 | mask byte followed by the present fields (bit 0 note ... bit 4 parameter).
std::vector<std::uint8_t> packPattern(const Pattern& pattern);

}  // namespace xmwriter
