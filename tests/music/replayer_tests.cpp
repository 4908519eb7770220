// The replayer's timing and song position, note triggering, the voice hand-over, the volume and
// frequency a voice gets, and safety on malformed modules.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "music/periods.h"
#include "replayer_test_support.h"

namespace {

using namespace replayer_test;
using music::playbackState;

using Position = std::pair<int, int>;  // order, row

// The (order, row) of every row started during `ticks` ticks.
std::vector<Position> rowsPlayed(Module& module, int ticks) {
    std::vector<Position> rows;
    for (int i = 0; i < ticks; ++i) {
        const bool rowStarts = module.tickCounter == 0;
        music::tick(module);
        if (rowStarts) {
            rows.emplace_back(module.currentOrder, module.currentRow);
        }
    }
    return rows;
}

TEST(ReplayerTiming, SamplesPerTickFollowTempoWithFloatConstants) {
    Module module = makeSong(1, 1, 4, {0});
    start(module);
    EXPECT_EQ(module.samplesPerTick, 882);
    EXPECT_EQ(module.samplesPerTick * module.speed, 5292);
    music::setBpm(module, 160);
    EXPECT_EQ(module.samplesPerTick, 689);
    EXPECT_EQ(module.bpm, 160);
    music::setBpm(module, 32);
    EXPECT_EQ(module.samplesPerTick, 3445);
}

TEST(ReplayerTiming, TempoFollowsMixRate) {
    Module module = makeSong(1, 1, 4, {0});
    start(module);
    playbackState().mixRate = 22050;
    music::setBpm(module, 125);
    EXPECT_EQ(module.samplesPerTick, 441);
}

TEST(ReplayerTiming, ZeroOrHugeTempoStillGivesPositiveTickLength) {
    Module module = makeSong(1, 1, 4, {0}, 6, 0);
    start(module);
    EXPECT_GT(module.samplesPerTick, 0);
    music::setBpm(module, -5);
    EXPECT_GT(module.samplesPerTick, 0);
    music::setBpm(module, 1000000);
    EXPECT_EQ(module.samplesPerTick, 1);
}

TEST(ReplayerPosition, StartStateAndChannelsOnTheirVoices) {
    Module module = makeSong(4, 1, 4, {0}, 5, 125);
    module.initialGlobalVolume = 40;
    start(module);
    EXPECT_EQ(module.globalVolume, 40);
    EXPECT_EQ(module.speed, 5);
    EXPECT_EQ(module.nextRow, -1);
    EXPECT_EQ(module.nextOrder, -1);
    EXPECT_EQ(module.tickProcedure, &music::tick);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(channel(c).voice, &voice(c));
    }
}

TEST(ReplayerPosition, RowsAdvanceAfterSpeedTicksAndWrapToRestartPosition) {
    Module module = makeSong(1, 2, 2, {0, 1}, 2);
    module.restartPosition = 1;
    start(module);
    const std::vector<Position> expected = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}};
    EXPECT_EQ(rowsPlayed(module, 12), expected);
}

TEST(ReplayerPosition, BreakThenJumpTakesTheJumpsOrderAndRowZero) {
    Module module = makeSong(2, 1, 64, {0, 0, 0, 0, 0, 0}, 1);
    setCell(module, 0, 0, 0, {0, 0, 0, 13, 0x10});
    setCell(module, 0, 0, 1, {0, 0, 0, 11, 5});
    start(module);
    music::tick(module);
    EXPECT_EQ(module.nextRow, 0);
    EXPECT_EQ(module.nextOrder, 5);
    music::tick(module);
    EXPECT_EQ(module.currentOrder, 5);
    EXPECT_EQ(module.currentRow, 0);
}

TEST(ReplayerPosition, JumpThenBreakKeepsTheJumpsOrderAndTakesTheBreakRow) {
    Module module = makeSong(2, 1, 64, {0, 0, 0, 0, 0, 0}, 1);
    setCell(module, 0, 0, 0, {0, 0, 0, 11, 5});
    setCell(module, 0, 0, 1, {0, 0, 0, 13, 0x10});
    start(module);
    music::tick(module);
    EXPECT_EQ(module.nextRow, 10);
    EXPECT_EQ(module.nextOrder, 5);
}

