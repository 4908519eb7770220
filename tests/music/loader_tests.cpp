// XM loader and MemoryFile: modules described with the XM writer, loaded from memory, checked field by
// field; malformed files either fail with a reason or load into a module the replayer can trust.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/replayer.h"
#include "xm_writer.h"

namespace music {
namespace {

using ModulePtr = std::unique_ptr<Module>;

ModulePtr load(const std::vector<std::uint8_t>& bytes, SampleDataHook hook = nullptr) {
    setFileCallbacks(memoryFileCallbacks());
    setMemoryFile(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return ModulePtr(loadModule("song.xm", hook));
}

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, value >> 16);
}

xmwriter::Sample sampleOf(std::vector<std::int32_t> frames, int bits = 8) {
    xmwriter::Sample sample;
    sample.bits = bits;
    sample.frames = std::move(frames);
    return sample;
}

// Two channels, one 4-row pattern, one instrument holding the given samples.
xmwriter::Song songWith(std::vector<xmwriter::Sample> samples) {
    xmwriter::Song song;
    song.channels = 2;
    song.orders = {0};
    song.patterns.emplace_back(4, 2).at(0, 0) = {49, 1, 0, 0, 0};
    song.instruments.emplace_back().samples = std::move(samples);
    return song;
}

// The writer's file with pattern 0 replaced by raw packed bytes.
std::vector<std::uint8_t> withRawPattern(const xmwriter::Song& song, std::uint16_t rows,
                                         const std::vector<std::uint8_t>& packed) {
    xmwriter::Layout layout;
    const auto original = xmwriter::writeXm(song, &layout);
    std::vector<std::uint8_t> bytes(original.begin(), original.begin() + layout.patternHeaders[0]);
    bytes.insert(bytes.end(), {9, 0, 0, 0, 0, 0, 0, 0, 0});
    put16(bytes, bytes.size() - 4, rows);
    put16(bytes, bytes.size() - 2, static_cast<std::uint16_t>(packed.size()));
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    const std::size_t after = layout.patternHeaders.size() > 1 ? layout.patternHeaders[1]
                              : layout.instrumentHeaders.empty() ? original.size()
                                                                 : layout.instrumentHeaders[0];
    bytes.insert(bytes.end(), original.begin() + after, original.end());
    return bytes;
}

// What the replayer and mixer rely on, whatever the file held.
void expectSound(const Module& module) {
    ASSERT_GE(module.channelCount, 1);
    ASSERT_LE(module.channelCount, 32);
    ASSERT_EQ(module.patterns.size(), static_cast<std::size_t>(module.allocatedPatternCount));
    for (const Pattern& pattern : module.patterns) {
        EXPECT_GE(pattern.rows, 1);
        EXPECT_LE(pattern.rows, 256);
        EXPECT_EQ(pattern.cells.size(), static_cast<std::size_t>(pattern.rows * module.channelCount));
    }
    for (const Instrument& instrument : module.instruments) {
        for (const Sample* sample : instrument.samples) {
            ASSERT_NE(sample, nullptr);
            EXPECT_LE(static_cast<std::uint64_t>(sample->loopStart) + sample->loopLength, sample->length);
            if (sample->length > 0) {
                EXPECT_EQ(sample->data.size(), sample->length + kSampleSpareFrames);
                EXPECT_EQ(sample->bits, 16);
            }
        }
        EXPECT_LE(instrument.volumePointCount, 12);
        EXPECT_LE(instrument.panningPointCount, 12);
    }
}

// --- MemoryFile and the registered operations -------------------------------------------------------

TEST(MemoryFile, ReadShortensAtTheEndAndLeavesTheRestUntouched) {
    const std::uint8_t block[5] = {1, 2, 3, 4, 5};
    setMemoryFile(block, 5);
    const FileCallbacks files = memoryFileCallbacks();
    const FileHandle handle = files.open("anything");
    EXPECT_EQ(handle, block);
    std::uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(files.read(out, 3, handle), 3);
    EXPECT_EQ(files.tell(handle), 3);
    EXPECT_EQ(files.read(out, 4, handle), 2);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(out[2], 3);  // untouched
    EXPECT_EQ(files.tell(handle), 5);
    EXPECT_EQ(files.read(out, 1, handle), 0);
    EXPECT_EQ(files.read(out, -1, handle), 0);
    files.close(handle);
    setMemoryFile(nullptr, 0);
    EXPECT_EQ(files.open("anything"), nullptr);
}

TEST(MemoryFile, SeekWhenceAndClamping) {
    const std::uint8_t block[10] = {};
    setMemoryFile(block, 10);
    const FileCallbacks files = memoryFileCallbacks();
    const FileHandle handle = files.open("x");
    files.seek(handle, 4, 0);
    EXPECT_EQ(files.tell(handle), 4);
    files.seek(handle, 3, 1);
    EXPECT_EQ(files.tell(handle), 7);
    files.seek(handle, -2, 2);
    EXPECT_EQ(files.tell(handle), 8);
    files.seek(handle, 1, 7);  // unknown whence: unchanged
    EXPECT_EQ(files.tell(handle), 8);
    files.seek(handle, 50, 1);
    EXPECT_EQ(files.tell(handle), 10);
    files.seek(handle, INT32_MAX, 1);
    EXPECT_EQ(files.tell(handle), 10);
    // No lower bound: the position may go before the start, where reads yield nothing.
    files.seek(handle, -3, 0);
    EXPECT_EQ(files.tell(handle), -3);
    std::uint8_t out = 42;
    EXPECT_EQ(files.read(&out, 1, handle), 0);
    EXPECT_EQ(out, 42);
}

TEST(FileCallbacks, StoredOnlyAsACompleteSet) {
    FileCallbacks partial = memoryFileCallbacks();
    setFileCallbacks(partial);
    EXPECT_TRUE(fileCallbacksComplete());
    partial.tell = nullptr;
    setFileCallbacks(partial);
    EXPECT_FALSE(fileCallbacksComplete());
    EXPECT_EQ(fileCallbacks().open, nullptr);
    EXPECT_EQ(fileCallbacks().read, nullptr);
    EXPECT_EQ(loadModule("x", nullptr), nullptr);
    EXPECT_FALSE(lastLoadError().empty());
}

// --- Valid modules -----------------------------------------------------------------------------------

void recordingHook(void* buffer, std::int32_t byteCount, std::int32_t bits, std::int32_t instrument,
                   std::int32_t sample);

TEST(ModuleLoader, SongHeaderAndPatternCounts) {
    xmwriter::Song song = songWith({});
    song.restartPosition = 1;
    song.flags = 1;
    song.defaultSpeed = 3;
    song.defaultBpm = 150;
    song.patterns.resize(30, xmwriter::Pattern(4, 2));
    song.orders = {0, 40, 2};
    const ModulePtr module = load(xmwriter::writeXm(song), &recordingHook);
    ASSERT_NE(module, nullptr) << lastLoadError();
    EXPECT_TRUE(lastLoadError().empty());
    EXPECT_EQ(module->songLength, 3);
    EXPECT_EQ(module->restartPosition, 1);
    EXPECT_EQ(module->channelCount, 2);
    EXPECT_TRUE(module->linearFrequencies());
    EXPECT_EQ(module->defaultSpeed, 3);
    EXPECT_EQ(module->defaultBpm, 150);
    EXPECT_EQ(module->orderTable[1], 40);
    EXPECT_EQ(module->instrumentCount, 1);
    EXPECT_EQ(module->initialGlobalVolume, 64);
    EXPECT_EQ(module->tickProcedure, &tick);
    EXPECT_EQ(module->sampleDataHook, &recordingHook);
    EXPECT_EQ(module->usedPatternCount, 41);
    EXPECT_EQ(module->allocatedPatternCount, 41);
    ASSERT_EQ(module->patterns.size(), 41u);
    EXPECT_EQ(module->patterns[29].rows, 4);
    for (std::size_t p = 30; p <= 40; ++p) {
        EXPECT_EQ(module->patterns[p].rows, 64);
        EXPECT_EQ(module->patterns[p].cells.size(), 128u);
    }

    song.orders.clear();
    const ModulePtr empty = load(xmwriter::writeXm(song));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->usedPatternCount, 0);
    EXPECT_EQ(empty->allocatedPatternCount, 30);
}

