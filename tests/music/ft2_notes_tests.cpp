// FastTracker 2 rules for how notes start and stop: sample offsets, volume-column portamento, the
// zero-parameter extended effects, note delays, key-offs and instrument numbers. Each module is written
// by the XM writer and judged by what is heard tick by tick; the engine's own rules, which the
// presentation's soundtrack is written for, must keep their old sound on the same module.
#include <gtest/gtest.h>

#include "ft2_songs.h"

namespace {

using namespace ft2_songs;

// Row 0 starts a long unlooped sine; row 1 repeats the note with an offset past the sample's end; row 3
// remembers an offset without a note, and row 4 starts the note plainly.
xmwriter::Song offsetSong() {
    xmwriter::Song s = song(8);
    s.instruments[0] = sineInstrument(64, false, 6000);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0};
    s.patterns[0].at(1, 0) = {kC4, 1, 0, 9, 0x20};  // 8192 frames
    s.patterns[0].at(3, 0) = {0, 0, 0, 9, 0x14};    // 5120 frames, no note
    s.patterns[0].at(4, 0) = {kC4, 1, 0, 0, 0};
    return s;
}

TEST(Ft2Notes, OffsetPastTheEndSilencesAndOffsetWithoutNoteDoesNotLeak) {
    // The 6000-frame sample at 8363 Hz lasts about 36 ticks from frame 0, under 6 from frame 5120.
    const std::vector<Tick> ft2 = play(offsetSong(), "offset", PlaybackRules::FastTracker2, 40);
    EXPECT_TRUE(sounds(ft2[3]));
    for (int t = 6; t < 24; ++t) {
        EXPECT_LT(ft2[static_cast<std::size_t>(t)].level, kSilent) << "tick " << t;
    }
    for (int t = 24; t < 40; ++t) {
        EXPECT_TRUE(sounds(ft2[static_cast<std::size_t>(t)])) << "the row-4 note plays from its start, tick " << t;
    }
    // The engine restarts the running voice on row 1, and row 4 starts at the remembered offset.
    const std::vector<Tick> engine = play(offsetSong(), "offset", PlaybackRules::Engine, 40);
    EXPECT_TRUE(sounds(engine[8]));
    EXPECT_LT(engine[34].level, kSilent);
}

// C-4, then G-4 with a volume-column portamento (F1: speed 16, a semitone per tick), then a row with both
// F1 and 340: the tracker takes the volume column's speed and steps twice per tick.
xmwriter::Song volumePortaSong() {
    xmwriter::Song s = song(4);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0};
    s.patterns[0].at(1, 0) = {kC4 + 7, 0, 0xF1, 0, 0};
    s.patterns[0].at(2, 0) = {kC4 - 12, 0, 0xF1, 3, 0x40};
    return s;
}

TEST(Ft2Notes, VolumeColumnPortamentoSlidesAndStepsWithToneportamento) {
    const std::vector<Tick> ft2 = play(volumePortaSong(), "volume-porta", PlaybackRules::FastTracker2, 16);
    EXPECT_NEAR(cents(ft2[6].frequency, kC4Hz), 0.0, 1.0) << "no jump on the portamento row";
    for (int t = 7; t <= 11; ++t) {
        EXPECT_NEAR(cents(ft2[static_cast<std::size_t>(t)].frequency, kC4Hz), 100.0 * (t - 6), 1.0)
            << "tick " << t;
    }
    // Row 2 slides down from G-4 toward C-3: two steps of 16 x 4 period units, two semitones a tick.
    EXPECT_NEAR(cents(ft2[13].frequency, ft2[12].frequency), -200.0, 1.0);
    const std::vector<Tick> engine = play(volumePortaSong(), "volume-porta", PlaybackRules::Engine, 8);
    EXPECT_NEAR(cents(engine[6].frequency, kC4Hz), 700.0, 1.0) << "the engine starts the note";
}

// ED0 on a note, EC0 on the next row; E90 without a note after the unlooped note has ended.
xmwriter::Song zeroParameterSong() {
    xmwriter::Song s = song(8, 2);
    s.instruments.push_back(sineInstrument(64, false, 400));
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 14, 0xD0};
    s.patterns[0].at(2, 0) = {0, 0, 0, 14, 0xC0};
    s.patterns[0].at(0, 1) = {kC4, 2, 0x10, 0, 0};  // silent: only its voice is watched
    s.patterns[0].at(4, 1) = {0, 0, 0x50, 14, 0x90};
    return s;
}

TEST(Ft2Notes, ZeroParameterDelayCutAndRetriggerActOnTheFirstTick) {
    const std::vector<Tick> ft2 = play(zeroParameterSong(), "zero-parameter", PlaybackRules::FastTracker2, 30);
    EXPECT_TRUE(sounds(ft2[0])) << "ED0 plays its note at once";
    EXPECT_TRUE(sounds(ft2[11]));
    EXPECT_LT(ft2[12].level, kSilent) << "EC0 cuts on the row's first tick";
    const std::vector<Tick> retrigger = play(zeroParameterSong(), "zero-parameter", PlaybackRules::FastTracker2, 30, 1);
    EXPECT_EQ(retrigger[20].frequency, 0.0) << "the short note has ended";
    EXPECT_GT(retrigger[24].frequency, 0.0) << "E90 restarts it on tick 0";
    EXPECT_TRUE(sounds(ft2[24]));

    const std::vector<Tick> engine = play(zeroParameterSong(), "zero-parameter", PlaybackRules::Engine, 30);
    EXPECT_LT(engine[3].level, kSilent) << "the engine never reaches tick 0 of ED0";
}