TEST(ReplayerPosition, BreakRowIsDecimalAndAboveRow63StartsAtZero) {
    Module module = makeSong(1, 1, 64, {0, 0, 0}, 1);
    setCell(module, 0, 0, 0, {0, 0, 0, 13, 0x45});
    setCell(module, 0, 45, 0, {0, 0, 0, 13, 0x70});
    start(module);
    const std::vector<Position> expected = {{0, 0}, {1, 45}, {2, 0}};
    EXPECT_EQ(rowsPlayed(module, 3), expected);
}

TEST(ReplayerPosition, JumpBeyondSongLengthAndBreakOnLastOrderGoToOrderZero) {
    Module module = makeSong(1, 1, 8, {0, 0}, 1);
    setCell(module, 0, 0, 0, {0, 0, 0, 11, 9});
    start(module);
    music::tick(module);
    EXPECT_EQ(module.nextOrder, 0);
    module.currentOrder = 1;
    module.tickCounter = 0;
    module.nextOrder = -1;
    module.nextRow = 1;
    setCell(module, 0, 1, 0, {0, 0, 0, 13, 0x02});
    music::tick(module);
    EXPECT_EQ(module.nextOrder, 0);
    EXPECT_EQ(module.nextRow, 2);
}

TEST(ReplayerPosition, PatternLoopTwicePlaysTheRowsThreeTimes) {
    Module module = makeSong(1, 1, 8, {0}, 1);
    setCell(module, 0, 1, 0, {0, 0, 0, 14, 0x60});
    setCell(module, 0, 3, 0, {0, 0, 0, 14, 0x62});
    start(module);
    std::vector<int> rows;
    for (const Position& p : rowsPlayed(module, 12)) {
        rows.push_back(p.second);
    }
    const std::vector<int> expected = {0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5};
    EXPECT_EQ(rows, expected);
}

TEST(ReplayerPosition, SpeedZeroStartsARowOnEveryTick) {
    Module module = makeSong(1, 1, 8, {0}, 6);
    setCell(module, 0, 0, 0, {0, 0, 0, 15, 0});
    start(module);
    const std::vector<Position> expected = {{0, 0}, {0, 1}, {0, 2}, {0, 3}};
    EXPECT_EQ(rowsPlayed(module, 4), expected);
}

TEST(ReplayerPosition, PatternDelayAddsWholeRowsOfTicks) {
    Module module = makeSong(1, 1, 8, {0}, 3);
    setCell(module, 0, 0, 0, {0, 0, 0, 14, 0xE2});
    start(module);
    const std::vector<Position> rows = rowsPlayed(module, 10);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].second, 1);
    EXPECT_EQ(module.patternDelayTicks, 0);
}

TEST(ReplayerNotes, NoteStartsItsSampleAtTheC4Frequency) {
    Module module = makeSong(1, 1, 4, {0});
    const music::Sample& sample = addInstrument(module);
    setCell(module, 0, 0, 0, {kC4, 1, 0, 0, 0});
    start(module);
    music::tick(module);
    EXPECT_EQ(channel(0).period, 4608);
    EXPECT_EQ(voice(0).sample, &sample);
    EXPECT_EQ(voice(0).position, 0);
    EXPECT_EQ(voice(0).stepInteger, 0);
    EXPECT_EQ(voice(0).stepFraction, static_cast<std::uint32_t>((std::uint64_t{8363} << 32) / 44100));
    // Full volume everywhere scales to 127; centre panning splits it evenly.
    EXPECT_EQ(voice(0).volume, 127);
    EXPECT_EQ(voice(0).panning, 128);
    EXPECT_EQ(voice(0).gainA, 128 * 127 / 255);
    EXPECT_EQ(voice(0).gainB, 127 * 127 / 255);
}