TEST(ModuleLoader, UnpacksCells) {
    xmwriter::Song song = songWith({});
    xmwriter::Pattern& pattern = song.patterns[0];
    pattern.at(0, 0) = {49, 1, 0x40, 0x0F, 0x06};  // all present: plain form
    pattern.at(1, 1) = {97, 0, 0, 0, 0};           // key off
    pattern.at(2, 0) = {12, 200, 0, 0x0A, 0};      // instrument above 128
    pattern.at(3, 1) = {0, 0, 0, 0, 0x33};
    const ModulePtr module = load(xmwriter::writeXm(song));
    ASSERT_NE(module, nullptr) << lastLoadError();
    const std::vector<Cell>& cells = module->patterns[0].cells;
    ASSERT_EQ(cells.size(), 8u);
    auto same = [](const Cell& c, std::array<int, 5> v) {
        return c.note == v[0] && c.instrument == v[1] && c.volume == v[2] && c.effect == v[3] && c.parameter == v[4];
    };
    EXPECT_TRUE(same(cells[0], {49, 1, 0x40, 0x0F, 0x06}));
    EXPECT_TRUE(same(cells[1], {0, 0, 0, 0, 0}));
    EXPECT_TRUE(same(cells[3], {255, 0, 0, 0, 0}));
    EXPECT_TRUE(same(cells[4], {12, 0, 0, 0x0A, 0}));
    EXPECT_TRUE(same(cells[7], {0, 0, 0, 0, 0x33}));
}

