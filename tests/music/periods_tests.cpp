// Note periods and voice steps in both frequency tables.
#include <gtest/gtest.h>

#include <vector>

#include "music/periods.h"

namespace {

TEST(Periods, AmigaPeriodsFollowTheFourTimesAmigaTable) {
    std::vector<int> octave;
    for (int note = 48; note <= 60; ++note) {
        octave.push_back(music::amigaPeriod(note, 0));
    }
    EXPECT_EQ(octave, (std::vector<int>{1712, 1615, 1525, 1439, 1358, 1282, 1210, 1142, 1078, 1017, 960, 906, 856}));
    EXPECT_EQ(music::amigaPeriod(0, 0), 27392);
}

TEST(Periods, AmigaFinetuneMovesTowardTheNeighbouringSemitones) {
    EXPECT_EQ(music::amigaPeriod(48, 127), 1616);
    EXPECT_EQ(music::amigaPeriod(48, -64), 1762);
    EXPECT_EQ(music::amigaPeriod(48, -128), 1813);
    // Note 0 always takes the upward neighbour, even for a negative finetune.
    EXPECT_EQ(music::amigaPeriod(0, -50), 27992);
}

TEST(Periods, LinearPeriodsAndFrequencies) {
    EXPECT_EQ(music::notePeriod(true, 48, 0), 4608);
    EXPECT_EQ(music::notePeriod(true, 48, -15), 4608 + 7);  // finetune / 2 truncates toward zero
    EXPECT_EQ(music::periodFrequency(true, 4608, 0), 8363);
    EXPECT_EQ(music::periodFrequency(true, 3840, 0), 16726);
    EXPECT_EQ(music::periodFrequency(true, 5376, 0), 4181);
    // A positive offset raises the pitch in the linear table and lowers it in the Amiga table.
    EXPECT_EQ(music::periodFrequency(true, 4608, 64), 8860);
    EXPECT_EQ(music::periodFrequency(false, 1712, 0), 8362);
    EXPECT_LT(music::periodFrequency(false, 1712, 64), 8362);
    EXPECT_EQ(music::periodFrequency(false, 1712, -1712), 0);
    // Wildly high notes saturate instead of overflowing.
    EXPECT_EQ(music::periodFrequency(true, -20000, 1000), 2147483647);
}

TEST(Periods, VoiceStepIsThirtyTwoDotThirtyTwo) {
    music::Voice voice;
    music::setVoiceStep(voice, 44100 * 2 + 11025, 44100);
    EXPECT_EQ(voice.stepInteger, 2);
    EXPECT_EQ(voice.stepFraction, 0x40000000u);
    music::setVoiceStep(voice, 5, 44100);  // below 100 Hz plays at 100 Hz
    EXPECT_EQ(voice.stepInteger, 0);
    EXPECT_EQ(voice.stepFraction, static_cast<std::uint32_t>((std::uint64_t{100} << 32) / 44100));
}

}  // namespace
