// The block loop: where ticks fall when blocks and ticks do not line up, the zeroing of the float
// stretch, modules whose ticks give no samples, and the preparation of a module for playing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "music/block_renderer.h"
#include "music/module.h"
#include "music/playback_state.h"

namespace music {
namespace {

// What the test tick procedure saw: voice 0's position (frames mixed so far at step 1) at each tick.
std::vector<std::int32_t>& tickPositions() {
    static std::vector<std::int32_t> positions;
    return positions;
}

void recordTick(Module&) { tickPositions().push_back(playbackState().voices[0].position); }

// Changes the pitch on every tick, so that output depends on where the ticks fall.
void bendTick(Module& module) {
    Voice& voice = playbackState().voices[0];
    voice.stepFraction = static_cast<std::uint32_t>(module.tickCounter) * 0x09000000u;
    ++module.tickCounter;
}

class BlockRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetPlaybackState();
        tickPositions().clear();
        module = Module{};
        sample.length = 20000;
        sample.data.resize(sample.length + kSampleSpareFrames);
        for (std::uint32_t i = 0; i < sample.length; ++i) sample.data[i] = static_cast<std::int16_t>(i % 1000);
        sample.loopLength = sample.length;
        Voice& voice = playbackState().voices[0];
        voice.sample = &sample;
        voice.gainB = voice.lastGainB = 255;  // the left output
        voice.currentGainB = 255 * 256;
        module.samplesPerTick = 100;
    }

    // Renders `blocks` blocks of `frames` frames into one PCM stream; the float stretch starts dirty.
    std::vector<std::int16_t> render(int blocks, std::int32_t frames) {
        std::vector<std::int16_t> pcm;
        std::vector<float> mix(2 * static_cast<std::size_t>(frames));
        std::vector<std::int16_t> block(2 * static_cast<std::size_t>(frames));
        for (int b = 0; b < blocks; ++b) {
            mix.assign(mix.size(), 12345.0f);
            renderBlock(module, mix.data(), block.data(), frames);
            pcm.insert(pcm.end(), block.begin(), block.end());
        }
        return pcm;
    }

    Sample sample;
    Module module;
};

TEST_F(BlockRendererTest, TicksFallEverySamplesPerTickAcrossBlocks) {
    module.tickProcedure = &recordTick;
    const std::vector<std::int16_t> pcm = render(10, 64);
    EXPECT_EQ(tickPositions(), (std::vector<std::int32_t>{0, 100, 200, 300, 400, 500, 600}));
    EXPECT_EQ(module.samplesLeftInTick, 60);
    ASSERT_EQ(pcm.size(), 1280u);
    for (std::size_t k = 0; k < 640; ++k) {
        ASSERT_EQ(pcm[2 * k], static_cast<std::int16_t>(k)) << "frame " << k;
        ASSERT_EQ(pcm[2 * k + 1], 0) << "frame " << k;
    }
}

TEST_F(BlockRendererTest, BlockSizeDoesNotChangeTheSound) {
    module.tickProcedure = &bendTick;
    const std::vector<std::int16_t> whole = render(1, 2310);
    const int ticksWhole = module.tickCounter;
    SetUp();
    module.tickProcedure = &bendTick;
    const std::vector<std::int16_t> pieces = render(30, 77);
    EXPECT_EQ(module.tickCounter, ticksWhole);
    EXPECT_EQ(ticksWhole, 24);
    EXPECT_EQ(pieces, whole);
}

TEST_F(BlockRendererTest, TickWithoutSamplesDoesNotStall) {
    module.tickProcedure = &recordTick;
    module.samplesPerTick = 0;
    const std::vector<std::int16_t> pcm = render(3, 50);
    EXPECT_EQ(tickPositions(), (std::vector<std::int32_t>{0, 50, 100}));
    EXPECT_EQ(pcm[2 * 149], 149);

    module.tickProcedure = nullptr;
    module.samplesPerTick = 40;
    const std::vector<std::int16_t> more = render(1, 50);
    EXPECT_EQ(more[2 * 49], 199);
}

TEST_F(BlockRendererTest, NothingHappensForAnEmptyRequest) {
    module.tickProcedure = &recordTick;
    std::vector<float> mix(8, 1.0f);
    std::vector<std::int16_t> pcm(8, 7);
    renderBlock(module, mix.data(), pcm.data(), 0);
    renderBlock(module, nullptr, pcm.data(), 4);
    renderBlock(module, mix.data(), nullptr, 4);
    EXPECT_TRUE(tickPositions().empty());
    EXPECT_EQ(pcm, std::vector<std::int16_t>(8, 7));
}

TEST_F(BlockRendererTest, PreparePlaybackSilencesVoicesAndStartsTheSong) {
    Voice& stale = playbackState().voices[40];
    stale.sample = &sample;
    stale.index = 3;
    stale.stepInteger = 9;
    module.defaultSpeed = 6;
    module.defaultBpm = 125;
    module.samplesLeftInTick = 17;
    module.currentRow = 12;
    preparePlayback(module);
    EXPECT_EQ(stale.sample, nullptr);
    EXPECT_EQ(stale.index, 40);
    EXPECT_EQ(stale.stepInteger, 1);
    EXPECT_EQ(playbackState().voices[0].sample, nullptr);
    EXPECT_EQ(module.samplesPerTick, 882);
    EXPECT_EQ(module.samplesLeftInTick, 0);
    EXPECT_EQ(module.speed, 6);
    EXPECT_EQ(module.currentRow, 0);
    EXPECT_EQ(playbackState().channels[5].voice, &playbackState().voices[5]);
}

}  // namespace
}  // namespace music