TEST(ModuleLoader, PlainCellBytesAndBareFlagByte) {
    // A zero lead byte is a cell without note whose four other fields follow; 0x80 is one empty cell.
    const auto bytes = withRawPattern(songWith({}), 2,
                                      {0x00, 2, 0x20, 0x01, 0x10, 0x80, 0x61, 3, 0, 0, 0, 0x84, 0x50});
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr) << lastLoadError();
    const std::vector<Cell>& cells = module->patterns[0].cells;
    EXPECT_EQ(cells[0].note, 0);
    EXPECT_EQ(cells[0].instrument, 2);
    EXPECT_EQ(cells[0].volume, 0x20);
    EXPECT_EQ(cells[0].parameter, 0x10);
    EXPECT_EQ(cells[1].note, 0);
    EXPECT_EQ(cells[2].note, 255);  // 0x61 = 97
    EXPECT_EQ(cells[2].instrument, 3);
    EXPECT_EQ(cells[3].volume, 0x50);
    // The instrument after the pattern is still found.
    EXPECT_EQ(module->instruments.size(), 1u);
}

TEST(ModuleLoader, EightBitSamplesBecomeHighBytesBeforeDecoding) {
    const ModulePtr low = load(xmwriter::writeXm(songWith({sampleOf({-128}), sampleOf({127})})));
    ASSERT_NE(low, nullptr) << lastLoadError();
    EXPECT_EQ(low->instruments[0].samples[0]->data[0], -32768);
    EXPECT_EQ(low->instruments[0].samples[1]->data[0], 32512);

    std::vector<std::int32_t> values;
    for (int i = 0; i < 300; ++i) {
        values.push_back(((i * 97 + 13) % 256) - 128);
    }
    const ModulePtr module = load(xmwriter::writeXm(songWith({sampleOf(values)})));
    ASSERT_NE(module, nullptr);
    const Sample& sample = *module->instruments[0].samples[0];
    EXPECT_EQ(sample.bits, 16);
    ASSERT_EQ(sample.length, 300u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(sample.data[i], values[i] * 256) << i;
    }
    EXPECT_EQ(sample.data[300], 0);  // unlooped: no guard frame
}

TEST(ModuleLoader, SixteenBitSamplesAreHalvedAndDecoded) {
    xmwriter::Sample sample = sampleOf({0, 32767, -32768, 1234, -1}, 16);
    sample.loop = xmwriter::LoopType::Forward;
    sample.loopStart = 1;
    sample.loopLength = 3;
    sample.volume = 40;
    sample.finetune = -16;
    sample.panning = 200;
    sample.relativeNote = -12;
    const ModulePtr module = load(xmwriter::writeXm(songWith({sample})));
    ASSERT_NE(module, nullptr);
    const Sample& loaded = *module->instruments[0].samples[0];
    EXPECT_EQ(loaded.length, 5u);
    EXPECT_EQ(loaded.loopStart, 1u);
    EXPECT_EQ(loaded.loopLength, 3u);
    EXPECT_EQ(loaded.loopMode, LoopMode::Forward);
    EXPECT_EQ(loaded.volume, 40);
    EXPECT_EQ(loaded.finetune, -16);
    EXPECT_EQ(loaded.panning, 200);
    EXPECT_EQ(loaded.relativeNote, -12);
    // The guard frame after the loop takes the place of frame 4, which a looped voice never reaches.
    const std::vector<std::int16_t> expected = {0, 32767, -32768, 1234, 32767, 0};
    EXPECT_EQ(std::vector<std::int16_t>(loaded.data.begin(), loaded.data.begin() + 6), expected);
}

