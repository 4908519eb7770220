// Volume-column and effect-column behaviour over whole rows, and the modulators' waveforms.
#include <gtest/gtest.h>

#include <vector>

#include "music/effects.h"
#include "music/modulators.h"
#include "music/periods.h"
#include "replayer_test_support.h"

namespace {

using namespace replayer_test;

// One channel playing C-4 of a 64-volume sample in row 0 with the given volume byte and effect.
Module songWithRow(std::uint8_t volume, std::uint8_t effect, std::uint8_t parameter, int speed = 6,
                   bool linear = true, SampleShape shape = {}) {
    Module module = makeSong(1, 1, 8, {0}, speed, 125, linear);
    addInstrument(module, shape);
    setCell(module, 0, 0, 0, {kC4, 1, volume, effect, parameter});
    start(module);
    return module;
}

// The channel's value after each of `ticks` ticks.
template <typename Read>
std::vector<int> perTick(Module& module, int ticks, Read read) {
    std::vector<int> values;
    for (int i = 0; i < ticks; ++i) {
        music::tick(module);
        values.push_back(read(channel(0)));
    }
    return values;
}

int volumeOf(const music::Channel& c) { return c.volume; }
int periodOf(const music::Channel& c) { return c.period; }
int periodOffsetOf(const music::Channel& c) { return c.periodOffset; }
int volumeOffsetOf(const music::Channel& c) { return c.volumeOffset; }

TEST(VolumeEffects, SetVolumeIsNotClampedButGlobalVolumeIs) {
    Module module = songWithRow(0, 12, 80);
    music::tick(module);
    EXPECT_EQ(channel(0).volume, 80);
    EXPECT_EQ(voice(0).volume, 159);  // 80/64 of full scale
    Module global = songWithRow(0, 16, 80);
    music::tick(global);
    EXPECT_EQ(global.globalVolume, 64);
}

TEST(VolumeEffects, VolumeColumnSlidesActOnEveryTickIncludingTheFirst) {
    Module down = songWithRow(0x63, 0, 0, 3);
    EXPECT_EQ(perTick(down, 3, volumeOf), (std::vector<int>{61, 58, 55}));
    Module up = songWithRow(0x75, 12, 50, 3);
    EXPECT_EQ(perTick(up, 4, volumeOf), (std::vector<int>{50, 55, 60, 60}));
    // Fine slides (8y, 9y) only on the first tick; set volume from 0x10..0x50.
    Module fine = songWithRow(0x85, 0, 0, 3);
    EXPECT_EQ(perTick(fine, 3, volumeOf), (std::vector<int>{59, 59, 59}));
    Module set = songWithRow(0x30, 0, 0, 3);
    EXPECT_EQ(perTick(set, 2, volumeOf), (std::vector<int>{32, 32}));
}

TEST(VolumeEffects, VolumeSlideUsesItsMemoryAndClamps) {
    Module module = songWithRow(0, 10, 0x0F, 6);
    setCell(module, 0, 1, 0, {0, 0, 0, 10, 0});
    setCell(module, 0, 2, 0, {0, 0, 0, 10, 0x40});
    const std::vector<int> volumes = perTick(module, 18, volumeOf);
    EXPECT_EQ(volumes[5], 64 - 5 * 15 < 0 ? 0 : 64 - 5 * 15);
    EXPECT_EQ(volumes[11], 0);  // the remembered 0x0F goes on sliding down
    EXPECT_EQ(volumes[17], 20);
}

TEST(VolumeEffects, FineVolumeSlidesShareOneMemory) {
    Module module = songWithRow(0, 14, 0xB8, 2);
    setCell(module, 0, 1, 0, {0, 0, 0, 14, 0xB0});
    setCell(module, 0, 2, 0, {0, 0, 0, 14, 0xA0});
    EXPECT_EQ(perTick(module, 6, volumeOf), (std::vector<int>{56, 56, 48, 48, 56, 56}));
}

TEST(VolumeEffects, MultiRetriggerVolumeTable) {
    const std::vector<int> expected = {30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60};
    for (std::uint8_t x = 0; x < 16; ++x) {
        EXPECT_EQ(music::multiRetriggerVolume(30, x), expected[x]) << "x = " << int{x};
    }
    EXPECT_EQ(music::multiRetriggerVolume(-3, 7), -2);
}

TEST(VolumeEffects, MultiRetriggerChangesVolumeAndRetriggersEveryYTicks) {
    Module module = songWithRow(0, 27, 0xF2, 6);
    const std::vector<int> volumes = perTick(module, 6, volumeOf);
    EXPECT_EQ(volumes, (std::vector<int>{64, 64, 64, 64, 64, 64}));
    Module down = songWithRow(0x30, 27, 0x52, 6);
    std::vector<music::Voice*> voices;
    std::vector<int> values;
    for (int i = 0; i < 6; ++i) {
        music::tick(down);
        voices.push_back(channel(0).voice);
        values.push_back(channel(0).volume);
    }
    EXPECT_EQ(values, (std::vector<int>{32, 32, 16, 16, 0, 0}));
    EXPECT_EQ(voices[1], voices[0]);
    EXPECT_NE(voices[2], voices[1]);  // retriggered onto the partner voice
    EXPECT_NE(voices[4], voices[3]);
}

TEST(VolumeEffects, TremorAlternatesOnAndOffTicks) {
    Module module = songWithRow(0, 29, 0x21, 10);
    // On for 3 ticks, off for 2, counted from the row's first tick.
    EXPECT_EQ(perTick(module, 10, volumeOffsetOf), (std::vector<int>{0, 0, 0, -64, -64, 0, 0, 0, -64, -64}));
}

TEST(VolumeEffects, TremoloStaysWithinZeroAndSixtyFour) {
    Module module = songWithRow(0x30, 7, 0x8F, 9);
    const std::vector<int> offsets = perTick(module, 9, volumeOffsetOf);
    EXPECT_EQ(offsets[0], 0);
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        EXPECT_GE(32 + offsets[i], 0);
        EXPECT_LE(32 + offsets[i], 64);
    }
    // Sine at positions 0, 8, 16, 24: depth 15 x {0, 181, 255, 181} >> 6, capped at 64 - 32.
    EXPECT_EQ((std::vector<int>{offsets[1], offsets[2], offsets[3], offsets[4]}), (std::vector<int>{0, 32, 32, 32}));
    // Positions wrap to -32..-1, where the sine pulls the volume down.
    EXPECT_LT(offsets[6], 0);
}

