// XM loader: reads a module in file order through the registered file operations into a Module, with
// patterns unpacked, envelopes and keymaps copied and samples turned into delta-decoded 16-bit frames.
//
// Beyond what FastTracker 2 files hold, the loader guards the replayer and mixer against malformed input:
//   - channel counts outside 1..32, pattern row counts above 256, song lengths, pattern counts above 256,
//     instrument counts above 128 and instruments with more than 16 samples are rejected;
//   - a pattern with 0 rows gets FastTracker 2's default of 64 rows;
//   - packed pattern data that run past the end of the file stop there, the remaining cells stay empty;
//   - an instrument header size shorter than the fields read never moves the reading backwards;
//   - a sample length is cut to the data the file still holds, so no allocation outgrows the file;
//   - loop points are clamped to the sample length (a loop left empty makes the sample unlooped);
//   - envelope point counts are cut to 12, envelope point indices to the arrays.
// Keymap entries are kept as they are: one at or past the sample count selects the empty sample.
#include "music/module_loader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>

#include "graph/byte_reader.h"
#include "music/file_callbacks.h"
#include "music/music_state.h"
#include "music/replayer.h"

namespace music {

namespace {

constexpr std::int32_t kSongHeaderStart = 60;
constexpr std::int32_t kMaxChannels = 32;
constexpr std::int32_t kMaxPatterns = 256;
constexpr std::int32_t kMaxRows = 256;
constexpr std::int32_t kDefaultRows = 64;
constexpr std::int32_t kMaxInstruments = 128;
constexpr std::int32_t kMaxSamples = 16;
constexpr std::int32_t kSampleHeaderBytes = 40;
// Song header from its size field to the end of the order table; pattern header; instrument header up to
// the sample count (size field, name, type byte, count) and from the sample header size to the fadeout.
constexpr std::size_t kSongHeaderBytes = 4 + 8 * 2 + 256;
constexpr std::size_t kPatternHeaderBytes = 9;
constexpr std::size_t kInstrumentStartBytes = 4 + 23 + 2;
constexpr std::size_t kInstrumentDetailBytes = 4 + 96 + 48 + 48 + 16;
constexpr std::size_t kSignatureBytes = 17;
constexpr std::size_t kEnvelopePoints = 12;

// The open file: every access goes through the registered operations. Numbers are never decoded here:
// a header is read whole into a buffer and decoded by the byte reader. Bytes past the end of the file
// read as zero.
class Stream {
public:
    Stream(const FileCallbacks& callbacks, FileHandle handle) : files_(callbacks), handle_(handle) {}
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    ~Stream() { files_.close(handle_); }

    std::int32_t read(void* destination, std::int32_t length) { return files_.read(destination, length, handle_); }
    void seek(std::int32_t offset, std::int32_t whence) { files_.seek(handle_, offset, whence); }
    std::int32_t tell() { return files_.tell(handle_); }

    // Seeks to an absolute 64-bit position, saturated to what a 32-bit offset holds.
    void seekTo(std::int64_t position) {
        seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, INT32_MAX)), 0);
    }

    // The file's length, found by seeking to its end; the position is restored.
    std::int32_t size() {
        const std::int32_t here = tell();
        seek(0, 2);
        const std::int32_t end = tell();
        seek(here, 0);
        return end;
    }

    // Fills the zeroed buffer with the next bytes of the file and returns a reader over all of it, so
    // that a header cut short by the end of the file decodes as zeros.
    graph::ByteReader record(std::span<std::uint8_t> buffer) {
        read(buffer.data(), static_cast<std::int32_t>(buffer.size()));
        return graph::ByteReader(buffer);
    }

private:
    const FileCallbacks& files_;
    FileHandle handle_;
};

class Loader {
public:
    Loader(Stream& stream, Module& module) : in_(stream), module_(module) {}

    bool parse() {
        fileSize_ = in_.size();
        return parseSongHeader() && parsePatterns() && parseInstruments();
    }
    const std::string& error() const { return error_; }

private:
    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    bool parseSongHeader();
    bool parsePatterns();
    void unpackCells(Pattern& pattern);
    bool parseInstruments();
    bool parseInstrument(Instrument& instrument, std::int32_t index);
    void readDetails(Instrument& instrument);
    Sample& parseSampleHeader();
    void limitToFile(Sample& sample, std::int64_t& dataPosition) const;
    void readSampleData(Sample& sample, std::int32_t instrument, std::int32_t slot);