TEST(ModuleLoader, LoopModesAndGuardFrames) {
    xmwriter::Sample pingPong = sampleOf({10, 20, 30, 40, 50});
    pingPong.loop = xmwriter::LoopType::PingPong;
    pingPong.loopStart = 1;
    pingPong.loopLength = 2;
    xmwriter::Sample emptyLoop = sampleOf({1, 2, 3});
    emptyLoop.loop = xmwriter::LoopType::Forward;
    emptyLoop.loopStart = 2;
    emptyLoop.loopLength = 0;
    xmwriter::Sample both = pingPong;  // type 3 below
    xmwriter::Layout layout;
    auto bytes = xmwriter::writeXm(songWith({pingPong, emptyLoop, both}), &layout);
    bytes[layout.sampleHeaders[0][2] + 14] = 3;
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr);
    const Instrument& instrument = module->instruments[0];
    const Sample& pp = *instrument.samples[0];
    EXPECT_EQ(pp.loopMode, LoopMode::PingPong);
    EXPECT_EQ(pp.data[3], pp.data[2]);
    EXPECT_EQ(pp.data[3], 30 * 256);
    const Sample& unlooped = *instrument.samples[1];
    EXPECT_EQ(unlooped.loopMode, LoopMode::None);
    EXPECT_EQ(unlooped.loopStart, 0u);
    EXPECT_EQ(unlooped.loopLength, 3u);
    EXPECT_EQ(instrument.samples[2]->loopMode, LoopMode::PingPong);
    EXPECT_EQ(instrument.samples[3], &emptySample());
    EXPECT_EQ(instrument.samples[15], &emptySample());
}

TEST(ModuleLoader, InstrumentFieldsEnvelopesAndFadeout) {
    xmwriter::Song song = songWith({sampleOf({1, 2}), sampleOf({3})});
    xmwriter::Instrument& instrument = song.instruments[0];
    instrument.keymap.fill(0);
    instrument.keymap[50] = 1;
    instrument.volumeEnvelope.points = {{0, 64}, {8, 32}, {20, 0}};
    instrument.volumeEnvelope.sustain = 1;
    instrument.volumeEnvelope.loopStart = 0;
    instrument.volumeEnvelope.loopEnd = 2;
    instrument.volumeEnvelope.type = xmwriter::kEnvelopeOn | xmwriter::kEnvelopeLoop;
    instrument.panningEnvelope.points = {{0, 32}};
    instrument.panningEnvelope.type = xmwriter::kEnvelopeOn;
    instrument.vibratoType = 1;
    instrument.vibratoSweep = 2;
    instrument.vibratoDepth = 3;
    instrument.vibratoRate = 4;
    instrument.fadeout = 0x8101;
    song.instruments.emplace_back();  // no samples
    const ModulePtr module = load(xmwriter::writeXm(song));
    ASSERT_NE(module, nullptr);
    const Instrument& loaded = module->instruments[0];
    EXPECT_EQ(loaded.sampleCount, 2);
    EXPECT_EQ(loaded.keymap[50], 1);
    EXPECT_EQ(loaded.keymap[51], 0);
    EXPECT_EQ(loaded.volumePointCount, 3);
    EXPECT_EQ(loaded.volumeEnvelope[1].tick, 8);
    EXPECT_EQ(loaded.volumeEnvelope[1].value, 32);
    EXPECT_EQ(loaded.volumeEnvelope[2].tick, 20);
    EXPECT_EQ(loaded.volumeSustain, 1);
    EXPECT_EQ(loaded.volumeLoopEnd, 2);
    EXPECT_EQ(loaded.volumeType, kEnvelopeOn | kEnvelopeLoop);
    EXPECT_EQ(loaded.panningPointCount, 1);
    EXPECT_EQ(loaded.panningType, 0);  // fewer than two points: off
    EXPECT_EQ(loaded.vibratoType, 1);
    EXPECT_EQ(loaded.vibratoSweep, 2);
    EXPECT_EQ(loaded.vibratoDepth, 3);
    EXPECT_EQ(loaded.vibratoRate, 4);
    EXPECT_EQ(loaded.fadeout, 0x0202);  // doubled within 16 bits
    EXPECT_EQ(loaded.samples[1]->data[0], 3 * 256);
    const Instrument& silent = module->instruments[1];
    EXPECT_EQ(silent.sampleCount, 0);
    for (const Sample* sample : silent.samples) {
        EXPECT_EQ(sample, &emptySample());
    }
}