TEST(ReplayerNotes, RelativeNoteFinetuneAndAmigaTable) {
    Module module = makeSong(1, 1, 4, {0}, 6, 125, false);
    addInstrument(module, {.finetune = -20, .relativeNote = 12});
    setCell(module, 0, 0, 0, {kC4, 1, 0, 0, 0});
    start(module);
    music::tick(module);
    EXPECT_EQ(channel(0).realNote, 60);
    EXPECT_EQ(channel(0).period, music::amigaPeriod(60, -20));
    const std::int32_t frequency = 14317056 / music::amigaPeriod(60, -20);
    EXPECT_EQ(voice(0).stepInteger, 0);
    EXPECT_EQ(voice(0).stepFraction, static_cast<std::uint32_t>((static_cast<std::uint64_t>(frequency) << 32) / 44100));
}

TEST(ReplayerNotes, RealNoteBelowZeroIsHeldAtTheLowestNote) {
    Module module = makeSong(1, 1, 4, {0});
    addInstrument(module, {.relativeNote = -20});
    setCell(module, 0, 0, 0, {5, 1, 0, 0, 0});
    start(module);
    music::tick(module);
    EXPECT_EQ(channel(0).realNote, 0);
    EXPECT_EQ(channel(0).period, 7680);
}

TEST(ReplayerNotes, RetriggerWhileSoundingMovesToThePartnerVoice) {
    Module module = makeSong(1, 1, 4, {0}, 1);
    const music::Sample& sample = addInstrument(module);
    for (int row = 0; row < 3; ++row) {
        setCell(module, 0, row, 0, {kC4, 1, 0, 0, 0});
    }
    start(module);
    music::tick(module);
    ASSERT_EQ(channel(0).voice, &voice(0));
    voice(0).position = 300;
    music::tick(module);
    EXPECT_EQ(channel(0).voice, &voice(32));
    EXPECT_EQ(voice(32).index, 32);
    EXPECT_EQ(voice(32).sample, &sample);
    EXPECT_EQ(voice(32).position, 0);
    EXPECT_EQ(voice(32).volume, 127);
    // The old voice keeps its sample and position but loses its gains, so the mixer ramps it out.
    EXPECT_EQ(voice(0).sample, &sample);
    EXPECT_EQ(voice(0).position, 300);
    EXPECT_EQ(voice(0).volume, 0);
    EXPECT_EQ(voice(0).gainA, 0);
    EXPECT_EQ(voice(0).gainB, 0);
    music::tick(module);
    EXPECT_EQ(channel(0).voice, &voice(0));
    EXPECT_EQ(voice(0).index, 0);
    EXPECT_EQ(voice(32).gainA, 0);
}

TEST(ReplayerNotes, IdleVoiceIsReusedOnTrigger) {
    Module module = makeSong(1, 1, 4, {0}, 1);
    addInstrument(module);
    setCell(module, 0, 0, 0, {kC4, 1, 0, 0, 0});
    setCell(module, 0, 1, 0, {kC4, 1, 0, 0, 0});
    start(module);
    music::tick(module);
    voice(0).sample = nullptr;  // the mixer reached the end of the unlooped sample
    music::tick(module);
    EXPECT_EQ(channel(0).voice, &voice(0));
}

TEST(ReplayerNotes, KeyOffSilencesAnInstrumentWithoutEnvelopeAndStartsTheFadeout) {
    Module module = makeSong(1, 1, 32, {0}, 3);
    addInstrument(module);
    module.instruments[0].fadeout = 4096;
    setCell(module, 0, 0, 0, {kC4, 1, 0, 0, 0});
    setCell(module, 0, 1, 0, {music::kKeyOffNote, 0, 0, 0, 0});
    start(module);
    runTicks(module, 3);
    EXPECT_EQ(voice(0).volume, 127);
    music::tick(module);
    EXPECT_EQ(channel(0).keyOff, 1);
    EXPECT_EQ(channel(0).volumeEnvelope.value, 0);
    EXPECT_EQ(channel(0).fadeoutVolume, 65536 - 4096);
    EXPECT_EQ(voice(0).volume, 0);
    runTicks(module, 20);
    EXPECT_EQ(channel(0).fadeoutVolume, 0);
}