    Stream& in_;
    Module& module_;
    std::int32_t fileSize_ = 0;
    std::int32_t filePatternCount_ = 0;
    std::string error_;
};

bool Loader::parseSongHeader() {
    static constexpr char kSignature[] = "Extended Module: ";
    in_.seek(0, 0);
    std::array<std::uint8_t, kSignatureBytes> signature{};
    in_.read(signature.data(), static_cast<std::int32_t>(signature.size()));
    if (std::memcmp(signature.data(), kSignature, kSignatureBytes) != 0) {
        return fail("not an XM module (signature missing)");
    }
    in_.seek(kSongHeaderStart, 0);
    std::array<std::uint8_t, kSongHeaderBytes> buffer{};
    graph::ByteReader header = in_.record(buffer);
    const std::uint32_t headerSize = header.readU32LE();
    module_.songLength = header.readI16LE();
    module_.restartPosition = header.readI16LE();
    module_.channelCount = header.readI16LE();
    filePatternCount_ = header.readU16LE();
    module_.instrumentCount = header.readI16LE();
    module_.flags = header.readI16LE();
    module_.defaultSpeed = header.readI16LE();
    module_.defaultBpm = header.readI16LE();
    const auto orders = header.readBytes(module_.orderTable.size());
    std::copy(orders.begin(), orders.end(), module_.orderTable.begin());
    in_.seekTo(static_cast<std::int64_t>(kSongHeaderStart) + headerSize);

    if (module_.channelCount < 1 || module_.channelCount > kMaxChannels) {
        return fail("channel count " + std::to_string(module_.channelCount) + " outside 1..32");
    }
    if (static_cast<std::uint16_t>(module_.songLength) > 256) {
        return fail("song length " + std::to_string(static_cast<std::uint16_t>(module_.songLength)) + " above 256");
    }
    if (filePatternCount_ > kMaxPatterns) {
        return fail("pattern count " + std::to_string(filePatternCount_) + " above 256");
    }
    if (static_cast<std::uint16_t>(module_.instrumentCount) > kMaxInstruments) {
        return fail("instrument count " + std::to_string(static_cast<std::uint16_t>(module_.instrumentCount)) +
                    " above 128");
    }
    std::int32_t used = 0;
    for (std::int32_t i = 0; i < module_.songLength; ++i) {
        used = std::max<std::int32_t>(used, module_.orderTable[static_cast<std::size_t>(i)] + 1);
    }
    module_.usedPatternCount = used;
    module_.allocatedPatternCount = std::max(filePatternCount_, used);
    return true;
}

bool Loader::parsePatterns() {
    module_.patterns.assign(static_cast<std::size_t>(module_.allocatedPatternCount), Pattern{});
    const auto channels = static_cast<std::size_t>(module_.channelCount);
    for (std::int32_t p = 0; p < filePatternCount_; ++p) {
        Pattern& pattern = module_.patterns[static_cast<std::size_t>(p)];
        std::array<std::uint8_t, kPatternHeaderBytes> buffer{};
        graph::ByteReader header = in_.record(buffer);
        header.skip(4 + 1);  // header length (the header is always read as 9 bytes), packing type
        std::int32_t rows = header.readU16LE();
        const std::uint16_t packedSize = header.readU16LE();
        if (rows > kMaxRows) {
            return fail("pattern " + std::to_string(p) + " has " + std::to_string(rows) + " rows (above 256)");
        }
        if (rows == 0) {
            rows = kDefaultRows;
        }
        pattern.rows = rows;
        pattern.cells.assign(static_cast<std::size_t>(rows) * channels, Cell{});
        if (packedSize != 0) {
            unpackCells(pattern);
        }
    }
    for (std::int32_t p = filePatternCount_; p < module_.allocatedPatternCount; ++p) {
        Pattern& pattern = module_.patterns[static_cast<std::size_t>(p)];
        pattern.rows = kDefaultRows;
        pattern.cells.assign(static_cast<std::size_t>(kDefaultRows) * channels, Cell{});
    }
    return true;
}