struct HookCall {
    std::int32_t byteCount, bits, instrument, sample;
};
std::vector<HookCall> hookCalls;

void recordingHook(void* buffer, std::int32_t byteCount, std::int32_t bits, std::int32_t instrument,
                   std::int32_t sample) {
    hookCalls.push_back({byteCount, bits, instrument, sample});
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::int32_t i = 0; i < byteCount; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i + 1);
    }
}

TEST(ModuleLoader, SampleDataHookReplacesReadingAndDecoding) {
    xmwriter::Song song = songWith({sampleOf({5, 5, 5}), sampleOf({7, 7}, 16)});
    song.instruments.emplace_back().samples = {sampleOf({9})};
    hookCalls.clear();
    const ModulePtr module = load(xmwriter::writeXm(song), &recordingHook);
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(hookCalls.size(), 3u);
    EXPECT_EQ(hookCalls[0].byteCount, 3);
    EXPECT_EQ(hookCalls[0].bits, 8);
    EXPECT_EQ(hookCalls[1].byteCount, 4);
    EXPECT_EQ(hookCalls[1].bits, 16);
    EXPECT_EQ(hookCalls[1].sample, 1);
    EXPECT_EQ(hookCalls[2].instrument, 1);
    const Sample& eight = *module->instruments[0].samples[0];
    EXPECT_EQ(eight.data[2], 3 * 256);  // taken as they come: no delta decoding
    const Sample& sixteen = *module->instruments[0].samples[1];
    EXPECT_EQ(sixteen.data[1], 0x0403);
    EXPECT_EQ(module->instruments[1].sampleCount, 1);  // the file position moved past the data
}

// --- Malformed modules -----------------------------------------------------------------------------

TEST(ModuleLoaderRejects, BadSignatureAndUnopenableFiles) {
    auto bytes = xmwriter::writeXm(songWith({}));
    bytes[3] = 'x';
    EXPECT_EQ(load(bytes), nullptr);
    EXPECT_NE(lastLoadError().find("signature"), std::string::npos);
    const std::vector<std::uint8_t> nothing;
    EXPECT_EQ(load(nothing), nullptr);
    EXPECT_FALSE(lastLoadError().empty());
}

TEST(ModuleLoaderRejects, CountsTheFormatDoesNotAllow) {
    const auto good = xmwriter::writeXm(songWith({sampleOf({1})}));
    struct Case {
        std::size_t at;
        std::uint16_t value;
        const char* reason;
    };
    for (const Case& c : {Case{68, 0, "channel"}, Case{68, 33, "channel"}, Case{68, 0xFFFF, "channel"},
                          Case{64, 257, "song length"}, Case{64, 0x8000, "song length"},
                          Case{70, 257, "pattern count"}, Case{72, 129, "instrument count"}}) {
        auto bytes = good;
        put16(bytes, c.at, c.value);
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(load(bytes), nullptr);
        EXPECT_NE(lastLoadError().find(c.reason), std::string::npos) << lastLoadError();
    }
    auto bytes = good;
    put16(bytes, 68, 32);  // the largest channel count is fine
    EXPECT_NE(load(bytes), nullptr);
}

TEST(ModuleLoaderRejects, InstrumentsWithMoreThanSixteenSamples) {
    const ModulePtr sixteen = load(xmwriter::writeXm(songWith(std::vector<xmwriter::Sample>(16, sampleOf({1})))));
    ASSERT_NE(sixteen, nullptr);
    EXPECT_EQ(sixteen->instruments[0].samples[15]->length, 1u);
    EXPECT_EQ(load(xmwriter::writeXm(songWith(std::vector<xmwriter::Sample>(17, sampleOf({1}))))), nullptr);
    EXPECT_NE(lastLoadError().find("above 16"), std::string::npos);
}

