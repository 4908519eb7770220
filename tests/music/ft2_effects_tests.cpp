// FastTracker 2 rules for effects that shape a playing note: E5y finetune, the fine volume slides'
// memories, global volume, tremor and arpeggio. Judged by the level and pitch heard tick by tick, with
// the engine's own rules kept as they were on the same modules.
#include <gtest/gtest.h>

#include "ft2_songs.h"

namespace {

using namespace ft2_songs;

// C-4 with E5F, then C-4 alone.
xmwriter::Song finetuneSong() {
    xmwriter::Song s = song(4);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 14, 0x5F};
    s.patterns[0].at(2, 0) = {kC4, 1, 0, 0, 0};
    return s;
}

TEST(Ft2Effects, E5SetsTheFinetuneOfItsNoteOnly) {
    // Finetune (15 - 8) x 16 = 112 lowers the linear period by 56 of the 64 units of a semitone.
    const std::vector<Tick> ft2 = play(finetuneSong(), "finetune", PlaybackRules::FastTracker2, 16);
    EXPECT_NEAR(cents(ft2[1].frequency, kC4Hz), 87.5, 1.0);
    EXPECT_NEAR(cents(ft2[13].frequency, kC4Hz), 0.0, 1.0) << "the sample keeps its finetune";

    const std::vector<Tick> engine = play(finetuneSong(), "finetune", PlaybackRules::Engine, 16);
    EXPECT_NEAR(cents(engine[1].frequency, kC4Hz), 0.0, 1.0);
    EXPECT_NEAR(cents(engine[13].frequency, kC4Hz), 7.0 / 64.0 * 100.0, 1.0) << "the engine changed the sample";
}

// Volume 16, EA4, EB2, then EA0 and EB0, which repeat their own last values.
xmwriter::Song fineVolumeSong() {
    xmwriter::Song s = song(6);
    s.patterns[0].at(0, 0) = {kC4, 1, 0x20, 0, 0};
    s.patterns[0].at(1, 0) = {0, 0, 0, 14, 0xA4};
    s.patterns[0].at(2, 0) = {0, 0, 0, 14, 0xB2};
    s.patterns[0].at(3, 0) = {0, 0, 0, 14, 0xA0};
    s.patterns[0].at(4, 0) = {0, 0, 0, 14, 0xB0};
    return s;
}

TEST(Ft2Effects, FineVolumeSlidesUpAndDownRememberApart) {
    const std::vector<Tick> ft2 = play(fineVolumeSong(), "fine-volume", PlaybackRules::FastTracker2, 30);
    const int expected[] = {16, 20, 18, 22, 20};
    for (int row = 0; row < 5; ++row) {
        EXPECT_NEAR(ft2[static_cast<std::size_t>(6 * row + 3)].level, levelOf(expected[row]), 1e-3) << "row " << row;
    }
    const std::vector<Tick> engine = play(fineVolumeSong(), "fine-volume", PlaybackRules::Engine, 30);
    EXPECT_NEAR(engine[21].level, levelOf(20), 1e-3) << "the engine's EA0 repeats EB2's value";
}

// Channel 0 plays; channel 1 is silent and sets the global volume: G10 on row 2, H04 on row 4.
xmwriter::Song globalVolumeSong() {
    xmwriter::Song s = song(6, 2);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0};
    s.patterns[0].at(0, 1) = {kC4, 1, 0x10, 0, 0};
    s.patterns[0].at(2, 1) = {0, 0, 0, 16, 0x10};
    s.patterns[0].at(4, 1) = {0, 0, 0, 17, 0x04};
    return s;
}