// The packed size is not trusted: cells are read until the pattern is full. A cell byte with bit 7 names
// the fields that follow; any other byte is a note (or nothing) followed by the four other fields.
void Loader::unpackCells(Pattern& pattern) {
    for (Cell& cell : pattern.cells) {
        std::uint8_t b = 0;
        if (in_.read(&b, 1) != 1) {
            return;  // the file ended: the rest of the pattern stays empty
        }
        std::uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.parameter};
        if ((b & 0x80) != 0) {
            for (int i = 0; i < 5; ++i) {
                if ((b & (1u << i)) != 0) {
                    in_.read(fields[i], 1);
                }
            }
        } else {
            cell.note = b;
            for (int i = 1; i < 5; ++i) {
                in_.read(fields[i], 1);
            }
        }
        if (cell.note == 97) {
            cell.note = kKeyOffNote;
        }
        if (cell.instrument > 128) {
            cell.instrument = 0;
        }
    }
}

bool Loader::parseInstruments() {
    module_.instruments.assign(static_cast<std::size_t>(module_.instrumentCount), Instrument{});
    for (std::int32_t i = 0; i < module_.instrumentCount; ++i) {
        if (!parseInstrument(module_.instruments[static_cast<std::size_t>(i)], i)) {
            return false;
        }
    }
    return true;
}

bool Loader::parseInstrument(Instrument& instrument, std::int32_t index) {
    const std::int32_t start = in_.tell();
    std::array<std::uint8_t, kInstrumentStartBytes> buffer{};
    graph::ByteReader header = in_.record(buffer);
    const std::int64_t next = static_cast<std::int64_t>(start) + header.readU32LE();
    header.skip(23);  // name and type byte
    const std::uint16_t count = header.readU16LE();
    if (count > kMaxSamples) {
        return fail("instrument " + std::to_string(index + 1) + " has " + std::to_string(count) +
                    " samples (above 16)");
    }
    instrument.samples.fill(&emptySample());
    instrument.sampleCount = count;
    if (count > 0) {
        readDetails(instrument);
    }
    // A header size shorter than what was read would seek backwards: carry on from here instead.
    in_.seekTo(std::max<std::int64_t>(next, in_.tell()));
    if (count == 0) {
        return true;
    }
    std::int64_t dataPosition = static_cast<std::int64_t>(in_.tell()) + kSampleHeaderBytes * count;
    for (std::int32_t s = 0; s < count; ++s) {
        Sample& sample = parseSampleHeader();
        limitToFile(sample, dataPosition);
        instrument.samples[static_cast<std::size_t>(s)] = &sample;
    }
    for (std::int32_t s = 0; s < count; ++s) {
        Sample& sample = *instrument.samples[static_cast<std::size_t>(s)];
        if (sample.length > 0) {
            readSampleData(sample, index, s);
        }
    }
    return true;
}

void Loader::readDetails(Instrument& instrument) {
    std::array<std::uint8_t, kInstrumentDetailBytes> buffer{};
    graph::ByteReader details = in_.record(buffer);
    details.skip(4);  // sample header size: sample headers are always read as 40 bytes
    const auto keymap = details.readBytes(instrument.keymap.size());
    std::copy(keymap.begin(), keymap.end(), instrument.keymap.begin());
    for (EnvelopePoint& point : instrument.volumeEnvelope) {
        point.tick = details.readU16LE();
        point.value = details.readU16LE();
    }
    for (EnvelopePoint& point : instrument.panningEnvelope) {
        point.tick = details.readU16LE();
        point.value = details.readU16LE();
    }
    const auto b = details.readBytes(14);  // point counts to vibrato rate; the fadeout follows
    constexpr std::uint8_t kLastPoint = kEnvelopePoints - 1;
    instrument.volumePointCount = std::min<std::uint8_t>(b[0], kEnvelopePoints);
    instrument.panningPointCount = std::min<std::uint8_t>(b[1], kEnvelopePoints);
    instrument.volumeSustain = std::min(b[2], kLastPoint);
    instrument.volumeLoopStart = std::min(b[3], kLastPoint);
    instrument.volumeLoopEnd = std::min(b[4], kLastPoint);
    instrument.panningSustain = std::min(b[5], kLastPoint);
    instrument.panningLoopStart = std::min(b[6], kLastPoint);
    instrument.panningLoopEnd = std::min(b[7], kLastPoint);
    instrument.volumeType = b[8];
    instrument.panningType = b[9];
    instrument.vibratoType = b[10];
    instrument.vibratoSweep = b[11];
    instrument.vibratoDepth = b[12];
    instrument.vibratoRate = b[13];
    instrument.fadeout = static_cast<std::uint16_t>(details.readU16LE() << 1);
    if (instrument.volumePointCount < 2) {
        instrument.volumeType = 0;
    }
    if (instrument.panningPointCount < 2) {
        instrument.panningType = 0;
    }
}