TEST(VolumeEffects, TremoloOffsetIsKeptWhenTheNextRowDropsIt) {
    Module module = songWithRow(0x20, 7, 0x44, 3);
    runTicks(module, 3);
    const int offset = channel(0).volumeOffset;
    ASSERT_NE(offset, 0);
    music::tick(module);
    EXPECT_EQ(channel(0).volume, 16 + offset);
}

TEST(VolumeEffects, NoteCutOnItsTick) {
    Module module = songWithRow(0, 14, 0xC2, 4);
    EXPECT_EQ(perTick(module, 4, volumeOf), (std::vector<int>{64, 64, 0, 0}));
}

TEST(VolumeEffects, GlobalVolumeSlideNeedsNoFlagAndClamps) {
    Module module = songWithRow(0, 17, 0x0F, 6);
    module.globalVolume = 40;
    runTicks(module, 6);
    EXPECT_EQ(module.globalVolume, 0);
    setCell(module, 0, 1, 0, {0, 0, 0, 17, 0x90});
    runTicks(module, 6);
    EXPECT_EQ(module.globalVolume, 45);
}

TEST(PitchEffects, PortamentoUpStopsAt56AndDownHasNoLimit) {
    Module up = songWithRow(0, 1, 0xFF, 8);
    const std::vector<int> periods = perTick(up, 8, periodOf);
    EXPECT_EQ(periods[0], 4608);
    EXPECT_EQ(periods[1], 4608 - 1020);
    EXPECT_EQ(periods[5], 56);
    Module down = songWithRow(0, 2, 0x10, 3);
    EXPECT_EQ(perTick(down, 3, periodOf), (std::vector<int>{4608, 4672, 4736}));
}

TEST(PitchEffects, FineAndExtraFinePortamentoActOnceWithTheirMemories) {
    Module module = songWithRow(0, 14, 0x13, 2);
    setCell(module, 0, 1, 0, {0, 0, 0, 14, 0x10});
    setCell(module, 0, 2, 0, {0, 0, 0, 33, 0x25});
    setCell(module, 0, 3, 0, {0, 0, 0, 33, 0x20});
    EXPECT_EQ(perTick(module, 8, periodOf), (std::vector<int>{4596, 4596, 4584, 4584, 4589, 4589, 4594, 4594}));
}