TEST(ModuleLoaderRejects, PatternRowCounts) {
    xmwriter::Layout layout;
    auto bytes = xmwriter::writeXm(songWith({}), &layout);
    put16(bytes, layout.patternHeaders[0] + 5, 257);
    EXPECT_EQ(load(bytes), nullptr);
    EXPECT_NE(lastLoadError().find("rows"), std::string::npos);

    // Zero rows: FastTracker 2's default of 64.
    xmwriter::Song song = songWith({});
    song.patterns[0] = xmwriter::Pattern(4, 2);
    bytes = xmwriter::writeXm(song, &layout);
    put16(bytes, layout.patternHeaders[0] + 5, 0);
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->patterns[0].rows, 64);
    expectSound(*module);
}

TEST(ModuleLoaderMalformed, PackedDataRunningPastTheEndStopsThere) {
    xmwriter::Song song = songWith({});
    song.instruments.clear();
    const auto bytes = withRawPattern(song, 64, {0x83, 49, 1, 0x81, 50, 0x83, 51});  // last cell cut short
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr);
    const std::vector<Cell>& cells = module->patterns[0].cells;
    EXPECT_EQ(cells[0].note, 49);
    EXPECT_EQ(cells[1].note, 50);
    EXPECT_EQ(cells[2].note, 51);
    EXPECT_EQ(cells[2].instrument, 0);
    EXPECT_TRUE(
        std::all_of(cells.begin() + 3, cells.end(), [](const Cell& c) { return c.note == 0 && c.effect == 0; }));
}

TEST(ModuleLoaderMalformed, LoopPointsAreClampedToTheSample) {
    xmwriter::Sample beyond = sampleOf({1, 2, 3, 4});
    beyond.loop = xmwriter::LoopType::Forward;
    beyond.loopStart = 2;
    beyond.loopLength = 1000;
    xmwriter::Sample outside = beyond;
    outside.loop = xmwriter::LoopType::PingPong;
    outside.loopStart = 9;
    outside.loopLength = 5;
    const ModulePtr module = load(xmwriter::writeXm(songWith({beyond, outside})));
    ASSERT_NE(module, nullptr);
    const Sample& clamped = *module->instruments[0].samples[0];
    EXPECT_EQ(clamped.loopStart, 2u);
    EXPECT_EQ(clamped.loopLength, 2u);
    EXPECT_EQ(clamped.loopMode, LoopMode::Forward);
    EXPECT_EQ(clamped.data[4], clamped.data[2]);
    const Sample& unlooped = *module->instruments[0].samples[1];
    EXPECT_EQ(unlooped.loopMode, LoopMode::None);
    EXPECT_EQ(unlooped.loopStart, 0u);
    EXPECT_EQ(unlooped.loopLength, 4u);
    expectSound(*module);
}

TEST(ModuleLoaderMalformed, SampleLengthsAreCutToTheDataPresent) {
    xmwriter::Layout layout;
    auto bytes = xmwriter::writeXm(songWith({sampleOf({10, 20}), sampleOf({30, 40, 50}, 16)}), &layout);
    put32(bytes, layout.sampleHeaders[0][0], 0xFFFFFFF0u);  // would be 4 GB
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr);
    const Sample& first = *module->instruments[0].samples[0];
    EXPECT_EQ(first.length, 8u);  // its own 2 bytes and the second sample's 6
    EXPECT_EQ(module->instruments[0].samples[1]->length, 0u);
    expectSound(*module);

    // A sample cut by the end of the file keeps what is there.
    bytes = xmwriter::writeXm(songWith({sampleOf({10, 20, 30, 40}, 16)}), &layout);
    bytes.resize(bytes.size() - 3);
    const ModulePtr cut = load(bytes);
    ASSERT_NE(cut, nullptr);
    const Sample& partial = *cut->instruments[0].samples[0];
    EXPECT_EQ(partial.length, 2u);
    EXPECT_EQ(partial.data[1], 20);
}