Sample& Loader::parseSampleHeader() {
    Sample& sample = *module_.sampleStore.emplace_back(std::make_unique<Sample>());
    std::array<std::uint8_t, kSampleHeaderBytes> buffer{};
    graph::ByteReader header = in_.record(buffer);
    sample.length = header.readU32LE();
    sample.loopStart = header.readU32LE();
    sample.loopLength = header.readU32LE();
    sample.volume = header.readU8();
    sample.finetune = header.readI8();
    sample.loopMode = LoopMode::None;
    sample.bits = 8;
    const std::uint8_t type = header.readU8();
    if ((type & 1) != 0) {
        sample.loopMode = LoopMode::Forward;
    }
    if ((type & 2) != 0) {
        sample.loopMode = LoopMode::PingPong;
    }
    if ((type & 0x10) != 0) {
        sample.bits = 16;
    }
    if (sample.loopMode == LoopMode::None) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
    }
    if (sample.bits == 16) {
        sample.length /= 2;
        sample.loopStart /= 2;
        sample.loopLength /= 2;
    }
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopMode = LoopMode::None;
    }
    sample.panning = header.readU8();
    sample.relativeNote = header.readI8();  // the reserved byte and the name follow
    return sample;
}

// Cuts the length to the sample data the file still holds at the sample's data position, then keeps the
// loop inside the length so that the guard frame and the mixer stay within the frames.
void Loader::limitToFile(Sample& sample, std::int64_t& dataPosition) const {
    const std::int64_t frameBytes = sample.bits / 8;
    const std::int64_t available = std::max<std::int64_t>(0, fileSize_ - dataPosition) / frameBytes;
    sample.length = static_cast<std::uint32_t>(std::min<std::int64_t>(sample.length, available));
    dataPosition += frameBytes * sample.length;
    sample.loopStart = std::min(sample.loopStart, sample.length);
    sample.loopLength = std::min(sample.loopLength, sample.length - sample.loopStart);
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopMode = LoopMode::None;
    }
}

void Loader::readSampleData(Sample& sample, std::int32_t instrument, std::int32_t slot) {
    const std::size_t frames = sample.length + kSampleSpareFrames;
    const auto byteCount = static_cast<std::int32_t>(sample.bits / 8 * sample.length);
    std::vector<std::uint8_t> raw(frames * 2, 0);
    if (module_.sampleDataHook != nullptr) {
        module_.sampleDataHook(raw.data(), byteCount, sample.bits, instrument, slot);
        in_.seek(byteCount, 1);
    } else {
        in_.read(raw.data(), byteCount);
    }
    // An 8-bit byte becomes the high byte of a 16-bit frame.
    std::vector<std::int16_t> data(frames, 0);
    graph::ByteReader values(raw);
    for (std::uint32_t i = 0; i < sample.length; ++i) {
        data[i] = sample.bits == 8 ? static_cast<std::int16_t>(values.readU8() << 8) : values.readI16LE();
    }
    sample.bits = 16;
    if (module_.sampleDataHook == nullptr) {
        std::uint16_t sum = 0;
        for (std::uint32_t i = 0; i < sample.length; ++i) {
            sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>(data[i]));
            data[i] = static_cast<std::int16_t>(sum);
        }
    }
    const std::uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopMode == LoopMode::PingPong) {
        data[loopEnd] = data[loopEnd - 1];
    } else if (sample.loopMode == LoopMode::Forward) {
        data[loopEnd] = data[sample.loopStart];
    }
    sample.data = std::move(data);
}

}  // namespace

Module* loadModule(const char* name, SampleDataHook hook) {
    const FileCallbacks& files = fileCallbacks();
    if (!fileCallbacksComplete()) {
        musicState().lastLoadError = "no file operations registered";
        return nullptr;
    }
    auto module = std::make_unique<Module>();
    const FileHandle handle = files.open(name);
    if (handle == nullptr) {
        musicState().lastLoadError = std::string("cannot open ") + (name != nullptr ? name : "(null)");
        return nullptr;
    }
    module->sampleDataHook = hook;
    bool loaded = false;
    {
        Stream stream(files, handle);
        Loader loader(stream, *module);
        loaded = loader.parse();
        musicState().lastLoadError = loaded ? std::string() : loader.error();
    }
    if (!loaded) {
        return nullptr;
    }
    module->tickProcedure = &tick;
    return module.release();
}

const std::string& lastLoadError() {
    return musicState().lastLoadError;
}

}  // namespace music