TEST(PitchEffects, TonePortamentoSlidesToTheNewNoteWithoutRetriggerAndCaps) {
    Module module = songWithRow(0, 0, 0, 4);
    setCell(module, 0, 1, 0, {kC4 + 1, 1, 0, 3, 0x05});
    runTicks(module, 4);
    music::Voice* before = channel(0).voice;
    // The target (C#4, 64 lower) is reached in steps of 20 and never passed.
    EXPECT_EQ(perTick(module, 4, periodOf), (std::vector<int>{4608, 4588, 4568, 4548}));
    // A zero parameter keeps the speed; the first tick of the row does not move.
    setCell(module, 0, 2, 0, {0, 0, 0, 3, 0});
    EXPECT_EQ(perTick(module, 4, periodOf), (std::vector<int>{4548, 4544, 4544, 4544}));
    EXPECT_EQ(channel(0).voice, before);
}

TEST(PitchEffects, VolumeColumnTonePortamentoKeepsTheVoice) {
    Module module = songWithRow(0, 0, 0, 3);
    setCell(module, 0, 1, 0, {kC4 + 12, 1, 0xF2, 0, 0});
    runTicks(module, 3);
    music::Voice* before = channel(0).voice;
    music::tick(module);
    EXPECT_EQ(channel(0).voice, before);
    EXPECT_EQ(channel(0).tonePortamentoSpeed, 32);
    EXPECT_EQ(channel(0).tonePortamentoTarget, 4608 - 768);
}

TEST(PitchEffects, ArpeggioInTheLinearTableAddsSemitonesOfSixtyFour) {
    Module module = songWithRow(0, 0, 0x37, 6);
    EXPECT_EQ(perTick(module, 6, periodOffsetOf), (std::vector<int>{0, 192, 448, 0, 192, 448}));
}

TEST(PitchEffects, ArpeggioInTheAmigaTableUsesPeriodDifferences) {
    Module module = songWithRow(0, 0, 0x37, 3, false);
    const std::vector<int> offsets = perTick(module, 3, periodOffsetOf);
    EXPECT_EQ(offsets[1], music::amigaPeriod(51, 0) - 1712);
    EXPECT_EQ(offsets[2], music::amigaPeriod(55, 0) - 1712);
    EXPECT_EQ(offsets[1], 1439 - 1712);
    // A higher note is a smaller Amiga period: the step goes up with the offset.
    EXPECT_GT(voice(0).stepFraction, static_cast<std::uint32_t>((std::uint64_t{14317056 / 1712} << 32) / 44100));
}

TEST(PitchEffects, VibratoSineOnTheFirstTickWithoutAdvancing) {
    Module module = songWithRow(0, 4, 0x48, 5);
    // Positions 0, 0, 4, 8, 12: the first tick does not advance.
    const std::vector<int> offsets = perTick(module, 5, periodOffsetOf);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_EQ(offsets[1], 0);
    EXPECT_EQ(offsets[2], -(((8 * 97) >> 5) & ~3));
    EXPECT_EQ(offsets[3], -(((8 * 181) >> 5) & ~3));
    EXPECT_EQ(offsets[4], -(((8 * 236) >> 5) & ~3));
}

TEST(Modulators, VibratoWaveforms) {
    EXPECT_EQ(music::vibratoWaveValue(0, 0), 0);
    EXPECT_EQ(music::vibratoWaveValue(0, 16), 255);
    EXPECT_EQ(music::vibratoWaveValue(0, -16), 255);
    EXPECT_EQ(music::vibratoWaveValue(0, 8), 181);
    EXPECT_EQ(music::vibratoWaveValue(1, 1), 8);
    EXPECT_EQ(music::vibratoWaveValue(1, 31), 248);
    EXPECT_EQ(music::vibratoWaveValue(1, -1), 7);
    EXPECT_EQ(music::vibratoWaveValue(1, -32), 255);
    EXPECT_EQ(music::vibratoWaveValue(2, 5), 255);
    EXPECT_EQ(music::vibratoWaveValue(3, -5), 255);
}

TEST(Modulators, VibratoSignAndPositionWrap) {
    music::Channel channel{};
    channel.vibratoDepth = 15;
    channel.vibratoSpeed = 15;
    channel.vibratoPosition = 16;
    music::vibrato(channel);
    EXPECT_EQ(channel.periodOffset, -116);
    EXPECT_EQ(channel.flags, music::kUpdateFrequency);
    music::advanceVibrato(channel);
    EXPECT_EQ(channel.vibratoPosition, 31);
    music::advanceVibrato(channel);
    EXPECT_EQ(channel.vibratoPosition, -18);
    channel.vibratoPosition = -16;
    music::vibrato(channel);
    EXPECT_EQ(channel.periodOffset, 116);
}