// An envelope-less note, a delayed key-off (ED3), then a quiet note and a delayed note without an
// instrument (ED2), which keeps the quiet volume.
xmwriter::Song noteDelaySong() {
    xmwriter::Song s = song(8);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0};
    s.patterns[0].at(2, 0) = {kKeyOff, 0, 0, 14, 0xD3};
    s.patterns[0].at(4, 0) = {kC4, 1, 0x20, 0, 0};  // volume 16
    s.patterns[0].at(5, 0) = {kC4 + 4, 0, 0, 14, 0xD2};
    return s;
}

TEST(Ft2Notes, DelayedKeyOffReleasesAndDelayedNoteKeepsTheVolume) {
    const std::vector<Tick> ft2 = play(noteDelaySong(), "note-delay", PlaybackRules::FastTracker2, 40);
    EXPECT_TRUE(sounds(ft2[14])) << "the key-off waits for tick 3";
    EXPECT_LT(ft2[16].level, kSilent) << "and then releases the note";
    EXPECT_LT(ft2[23].level, kSilent);
    EXPECT_NEAR(cents(ft2[31].frequency, kC4Hz), 0.0, 1.0) << "the old note holds until tick 2";
    EXPECT_NEAR(cents(ft2[32].frequency, kC4Hz), 400.0, 1.0);
    EXPECT_NEAR(ft2[33].level, levelOf(16), 1e-3) << "the delayed note keeps the channel volume";

    const std::vector<Tick> engine = play(noteDelaySong(), "note-delay", PlaybackRules::Engine, 40);
    EXPECT_TRUE(sounds(engine[16])) << "the engine plays the note again";
    EXPECT_NEAR(engine[33].level, levelOf(64), 1e-3) << "and takes the sample's volume";
}

// Key-off on an envelope-less instrument, then a volume command alone; a note with K03.
xmwriter::Song keyOffSong() {
    xmwriter::Song s = song(8);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 0, 0};
    s.patterns[0].at(1, 0) = {kKeyOff, 0, 0, 0, 0};
    s.patterns[0].at(2, 0) = {0, 0, 0, 12, 0x20};
    s.patterns[0].at(4, 0) = {kC4, 1, 0, 20, 3};
    return s;
}

TEST(Ft2Notes, KeyOffZeroesTheVolumeAndKxxWaitsForItsTick) {
    const std::vector<Tick> ft2 = play(keyOffSong(), "key-off", PlaybackRules::FastTracker2, 32);
    EXPECT_LT(ft2[6].level, kSilent);
    EXPECT_NEAR(ft2[12].level, levelOf(32), 1e-3) << "C20 brings the released note back";
    EXPECT_TRUE(sounds(ft2[24]));
    EXPECT_TRUE(sounds(ft2[26]));
    EXPECT_LT(ft2[27].level, kSilent) << "K03 releases at tick 3";

    const std::vector<Tick> engine = play(keyOffSong(), "key-off", PlaybackRules::Engine, 32);
    EXPECT_LT(engine[12].level, kSilent) << "the engine's envelope stays at 0";
    EXPECT_LT(engine[24].level, kSilent) << "and its Kxx releases on the first tick";
}

// Instrument 2 is quiet (16). A note of instrument 1 turned down to 32, then instrument 2 alone, an
// instrument number naming no instrument, and a note that takes instrument 2.
xmwriter::Song instrumentOnlySong() {
    xmwriter::Song s = song(8);
    s.instruments.push_back(sineInstrument(16));
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 12, 0x20};
    s.patterns[0].at(1, 0) = {0, 2, 0, 0, 0};
    s.patterns[0].at(2, 0) = {0, 0, 0, 12, 0x20};
    s.patterns[0].at(3, 0) = {0, 9, 0, 0, 0};
    s.patterns[0].at(5, 0) = {kC4, 2, 0, 0, 0};
    return s;
}

TEST(Ft2Notes, InstrumentNumbersWithoutNotesRestoreThePlayingSamplesVolume) {
    const std::vector<Tick> ft2 = play(instrumentOnlySong(), "instrument-only", PlaybackRules::FastTracker2, 36);
    EXPECT_NEAR(ft2[3].level, levelOf(32), 1e-3);
    EXPECT_NEAR(ft2[9].level, levelOf(64), 1e-3) << "instrument 2 alone: the playing sample's volume 64";
    EXPECT_NEAR(ft2[21].level, levelOf(64), 1e-3) << "an instrument that does not exist: the same";
    EXPECT_NEAR(ft2[33].level, levelOf(16), 1e-3) << "the next note plays instrument 2";

    const std::vector<Tick> engine = play(instrumentOnlySong(), "instrument-only", PlaybackRules::Engine, 36);
    EXPECT_NEAR(engine[9].level, levelOf(16), 1e-3) << "the engine takes instrument 2's volume at once";
    EXPECT_LT(engine[21].level, kSilent) << "and the empty instrument's";
}

}  // namespace
