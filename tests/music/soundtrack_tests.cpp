// The built soundtrack module, loaded with the engine's loader: its figures, the commands its patterns use,
// where its sections start when the replayer plays it, and its level through the mixer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"

namespace music {
namespace {

constexpr double kMixRate = 44100.0;

std::vector<std::uint8_t> moduleBytes() {
    std::ifstream file(VELBRY_SONG_MODULE, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The bit depth of each instrument's sample as stored in the file; the loader widens all to 16 bits.
std::map<std::int32_t, std::int32_t> storedBits;

void recordBits(void* buffer, std::int32_t byteCount, std::int32_t bits, std::int32_t instrument, std::int32_t) {
    std::fill_n(static_cast<std::uint8_t*>(buffer), byteCount, std::uint8_t{0});
    storedBits[instrument] = bits;
}

class Soundtrack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bytes_ = new std::vector<std::uint8_t>(moduleBytes());
        setFileCallbacks(memoryFileCallbacks());
        setMemoryFile(bytes_->data(), static_cast<std::int32_t>(bytes_->size()));
        module_ = loadModule("velbry2007.xm", nullptr);
        setMemoryFile(nullptr, 0);
    }
    static void TearDownTestSuite() {
        delete module_;
        delete bytes_;
    }

    static std::vector<std::uint8_t>* bytes_;
    static Module* module_;
};

std::vector<std::uint8_t>* Soundtrack::bytes_ = nullptr;
Module* Soundtrack::module_ = nullptr;

TEST_F(Soundtrack, HeaderFiguresAndSize) {
    ASSERT_NE(module_, nullptr) << lastLoadError();
    EXPECT_GE(bytes_->size(), 90u * 1024u);
    EXPECT_LE(bytes_->size(), 115u * 1024u);
    EXPECT_EQ(module_->channelCount, 20);
    EXPECT_EQ(module_->songLength, 20);
    EXPECT_EQ(module_->restartPosition, 0);
    EXPECT_TRUE(module_->linearFrequencies());
    EXPECT_EQ(module_->defaultSpeed, 6);
    EXPECT_EQ(module_->defaultBpm, 160);
    EXPECT_EQ(module_->usedPatternCount, 12);
    EXPECT_EQ(module_->allocatedPatternCount, 12);
    for (const Pattern& pattern : module_->patterns) {
        EXPECT_TRUE(pattern.rows == 64 || pattern.rows == 128) << pattern.rows;
    }
}

TEST_F(Soundtrack, ElevenInstrumentsOfOneSampleWithEveryLoopModeAndBothDepths) {
    ASSERT_NE(module_, nullptr);
    ASSERT_EQ(module_->instrumentCount, 11);
    std::set<LoopMode> modes;
    for (const Instrument& instrument : module_->instruments) {
        ASSERT_EQ(instrument.sampleCount, 1);
        const Sample& sample = *instrument.samples[0];
        EXPECT_GT(sample.length, 0u);
        EXPECT_LE(sample.loopStart + sample.loopLength, sample.length);
        modes.insert(sample.loopMode);
    }
    EXPECT_EQ(modes, (std::set<LoopMode>{LoopMode::None, LoopMode::Forward, LoopMode::PingPong}));

    storedBits.clear();
    setFileCallbacks(memoryFileCallbacks());
    setMemoryFile(bytes_->data(), static_cast<std::int32_t>(bytes_->size()));
    std::unique_ptr<Module> hooked(loadModule("velbry2007.xm", &recordBits));
    setMemoryFile(nullptr, 0);
    ASSERT_NE(hooked, nullptr);
    ASSERT_EQ(storedBits.size(), 11u);
    std::set<std::int32_t> depths;
    for (const auto& entry : storedBits) {
        depths.insert(entry.second);
    }
    EXPECT_EQ(depths, (std::set<std::int32_t>{8, 16}));
}

TEST_F(Soundtrack, PatternsUseExactlyTheAgreedCommands) {
    ASSERT_NE(module_, nullptr);
    std::set<int> effects;
    std::set<int> extended;
    std::set<int> volumeKinds;  // 1 set volume, 6 slide down, 0xC set panning
    for (const Pattern& pattern : module_->patterns) {
        for (const Cell& cell : pattern.cells) {
            if (cell.effect != 0 || cell.parameter != 0) {
                effects.insert(cell.effect);
            }
            if (cell.effect == 14) {
                extended.insert(cell.parameter >> 4);
            }
            if (cell.volume >= 0x10 && cell.volume <= 0x50) {
                volumeKinds.insert(1);
            } else if (cell.volume != 0) {
                volumeKinds.insert(cell.volume >> 4);
            }
            EXPECT_TRUE(cell.note <= 96 || cell.note == kKeyOffNote);
            EXPECT_LE(cell.instrument, 11);
        }
    }
    EXPECT_EQ(effects, (std::set<int>{1, 2, 3, 4, 8, 9, 10, 12, 14, 15, 16}));
    EXPECT_EQ(extended, (std::set<int>{0x5, 0x9, 0xC}));
    EXPECT_EQ(volumeKinds, (std::set<int>{1, 6, 0xC}));
}

// Plays the replayer without mixing and notes when each order starts: the sections must begin where the
// pictures change, and the song must come back to its start at 120 s.
TEST_F(Soundtrack, SectionsStartWhereThePicturesChange) {
    ASSERT_NE(module_, nullptr);
    preparePlayback(*module_);
    std::map<std::int32_t, double> orderStart;
    double loopedAt = 0.0;
    std::int64_t samples = 0;
    std::int32_t previousOrder = -1;
    while (samples < static_cast<std::int64_t>(130 * kMixRate)) {
        module_->tickProcedure(*module_);
        if (module_->currentOrder != previousOrder) {
            if (module_->currentOrder == 0 && previousOrder > 0) {
                loopedAt = static_cast<double>(samples) / kMixRate;
                break;
            }
            orderStart.emplace(module_->currentOrder, static_cast<double>(samples) / kMixRate);
            previousOrder = module_->currentOrder;
        }
        samples += module_->samplesPerTick;
    }
    const std::map<std::int32_t, double> expected = {{4, 24.0}, {6, 36.0}, {8, 48.0}, {10, 60.0},
                                                     {13, 80.0}, {17, 100.0}};
    for (const auto& [order, seconds] : expected) {
        ASSERT_EQ(orderStart.count(order), 1u) << "order " << order;
        EXPECT_NEAR(orderStart[order], seconds, 0.02) << "order " << order;
    }
    EXPECT_NEAR(loopedAt, 120.0, 0.02);
}

// Renders the 120 seconds through the block loop: no sample may reach full scale, and every section must
// sound at a level that belongs to music, quieter in the intro than in the climaxes.
TEST_F(Soundtrack, RendersBelowFullScaleWithEverySectionAudible) {
    ASSERT_NE(module_, nullptr);
    preparePlayback(*module_);
    constexpr std::int32_t kBlock = 884;
    std::vector<float> mix(2 * kBlock);
    std::vector<std::int16_t> pcm(2 * kBlock);
    const double bounds[] = {0, 24, 36, 48, 60, 80, 100, 120};
    std::vector<double> sumSquares(7, 0.0);
    std::vector<std::int64_t> counts(7, 0);
    int peak = 0;
    const auto total = static_cast<std::int64_t>(120 * kMixRate);
    for (std::int64_t frame = 0; frame < total; frame += kBlock) {
        renderBlock(*module_, mix.data(), pcm.data(), kBlock);
        const double seconds = static_cast<double>(frame) / kMixRate;
        std::size_t section = 0;
        while (section + 1 < 7 && seconds >= bounds[section + 1]) {
            ++section;
        }
        for (std::int16_t value : pcm) {
            peak = std::max(peak, std::abs(static_cast<int>(value)));
            sumSquares[section] += static_cast<double>(value) * value;
        }
        counts[section] += 2 * kBlock;
    }
    EXPECT_LT(peak, 32767);
    std::vector<double> rmsDb;
    for (std::size_t s = 0; s < 7; ++s) {
        const double rms = std::sqrt(sumSquares[s] / static_cast<double>(counts[s])) / 32768.0;
        rmsDb.push_back(20.0 * std::log10(rms));
        EXPECT_GT(rmsDb.back(), -26.0) << "section " << s;
        EXPECT_LT(rmsDb.back(), -10.0) << "section " << s;
    }
    EXPECT_LT(rmsDb[0], rmsDb[4]);
}

}  // namespace
}  // namespace music
