// XM writer: little-endian fields written one by one, patterns packed, sample data delta-encoded.
#include "xm_writer.h"

#include <algorithm>
#include <stdexcept>

namespace xmwriter {

namespace {

class ByteWriter {
public:
    void u8(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
    void u16(std::uint32_t value) {
        u8(value & 0xFF);
        u8((value >> 8) & 0xFF);
    }
    void u32(std::uint32_t value) {
        u16(value & 0xFFFF);
        u16(value >> 16);
    }
    // Fixed-width text field, cut or padded with zeros.
    void text(const std::string& value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            u8(i < value.size() ? static_cast<std::uint8_t>(value[i]) : 0);
        }
    }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    std::size_t size() const { return bytes_.size(); }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

void writeSongHeader(ByteWriter& out, const Song& song) {
    if (song.orders.size() > 256) {
        throw std::invalid_argument("xmwriter: more than 256 orders");
    }
    out.text("Extended Module: ", 17);
    out.text(song.name, 20);
    out.u8(0x1A);
    out.text(song.trackerName, 20);
    out.u16(0x0104);
    out.u32(kSongHeaderSize);
    out.u16(static_cast<std::uint32_t>(song.orders.size()));
    out.u16(song.restartPosition);
    out.u16(static_cast<std::uint32_t>(song.channels));
    out.u16(static_cast<std::uint32_t>(song.patterns.size()));
    out.u16(static_cast<std::uint32_t>(song.instruments.size()));
    out.u16(song.flags);
    out.u16(song.defaultSpeed);
    out.u16(song.defaultBpm);
    for (std::size_t i = 0; i < 256; ++i) {
        out.u8(i < song.orders.size() ? song.orders[i] : 0);
    }
}

void writePattern(ByteWriter& out, const Pattern& pattern, int channels) {
    if (pattern.channels != channels ||
        pattern.cells.size() != static_cast<std::size_t>(pattern.rows) * static_cast<std::size_t>(channels)) {
        throw std::invalid_argument("xmwriter: pattern cells do not match rows x channels");
    }
    const bool allEmpty =
        std::all_of(pattern.cells.begin(), pattern.cells.end(), [](const Cell& c) { return c.empty(); });
    // FastTracker 2 stores an all-empty pattern as a header with no data.
    const std::vector<std::uint8_t> packed = allEmpty ? std::vector<std::uint8_t>{} : packPattern(pattern);
    if (packed.size() > 0xFFFF) {
        throw std::invalid_argument("xmwriter: packed pattern above 65535 bytes");
    }
    out.u32(kPatternHeaderSize);
    out.u8(0);
    out.u16(static_cast<std::uint32_t>(pattern.rows));
    out.u16(static_cast<std::uint32_t>(packed.size()));
    out.append(packed);
}

void writeEnvelopePoints(ByteWriter& out, const Envelope& envelope) {
    if (envelope.points.size() > 12) {
        throw std::invalid_argument("xmwriter: more than 12 envelope points");
    }
    for (std::size_t i = 0; i < 12; ++i) {
        const EnvelopePoint point = i < envelope.points.size() ? envelope.points[i] : EnvelopePoint{};
        out.u16(point.tick);
        out.u16(point.value);
    }
}

std::uint32_t sampleBytes(const Sample& sample, std::uint32_t frames) {
    return sample.bits == 16 ? frames * 2 : frames;
}

void writeSampleHeader(ByteWriter& out, const Sample& sample) {
    if (sample.bits != 8 && sample.bits != 16) {
        throw std::invalid_argument("xmwriter: sample bits must be 8 or 16");
    }
    out.u32(sampleBytes(sample, static_cast<std::uint32_t>(sample.frames.size())));
    out.u32(sampleBytes(sample, sample.loopStart));
    out.u32(sampleBytes(sample, sample.loopLength));
    out.u8(sample.volume);
    out.u8(static_cast<std::uint8_t>(sample.finetune));
    out.u8(static_cast<std::uint32_t>(sample.loop) | (sample.bits == 16 ? 0x10u : 0u));
    out.u8(sample.panning);
    out.u8(static_cast<std::uint8_t>(sample.relativeNote));
    out.u8(0);
    out.text(sample.name, 22);
}

// Each value is stored as its difference to the previous one, wrapping at the sample width.
void writeSampleData(ByteWriter& out, const Sample& sample) {
    const std::int32_t low = sample.bits == 16 ? -32768 : -128;
    const std::int32_t high = sample.bits == 16 ? 32767 : 127;
    std::int32_t previous = 0;
    for (std::int32_t value : sample.frames) {
        if (value < low || value > high) {
            throw std::invalid_argument("xmwriter: sample value out of range");
        }
        const auto delta = static_cast<std::uint32_t>(value - previous);
        if (sample.bits == 16) {
            out.u16(delta & 0xFFFF);
        } else {
            out.u8(delta & 0xFF);
        }
        previous = value;
    }
}

void writeInstrument(ByteWriter& out, const Instrument& instrument, std::vector<std::size_t>& headers,
                     std::vector<std::size_t>& data) {
    const bool hasSamples = !instrument.samples.empty();
    out.u32(hasSamples ? kInstrumentHeaderSize : kEmptyInstrumentHeaderSize);
    out.text(instrument.name, 22);
    out.u8(0);
    out.u16(static_cast<std::uint32_t>(instrument.samples.size()));
    if (!hasSamples) {
        return;
    }
    out.u32(kSampleHeaderSize);
    for (std::uint8_t slot : instrument.keymap) {
        out.u8(slot);
    }
    writeEnvelopePoints(out, instrument.volumeEnvelope);
    writeEnvelopePoints(out, instrument.panningEnvelope);
    const Envelope& vol = instrument.volumeEnvelope;
    const Envelope& pan = instrument.panningEnvelope;
    for (std::size_t value : {vol.points.size(), pan.points.size()}) {
        out.u8(static_cast<std::uint32_t>(value));
    }
    for (std::uint8_t value : {vol.sustain, vol.loopStart, vol.loopEnd, pan.sustain, pan.loopStart, pan.loopEnd,
                               vol.type, pan.type, instrument.vibratoType, instrument.vibratoSweep,
                               instrument.vibratoDepth, instrument.vibratoRate}) {
        out.u8(value);
    }
    out.u16(instrument.fadeout);
    out.zeros(22);  // reserved, up to the 263-byte header
    for (const Sample& sample : instrument.samples) {
        headers.push_back(out.size());
        writeSampleHeader(out, sample);
    }
    for (const Sample& sample : instrument.samples) {
        data.push_back(out.size());
        writeSampleData(out, sample);
    }
}

}  // namespace

std::vector<std::uint8_t> packPattern(const Pattern& pattern) {
    std::vector<std::uint8_t> packed;
    for (const Cell& cell : pattern.cells) {
        const std::uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
        std::uint8_t mask = 0;
        for (int i = 0; i < 5; ++i) {
            if (fields[i] != 0) {
                mask = static_cast<std::uint8_t>(mask | (1u << i));
            }
        }
        // With all five present the plain form is one byte shorter; a plain note byte never has bit 7.
        if (mask == 0x1F && cell.note < 0x80) {
            packed.insert(packed.end(), fields, fields + 5);
            continue;
        }
        packed.push_back(static_cast<std::uint8_t>(0x80 | mask));
        for (int i = 0; i < 5; ++i) {
            if ((mask & (1u << i)) != 0) {
                packed.push_back(fields[i]);
            }
        }
    }
    return packed;
}

std::vector<std::uint8_t> writeXm(const Song& song, Layout* layout) {
    Layout local;
    Layout& where = layout != nullptr ? *layout : local;
    where = Layout{};
    ByteWriter out;
    writeSongHeader(out, song);
    for (const Pattern& pattern : song.patterns) {
        where.patternHeaders.push_back(out.size());
        writePattern(out, pattern, song.channels);
    }
    for (const Instrument& instrument : song.instruments) {
        where.instrumentHeaders.push_back(out.size());
        writeInstrument(out, instrument, where.sampleHeaders.emplace_back(), where.sampleData.emplace_back());
    }
    return out.take();
}

}  // namespace xmwriter