TEST(Modulators, TremoloRampAndSquare) {
    music::Channel channel{};
    channel.volume = 10;
    channel.tremoloDepth = 8;
    channel.tremoloSpeed = 4;
    channel.waveformControl = 0x10;
    channel.tremoloPosition = 4;
    music::tremolo(channel);
    EXPECT_EQ(channel.volumeOffset, (8 * 32) >> 6);
    EXPECT_EQ(channel.tremoloPosition, 8);
    channel.tremoloPosition = -4;
    music::tremolo(channel);
    EXPECT_EQ(channel.volumeOffset, -((8 * (255 - 224)) >> 6));
    channel.waveformControl = 0x20;
    channel.tremoloPosition = -4;
    music::tremolo(channel);
    EXPECT_EQ(channel.volumeOffset, -10);  // 31 would go below 0: the whole volume
}

TEST(Modulators, TonePortamentoCapsInBothDirections) {
    music::Channel channel{};
    channel.tonePortamentoSpeed = 30;
    channel.period = 1000;
    channel.tonePortamentoTarget = 900;
    music::tonePortamento(channel);
    EXPECT_EQ(channel.period, 900);
    channel.tonePortamentoTarget = 1000;
    music::tonePortamento(channel);
    EXPECT_EQ(channel.period, 1000);
    channel.tonePortamentoTarget = 2000;
    music::tonePortamento(channel);
    EXPECT_EQ(channel.period, 1120);
}

TEST(Modulators, AutoVibratoWaveformsSweepAndRate) {
    music::Instrument instrument{};
    instrument.vibratoDepth = 8;
    instrument.vibratoRate = 64;
    music::Channel channel{};
    const auto offsetAt = [&](std::uint8_t type, std::int32_t q) {
        instrument.vibratoType = type;
        channel.autoVibratoPosition = q;
        channel.periodOffset = 0;
        music::autoVibrato(channel, instrument);
        return channel.periodOffset;
    };
    EXPECT_EQ(offsetAt(0, 64), (8 * 63) >> 6);   // the sine peaks just below 64
    EXPECT_EQ(offsetAt(0, 192), (8 * -63) >> 6);
    EXPECT_EQ(offsetAt(1, 10), 8);
    EXPECT_EQ(offsetAt(1, 200), -8);
    EXPECT_EQ(offsetAt(2, 0), 0);
    EXPECT_EQ(offsetAt(2, 64), (8 * -32) >> 6);
    EXPECT_EQ(offsetAt(2, 192), (8 * 32) >> 6);
    EXPECT_EQ(offsetAt(3, 64), (8 * ((128 - 64) >> 1)) >> 6);
    EXPECT_EQ(offsetAt(3, 192), (8 * -32) >> 6);
    EXPECT_EQ(offsetAt(9, 64), 0);
    EXPECT_EQ(channel.autoVibratoPosition, 128);
    channel.autoVibratoPosition = 250;
    music::autoVibrato(channel, instrument);
    EXPECT_EQ(channel.autoVibratoPosition, 58);

    // The sweep fades the depth in over `sweep` ticks.
    instrument.vibratoType = 1;
    instrument.vibratoSweep = 4;
    channel = music::Channel{};
    std::vector<int> offsets;
    for (int i = 0; i < 6; ++i) {
        channel.periodOffset = 0;
        channel.autoVibratoPosition = 0;
        music::autoVibrato(channel, instrument);
        offsets.push_back(channel.periodOffset);
    }
    EXPECT_EQ(offsets, (std::vector<int>{0, 2, 4, 6, 8, 8}));
}

TEST(PanningEffects, SetPanningSlideAndVolumeColumnPanning) {
    Module module = songWithRow(0, 8, 200, 2);
    setCell(module, 0, 1, 0, {0, 0, 0, 25, 0xF0});
    setCell(module, 0, 2, 0, {0, 0, 0xC3, 14, 0x8A});
    setCell(module, 0, 3, 0, {0, 0, 0xD5, 25, 0x04});
    const std::vector<int> pans = perTick(module, 8, [](const music::Channel& c) { return c.panning; });
    // The slide acts on later ticks only; in row 2 the effect column's E8A overrides the volume
    // column's C3; in row 3 both slides act on the later tick (-5, then -4).
    EXPECT_EQ(pans, (std::vector<int>{200, 200, 200, 215, 160, 160, 155, 146}));
}