TEST(ReplayerNotes, FadeoutScalesTheVoiceVolumeUnderAnEnvelope) {
    Module module = makeSong(1, 1, 4, {0}, 4);
    addInstrument(module);
    music::Instrument& instrument = module.instruments[0];
    instrument.volumeType = music::kEnvelopeOn;
    instrument.volumePointCount = 2;
    instrument.volumeEnvelope[0] = {0, 64};
    instrument.volumeEnvelope[1] = {1, 64};
    instrument.fadeout = 16384;
    setCell(module, 0, 0, 0, {kC4, 1, 0, 20, 0});
    start(module);
    music::tick(module);
    EXPECT_EQ(channel(0).fadeoutVolume, 49152);
    EXPECT_EQ(voice(0).volume, 95);  // 127.5 x 3/4, truncated
    music::tick(module);
    EXPECT_EQ(voice(0).volume, 63);
}

TEST(ReplayerNotes, PanningEnvelopeSwingsAroundTheChannelPanning) {
    Module module = makeSong(1, 1, 4, {0}, 4);
    addInstrument(module, {.panning = 128});
    music::Instrument& instrument = module.instruments[0];
    instrument.panningType = music::kEnvelopeOn;
    instrument.panningPointCount = 2;
    instrument.panningEnvelope[0] = {0, 64};
    instrument.panningEnvelope[1] = {1, 64};
    setCell(module, 0, 0, 0, {kC4, 1, 0, 0, 0});
    start(module);
    music::tick(module);
    // (128 - |128 - 128|) / 32 = 4 per envelope step: 128 + 4 x 32 clamps to 255.
    EXPECT_EQ(voice(0).panning, 255);
    EXPECT_EQ(voice(0).gainA, 127);
    EXPECT_EQ(voice(0).gainB, 0);
}

TEST(ReplayerSafety, MalformedIndicesPlaySilenceWithoutReadingOutside) {
    Module module = makeSong(40, 1, 4, {0, 200, 0}, 1);
    music::Sample& sample = addInstrument(module);
    module.instruments[0].keymap.fill(20);
    module.instruments[0].volumePointCount = 200;
    module.instruments[0].volumeType = music::kEnvelopeOn | music::kEnvelopeLoop | music::kEnvelopeSustain;
    module.instruments[0].volumeLoopStart = 90;
    module.instruments[0].volumeLoopEnd = 1;
    module.instruments[0].volumeSustain = 77;
    module.restartPosition = 300;
    for (int c = 0; c < 40; ++c) {
        setCell(module, 0, 0, c, {static_cast<std::uint8_t>(c * 6 + 1), static_cast<std::uint8_t>(c % 3), 0x35,
                                  static_cast<std::uint8_t>(c), 0xFF});
    }
    setCell(module, 0, 1, 0, {97, 200, 0, 21, 0xFF});
    start(module);
    runTicks(module, 500);
    EXPECT_NE(voice(0).sample, &sample);  // keymap slots beyond 15 select the empty sample
    module.songLength = -3;
    module.nextOrder = 400;
    runTicks(module, 50);
    for (int c = 0; c < music::kMaxChannels; ++c) {
        const std::ptrdiff_t used = channel(c).voice - playbackState().voices.data();
        EXPECT_TRUE(used == c || used == c + 32) << "channel " << c;
    }
}