TEST(ModuleLoaderMalformed, ShortInstrumentHeadersNeverSeekBackwards) {
    xmwriter::Song song = songWith({});
    song.instruments.clear();
    song.instruments.emplace_back();
    song.instruments.emplace_back().samples = {sampleOf({7, 8})};
    xmwriter::Layout layout;
    auto bytes = xmwriter::writeXm(song, &layout);
    put32(bytes, layout.instrumentHeaders[0], 0);
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->instruments[1].sampleCount, 1);
    EXPECT_EQ(module->instruments[1].samples[0]->data[1], 8 * 256);

    // A header shorter than its own fields: reading goes on right after them, whatever it finds there.
    put32(bytes, layout.instrumentHeaders[0], 29);
    put32(bytes, layout.instrumentHeaders[1], 100);
    const ModulePtr shortened = load(bytes);
    ASSERT_NE(shortened, nullptr);
    expectSound(*shortened);
}

TEST(ModuleLoaderMalformed, EnvelopeIndicesStayInTheirArrays) {
    xmwriter::Song song = songWith({sampleOf({1})});
    xmwriter::Layout layout;
    auto bytes = xmwriter::writeXm(song, &layout);
    const std::size_t counts = layout.instrumentHeaders[0] + 225;
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[counts + i] = 250;
    }
    const ModulePtr module = load(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->instruments[0].volumePointCount, 12);
    EXPECT_EQ(module->instruments[0].volumeLoopEnd, 11);
    EXPECT_EQ(module->instruments[0].panningSustain, 11);
    expectSound(*module);
}

// The loader used to clamp keymap entries to slot 15, so a 16-sample instrument whose keymap named slot
// 20 played its last sample. An entry at or past the instrument's sample count selects the empty
// sample: that note is silent.
TEST(ModuleLoaderMalformed, KeymapEntriesPastTheSamplesPlaySilence) {
    const auto peakOfNote = [](std::size_t sampleCount, std::uint8_t entry) {
        xmwriter::Song song = songWith({});
        xmwriter::Instrument& instrument = song.instruments[0];
        for (std::size_t s = 0; s < sampleCount; ++s) {
            instrument.samples.push_back(sampleOf(std::vector<std::int32_t>(2000, 40 + static_cast<int>(s))));
        }
        instrument.keymap.fill(0);
        instrument.keymap[48] = entry;  // the pattern's note 49
        const ModulePtr module = load(xmwriter::writeXm(song));
        EXPECT_NE(module, nullptr);
        if (module == nullptr) {
            return -1;
        }
        EXPECT_EQ(module->instruments[0].keymap[48], entry);
        preparePlayback(*module);
        std::vector<float> mix(2 * 1024);
        std::vector<std::int16_t> pcm(2 * 1024);
        renderBlock(*module, mix.data(), pcm.data(), 1024);
        int peak = 0;
        for (std::int16_t value : pcm) {
            peak = std::max(peak, std::abs(static_cast<int>(value)));
        }
        return peak;
    };
    EXPECT_GT(peakOfNote(16, 15), 0);
    EXPECT_EQ(peakOfNote(16, 16), 0);
    EXPECT_EQ(peakOfNote(16, 20), 0);
    EXPECT_EQ(peakOfNote(16, 255), 0);
    EXPECT_GT(peakOfNote(3, 2), 0);
    EXPECT_EQ(peakOfNote(3, 3), 0);
}

TEST(ModuleLoaderMalformed, EveryTruncationLoadsSoundlyOrFails) {
    xmwriter::Song song = songWith({sampleOf({1, -5, 100}), sampleOf({300, -300, 7}, 16)});
    song.instruments[0].samples[1].loop = xmwriter::LoopType::PingPong;
    song.instruments[0].samples[1].loopStart = 1;
    song.instruments[0].samples[1].loopLength = 2;
    song.patterns.emplace_back(8, 2).at(7, 1) = {60, 1, 0x30, 4, 0x44};
    song.orders = {1, 0, 1};
    const auto full = xmwriter::writeXm(song);
    std::size_t loaded = 0;
    for (std::size_t size = 0; size <= full.size(); ++size) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> prefix(full.begin(), full.begin() + size);
        const ModulePtr module = load(prefix);
        if (module != nullptr) {
            ++loaded;
            expectSound(*module);
        } else {
            EXPECT_FALSE(lastLoadError().empty());
        }
    }
    // Past the signature and the channel count the rest reads as zeros, which is a valid module.
    EXPECT_GT(loaded, full.size() - 70);
}

}  // namespace
}  // namespace music