TEST(SampleEffects, SampleOffsetStartsInsideTheSampleOrRestartsBeyondItsEnd) {
    Module module = songWithRow(0, 9, 0x02, 2, true, {.length = 1000});
    music::tick(module);
    EXPECT_EQ(voice(0).position, 512);
    EXPECT_EQ(voice(0).startOffset, 0u);
    // 0x04 x 256 = 1024 lies beyond the sample: no new note, the sounding voice restarts from 0.
    setCell(module, 0, 1, 0, {kC4, 1, 0, 9, 0x04});
    music::tick(module);
    voice(0).position = 700;
    music::tick(module);
    EXPECT_EQ(channel(0).voice, &voice(0));
    EXPECT_EQ(voice(0).position, 0);
}

TEST(SampleEffects, RetriggerEveryYTicks) {
    Module module = songWithRow(0, 14, 0x93, 7);
    std::vector<int> voices;
    for (int i = 0; i < 7; ++i) {
        music::tick(module);
        voices.push_back(static_cast<int>(channel(0).voice->index));
    }
    EXPECT_EQ(voices, (std::vector<int>{0, 0, 0, 32, 32, 32, 0}));
}

TEST(SampleEffects, NoteDelayHoldsTheRowBackUntilItsTick) {
    Module module = makeSong(1, 1, 8, {0}, 4);
    addInstrument(module, {.volume = 40});
    setCell(module, 0, 0, 0, {kC4, 1, 0x20, 0, 0});
    setCell(module, 0, 1, 0, {kC4 + 12, 1, 0x30, 14, 0xD2});
    start(module);
    runTicks(module, 4);
    ASSERT_EQ(channel(0).volume, 16);
    music::tick(module);
    EXPECT_EQ(channel(0).period, 4608);
    EXPECT_EQ(channel(0).volume, 16);
    EXPECT_EQ(channel(0).voice, &voice(0));
    music::tick(module);
    EXPECT_EQ(channel(0).voice, &voice(0));
    music::tick(module);
    EXPECT_EQ(channel(0).period, 3840);
    EXPECT_EQ(channel(0).volume, 32);
    EXPECT_EQ(channel(0).voice, &voice(32));
}

TEST(SampleEffects, KeyOffEffectAndEnvelopePosition) {
    Module module = makeSong(1, 1, 8, {0}, 2);
    addInstrument(module);
    music::Instrument& instrument = module.instruments[0];
    instrument.volumeType = music::kEnvelopeOn | music::kEnvelopeSustain;
    instrument.volumePointCount = 3;
    instrument.volumeSustain = 1;
    instrument.volumeEnvelope[0] = {0, 0};
    instrument.volumeEnvelope[1] = {10, 64};
    instrument.volumeEnvelope[2] = {20, 0};
    setCell(module, 0, 0, 0, {kC4, 1, 0, 21, 5});
    setCell(module, 0, 1, 0, {0, 0, 0, 20, 0});
    start(module);
    music::tick(module);
    EXPECT_EQ(channel(0).volumeEnvelope.value, 31);
    EXPECT_EQ(channel(0).volumeEnvelope.tick, 5);
    music::tick(module);
    EXPECT_EQ(channel(0).volumeEnvelope.value, 38);
    music::tick(module);
    EXPECT_EQ(channel(0).keyOff, 1);
}

TEST(Effects, SpeedAndTempo) {
    Module module = songWithRow(0, 15, 31, 6);
    music::tick(module);
    EXPECT_EQ(module.speed, 31);
    Module tempo = songWithRow(0, 15, 32, 6);
    music::tick(tempo);
    EXPECT_EQ(tempo.speed, 6);
    EXPECT_EQ(tempo.bpm, 32);
    EXPECT_EQ(tempo.samplesPerTick, 3445);
}

TEST(Effects, UnknownTypesDoNothing) {
    for (std::uint8_t type : {18, 19, 22, 34, 200, 255}) {
        Module module = songWithRow(0, type, 0xFF, 2);
        runTicks(module, 2);
        EXPECT_EQ(channel(0).volume, 64);
        EXPECT_EQ(channel(0).period, 4608);
    }
}

}  // namespace