// Random cells, instruments and envelopes: every voice a channel uses stays one of its two voices and
// plays one of the module's samples (run under the sanitizer build to catch any stray read).
TEST(ReplayerSafety, RandomSongsKeepChannelsOnTheirVoicesAndSamples) {
    std::mt19937 random(2007);
    const auto byte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };
    for (int song = 0; song < 40; ++song) {
        Module module = makeSong(1 + static_cast<int>(random() % 32), 3, 1 + static_cast<int>(random() % 64),
                                 {0, 1, 2, 5, 1}, static_cast<int>(random() % 8), 32 + byte(), (song & 1) != 0);
        module.restartPosition = static_cast<std::int16_t>(random() % 8);
        for (int i = 0; i < 4; ++i) {
            music::Sample& sample = addInstrument(module, {.length = 1 + static_cast<std::uint32_t>(random() % 4000),
                                                           .finetune = static_cast<std::int8_t>(byte()),
                                                           .relativeNote = static_cast<std::int8_t>(byte())});
            sample.volume = byte();
            music::Instrument& instrument = module.instruments.back();
            for (auto& slot : instrument.keymap) {
                slot = static_cast<std::uint8_t>(random() % 20);
            }
            for (std::size_t p = 0; p < 12; ++p) {
                instrument.volumeEnvelope[p] = {static_cast<std::uint16_t>(random() % 300), byte()};
                instrument.panningEnvelope[p] = {static_cast<std::uint16_t>(p * 3), byte()};
            }
            instrument.volumePointCount = byte();
            instrument.panningPointCount = static_cast<std::uint8_t>(random() % 14);
            instrument.volumeType = byte();
            instrument.panningType = byte();
            instrument.volumeSustain = byte();
            instrument.volumeLoopStart = static_cast<std::uint8_t>(random() % 14);
            instrument.volumeLoopEnd = static_cast<std::uint8_t>(random() % 14);
            instrument.vibratoType = static_cast<std::uint8_t>(random() % 6);
            instrument.vibratoSweep = byte();
            instrument.vibratoDepth = static_cast<std::uint8_t>(random() % 16);
            instrument.vibratoRate = byte();
            instrument.fadeout = static_cast<std::uint16_t>(random() & 0xFFFF);
        }
        for (music::Pattern& pattern : module.patterns) {
            for (Cell& cell : pattern.cells) {
                cell = {static_cast<std::uint8_t>(random() % 3 == 0 ? byte() : 0), static_cast<std::uint8_t>(random() % 7),
                        byte(), static_cast<std::uint8_t>(random() % 36), byte()};
            }
        }
        start(module);
        for (int t = 0; t < 400; ++t) {
            music::tick(module);
            for (int c = 0; c < module.channelCount; ++c) {
                const std::ptrdiff_t used = channel(c).voice - playbackState().voices.data();
                ASSERT_TRUE(used == c || used == c + 32) << "song " << song << " channel " << c;
                const music::Sample* sample = channel(c).voice->sample;
                bool known = sample == nullptr || sample == &music::emptySample();
                for (const auto& owned : module.sampleStore) {
                    known = known || sample == owned.get();
                }
                ASSERT_TRUE(known) << "song " << song << " channel " << c;
            }
        }
    }
}

// A panning slid far below 0 swung by a malformed envelope value: the exact sum is far below 0, so the
// voice sits hard left instead of taking a 32-bit wrap of it.
TEST(ReplayerSafety, HugePanningSwingClampsTheExactSum) {
    Module module = makeSong(1, 1, 4, {0}, 1);
    addInstrument(module);
    music::Instrument& instrument = module.instruments[0];
    instrument.panningType = music::kEnvelopeOn;
    instrument.panningPointCount = 2;
    instrument.panningEnvelope[0] = {0, 30000};
    instrument.panningEnvelope[1] = {1000, 30000};
    setCell(module, 0, 0, 0, {kC4, 1, 0, 0, 0});
    start(module);
    music::tick(module);
    channel(0).panning = -(1 << 24) + 100;
    music::tick(module);
    EXPECT_EQ(channel(0).panningEnvelope.value, 30000);
    EXPECT_EQ(voice(0).panning, 0);
    EXPECT_EQ(voice(0).gainA, 0);
}

TEST(ReplayerSafety, InstrumentOutOfRangeUsesTheEmptyRecords) {
    Module module = makeSong(1, 1, 4, {0});
    addInstrument(module);
    setCell(module, 0, 0, 0, {kC4, 9, 0, 0, 0});
    start(module);
    music::tick(module);
    EXPECT_EQ(voice(0).sample, &music::emptySample());
    EXPECT_EQ(voice(0).volume, 0);
}

}  // namespace