TEST(Ft2Effects, GlobalVolumeReachesEveryChannelInItsTick) {
    const std::vector<Tick> ft2 = play(globalVolumeSong(), "global-volume", PlaybackRules::FastTracker2, 30);
    EXPECT_NEAR(ft2[11].level, levelOf(64), 1e-3);
    EXPECT_NEAR(ft2[12].level, levelOf(64, 16), 1e-3) << "G10 on a later channel reaches channel 0 at once";
    for (int tick = 1; tick <= 4; ++tick) {
        EXPECT_NEAR(ft2[static_cast<std::size_t>(24 + tick)].level, levelOf(64, 16 - 4 * tick), 1e-3)
            << "H04, tick " << tick;
    }
    const std::vector<Tick> engine = play(globalVolumeSong(), "global-volume", PlaybackRules::Engine, 30);
    EXPECT_NEAR(engine[12].level, levelOf(64), 1e-3) << "the engine's channel 0 hears it a row later";
    EXPECT_NEAR(engine[26].level, levelOf(64, 16), 1e-3) << "and never hears the slide within the row";
}

// T21 on two rows, then a row without effect, C30, a volume byte, a note without and one with an
// instrument.
xmwriter::Song tremorSong() {
    xmwriter::Song s = song(8);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 29, 0x21};
    s.patterns[0].at(1, 0) = {0, 0, 0, 29, 0};
    s.patterns[0].at(3, 0) = {0, 0, 0, 12, 0x30};
    s.patterns[0].at(4, 0) = {0, 0, 0x40, 0, 0};
    s.patterns[0].at(5, 0) = {kC4, 0, 0, 0, 0};
    s.patterns[0].at(7, 0) = {kC4, 1, 0, 0, 0};
    return s;
}

// T00 on a channel that has never seen a tremor.
xmwriter::Song emptyTremorSong() {
    xmwriter::Song s = song(1);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 29, 0};
    return s;
}

std::string onOff(const std::vector<Tick>& ticks) {
    std::string heard;
    for (const Tick& tick : ticks) {
        heard += sounds(tick) ? '1' : '0';
    }
    return heard;
}

TEST(Ft2Effects, TremorStartsOnTickOneAndItsSilenceHolds) {
    // Three ticks on and two off from tick 1; the off phase at row 1's end holds through row 2.
    EXPECT_EQ(onOff(play(tremorSong(), "tremor", PlaybackRules::FastTracker2, 24)), "111100011100000000111111");
    EXPECT_EQ(onOff(play(emptyTremorSong(), "tremor-empty", PlaybackRules::FastTracker2, 6)), "110101")
        << "T00 with nothing remembered: one tick on, one off";

    EXPECT_EQ(onOff(play(tremorSong(), "tremor", PlaybackRules::Engine, 24)), "111001110011111111111111")
        << "the engine's tremor runs from tick 0 and stops with the effect";
    EXPECT_EQ(onOff(play(emptyTremorSong(), "tremor-empty", PlaybackRules::Engine, 6)), "000000");
}

// C-4 with arpeggio 047 at speed 18.
xmwriter::Song arpeggioSong(int speed) {
    xmwriter::Song s = song(2, 1, speed);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0x47};
    return s;
}

std::string arpeggioHeard(const std::vector<Tick>& ticks, int from, int to) {
    std::string notes;
    for (int t = from; t < to; ++t) {
        const double c = cents(ticks[static_cast<std::size_t>(t)].frequency, kC4Hz);
        notes += c < 50 ? '0' : (c < 550 ? 'x' : 'y');
    }
    return notes;
}

TEST(Ft2Effects, ArpeggioCountsTicksDownFromTheSpeed) {
    // Tick t plays by (speed - t): above 16 the third note, at 16 the base note, else by its rest of 3.
    const std::vector<Tick> fast = play(arpeggioSong(18), "arpeggio-18", PlaybackRules::FastTracker2, 18);
    EXPECT_EQ(arpeggioHeard(fast, 0, 18), "0y00yx0yx0yx0yx0yx");
    const std::vector<Tick> usual = play(arpeggioSong(6), "arpeggio-6", PlaybackRules::FastTracker2, 6);
    EXPECT_EQ(arpeggioHeard(usual, 0, 6), "0yx0yx");

    const std::vector<Tick> engine = play(arpeggioSong(18), "arpeggio-18", PlaybackRules::Engine, 18);
    EXPECT_EQ(arpeggioHeard(engine, 0, 18), "0xy0xy0xy0xy0xy0xy");
}

}  // namespace
