// Mixer behaviour: gain ramps, interpolation, forward and ping-pong loops, the end of unlooped samples,
// corrupt voices, and the conversion to 16-bit PCM.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "music/mixer.h"
#include "music/module.h"
#include "music/playback_state.h"

namespace music {
namespace {

constexpr float kGainUnit = 1.0f / 255.0f;

// A 16-bit sample holding `frames` followed by the spare frames the loader adds. Looped samples get the
// loader's guard frame.
Sample makeSample(const std::vector<std::int16_t>& frames, LoopMode mode = LoopMode::None, std::uint32_t loopStart = 0,
                  std::uint32_t loopLength = 0) {
    Sample sample;
    sample.length = static_cast<std::uint32_t>(frames.size());
    sample.data = frames;
    sample.data.resize(frames.size() + kSampleSpareFrames, 0);
    sample.loopMode = mode;
    sample.loopStart = mode == LoopMode::None ? 0 : loopStart;
    sample.loopLength = mode == LoopMode::None ? sample.length : loopLength;
    const std::uint32_t end = sample.loopStart + sample.loopLength;
    if (mode == LoopMode::PingPong) sample.data[end] = sample.data[end - 1];
    if (mode == LoopMode::Forward) sample.data[end] = sample.data[sample.loopStart];
    return sample;
}

std::vector<std::int16_t> rampFrames(int count, int scale) {
    std::vector<std::int16_t> frames(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) frames[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * scale);
    return frames;
}

// Voice 0 on `sample` at a whole frame position and step, with its gains already settled (no ramp).
// Gain B feeds the left output and gain A the right one.
Voice& startVoice(const Sample& sample, std::int32_t position, std::int32_t stepInteger, std::int32_t leftGain,
                  std::int32_t rightGain) {
    resetPlaybackState();
    Voice& voice = playbackState().voices[0];
    voice.sample = &sample;
    voice.position = position;
    voice.stepInteger = stepInteger;
    voice.gainB = voice.lastGainB = leftGain;
    voice.gainA = voice.lastGainA = rightGain;
    voice.currentGainB = leftGain * 256;
    voice.currentGainA = rightGain * 256;
    return voice;
}

std::vector<float> mix(std::int32_t frames) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames), 0.0f);
    mixVoices(out.data(), frames);
    return out;
}

float left(const std::vector<float>& out, int frame) { return out[2 * static_cast<std::size_t>(frame)]; }
float right(const std::vector<float>& out, int frame) { return out[2 * static_cast<std::size_t>(frame) + 1]; }

// Voices left on a test's samples are cleared by the reset before the next test (fresh_music_state.cpp).
class MixerTest : public ::testing::Test {};

TEST_F(MixerTest, GainRampReachesItsTargetAfter128FramesRisingLinearly) {
    const Sample sample = makeSample(std::vector<std::int16_t>(400, 1000));
    Voice& voice = startVoice(sample, 0, 1, 0, 0);
    voice.gainA = 100;
    voice.gainB = 100;
    const std::vector<float> out = mix(300);
    const float full = 1000.0f * (100.0f * kGainUnit);
    for (int k = 0; k < 128; ++k) {
        EXPECT_NEAR(left(out, k), full * static_cast<float>(k) / 128.0f, 1e-3f) << "frame " << k;
        EXPECT_LT(left(out, k), full);
    }
    for (int k = 128; k < 300; ++k) ASSERT_EQ(left(out, k), full) << "frame " << k;
    for (int k = 0; k < 300; ++k) ASSERT_EQ(out[2 * static_cast<std::size_t>(k) + 1], left(out, k));
    EXPECT_EQ(voice.rampFramesLeft, 0);
    EXPECT_EQ(voice.currentGainA, 100 * 256);
    EXPECT_EQ(voice.rampIncrementA, 0.0f);
}

// XM panning 0 is hard left: applyChannel then gives gain A = 0 and gain B = the volume, and only the
// left output may sound, while ramping in and once settled.
TEST_F(MixerTest, PanningWeightedGainFeedsTheRightOutput) {
    const Sample sample = makeSample(std::vector<std::int16_t>(400, 1000));
    Voice& voice = startVoice(sample, 0, 1, 0, 0);
    voice.gainB = 100;
    const std::vector<float> hardLeft = mix(300);
    for (int k = 0; k < 300; ++k) ASSERT_EQ(right(hardLeft, k), 0.0f) << "frame " << k;
    EXPECT_FLOAT_EQ(left(hardLeft, 299), 1000.0f * 100.0f / 255.0f);

    startVoice(sample, 0, 1, 0, 100);
    const std::vector<float> hardRight = mix(10);
    for (int k = 0; k < 10; ++k) {
        ASSERT_EQ(left(hardRight, k), 0.0f) << "frame " << k;
        ASSERT_GT(right(hardRight, k), 0.0f) << "frame " << k;
    }
}

TEST_F(MixerTest, GainChangeDuringARampRestartsItFromTheCurrentValue) {
    const Sample sample = makeSample(std::vector<std::int16_t>(600, 1000));
    Voice& voice = startVoice(sample, 0, 1, 0, 0);
    voice.gainA = 100;
    const std::vector<float> first = mix(64);
    EXPECT_EQ(voice.rampFramesLeft, 64);
    EXPECT_NEAR(voice.currentGainA, 50 * 256, 1);
    voice.gainA = 0;
    const std::vector<float> second = mix(200);
    const float half = 1000.0f * 50.0f * kGainUnit;
    // No jump back to 0 or up to the old target: the fade down starts where the rise stopped.
    EXPECT_NEAR(right(second, 0), half, 0.5f);
    EXPECT_GT(right(second, 0), right(first, 63));
    for (int k = 0; k < 128; ++k)
        EXPECT_NEAR(right(second, k), half * static_cast<float>(128 - k) / 128.0f, 1e-2f) << "frame " << k;
    for (int k = 128; k < 200; ++k) ASSERT_EQ(right(second, k), 0.0f) << "frame " << k;
    EXPECT_EQ(voice.currentGainA, 0);
}

TEST_F(MixerTest, UnitStepReproducesTheFramesTimesTheGain) {
    std::vector<std::int16_t> frames(301);
    std::uint32_t seed = 7;
    for (auto& f : frames) {
        seed = seed * 1664525u + 1013904223u;
        f = static_cast<std::int16_t>(seed >> 16);
    }
    const Sample sample = makeSample(frames);
    startVoice(sample, 0, 1, 255, 37);
    const std::vector<float> out = mix(301);  // odd: the last frame takes the other path
    for (std::size_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(out[2 * k], static_cast<float>(frames[k])) << "frame " << k;
        ASSERT_EQ(out[2 * k + 1], static_cast<float>(frames[k]) * (37.0f * kGainUnit)) << "frame " << k;
    }
}

TEST_F(MixerTest, HalfStepInterpolatesBetweenFrames) {
    const Sample sample = makeSample(rampFrames(100, 10));
    Voice& voice = startVoice(sample, 20, 0, 255, 0);
    voice.stepFraction = 0x80000000u;
    const std::vector<float> out = mix(10);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(left(out, k), 200.0f + 5.0f * static_cast<float>(k));
    EXPECT_EQ(voice.position, 25);
    EXPECT_EQ(voice.fraction, 0u);
}

// s = x[p] + (f >> 1) x 2^-31 x (x[p+1] - x[p]) in float32, then times gain / 255, evaluated here frame by
// frame for odd steps in both directions and compared bit for bit with what the mixer's loops add.
TEST_F(MixerTest, InterpolationFollowsTheWrittenFormulaExactly) {
    std::vector<std::int16_t> frames(5000);
    std::uint32_t seed = 99;
    for (auto& f : frames) {
        seed = seed * 1664525u + 1013904223u;
        f = static_cast<std::int16_t>(seed >> 16);
    }
    const Sample sample = makeSample(frames, LoopMode::PingPong, 0, 5000);
    struct Case {
        std::int32_t position;
        std::uint32_t fraction;
        std::int32_t stepInteger;
        std::uint32_t stepFraction;
        Direction direction;
        std::int32_t frames;
    };
    for (const Case& c : {Case{100, 0x12345678u, 1, 0x5F3A1C07u, Direction::Forward, 1001},
                          Case{4500, 0xFEDCBA98u, 0, 0xBADA55EDu, Direction::Backward, 998},
                          Case{7, 0, 3, 0x00000001u, Direction::Forward, 1003}}) {
        Voice& voice = startVoice(sample, c.position, c.stepInteger, 200, 55);
        voice.fraction = c.fraction;
        voice.stepFraction = c.stepFraction;
        voice.direction = c.direction;
        const std::vector<float> out = mix(c.frames);
        const std::int64_t step = (std::int64_t{c.stepInteger} << 32) | c.stepFraction;
        std::int64_t position = (std::int64_t{c.position} << 32) | c.fraction;
        for (int k = 0; k < c.frames; ++k) {
            const auto p = static_cast<std::size_t>(position >> 32);
            const auto f = static_cast<std::uint32_t>(position);
            const float weight = static_cast<float>(static_cast<std::int32_t>(f >> 1)) * (1.0f / 2147483648.0f);
            const float s = static_cast<float>(frames[p]) +
                            weight * static_cast<float>(sample.data[p + 1] - sample.data[p]);
            ASSERT_EQ(out[2 * static_cast<std::size_t>(k)], s * (200.0f * kGainUnit)) << "frame " << k;
            ASSERT_EQ(out[2 * static_cast<std::size_t>(k) + 1], s * (55.0f * kGainUnit)) << "frame " << k;
            position += c.direction == Direction::Backward ? -step : step;
        }
    }
}

TEST_F(MixerTest, ForwardLoopWrapsByItsLength) {
    const Sample sample = makeSample(rampFrames(100, 10), LoopMode::Forward, 90, 10);
    Voice& voice = startVoice(sample, 99, 4, 255, 0);
    voice.fraction = 0x80000000u;  // 99.5: one frame reaches 103.5
    mix(1);
    EXPECT_EQ(voice.position, 93);
    EXPECT_EQ(voice.fraction, 0x80000000u);

    // A step of several loop lengths wraps as many times: 99.5 + 25 = 124.5 -> 94.5.
    voice.position = 99;
    voice.stepInteger = 25;
    mix(1);
    EXPECT_EQ(voice.position, 94);
    EXPECT_EQ(voice.sample, &sample);

    // At step 1 the loop plays 90..99 over and over.
    startVoice(sample, 95, 1, 255, 0);
    const std::vector<float> out = mix(30);
    for (int k = 0; k < 30; ++k) {
        const int frame = k < 5 ? 95 + k : 90 + (k - 5) % 10;
        ASSERT_EQ(left(out, k), static_cast<float>(frame * 10)) << "frame " << k;
    }
}

TEST_F(MixerTest, PingPongReachedAtItsEndTurnsBackFromTheLastFrame) {
    const Sample sample = makeSample(rampFrames(100, 100), LoopMode::PingPong, 90, 10);
    Voice& voice = startVoice(sample, 99, 1, 255, 0);
    mix(1);
    EXPECT_EQ(voice.position, 99);
    EXPECT_EQ(voice.fraction, 0xFFFFFFFFu);
    EXPECT_EQ(voice.direction, Direction::Backward);
}

TEST_F(MixerTest, PingPongReflectsAtBothEnds) {
    const Sample sample = makeSample(rampFrames(100, 100), LoopMode::PingPong, 90, 10);
    Voice& voice = startVoice(sample, 95, 1, 255, 0);
    const std::vector<float> out = mix(15);
    // Forward 95..99; backward just below 100 (the weight of 0xFFFFFFFF rounds to 1, so each frame sounds
    // like the one above it: the guard frame, then 99 down to 91); then forward again from exactly 90.
    const std::vector<float> expected = {9500, 9600, 9700, 9800, 9900, 9900, 9900, 9800,
                                         9700, 9600, 9500, 9400, 9300, 9200, 9100};
    for (int k = 0; k < 15; ++k) EXPECT_EQ(left(out, k), expected[static_cast<std::size_t>(k)]) << "frame " << k;
    EXPECT_EQ(voice.position, 90);
    EXPECT_EQ(voice.fraction, 0u);
    EXPECT_EQ(voice.direction, Direction::Forward);
    EXPECT_EQ(left(mix(2), 1), 9100.0f);

    // A step of 37 frames bounces 95 -> 132 -> 67.99.. -> 112 -> 87.99.. -> 92.
    startVoice(sample, 95, 37, 255, 0);
    mix(1);
    EXPECT_EQ(voice.position, 92);
    EXPECT_EQ(voice.fraction, 0u);
    EXPECT_EQ(voice.direction, Direction::Forward);
}

TEST_F(MixerTest, PingPongLoopFromFrameZeroTurnsWithoutReadingBeforeTheSample) {
    std::vector<std::int16_t> frames = rampFrames(10, 100);
    for (auto& f : frames) f = static_cast<std::int16_t>(f + 50);
    const Sample sample = makeSample(frames, LoopMode::PingPong, 0, 10);
    Voice& voice = startVoice(sample, 3, 1, 255, 0);
    voice.direction = Direction::Backward;
    const std::vector<float> out = mix(6);
    // 3, 2, 1, then reflected at exactly 0 to just below it: frame -1 with a weight of 1, i.e. frame 0.
    const std::vector<float> expected = {350, 250, 150, 50, 150, 250};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(left(out, k), expected[static_cast<std::size_t>(k)]) << "frame " << k;
    EXPECT_EQ(voice.direction, Direction::Forward);
}

TEST_F(MixerTest, UnloopedSampleEndsTheVoiceAndFallsSilent) {
    const Sample sample = makeSample(std::vector<std::int16_t>(10, 500));
    Voice& voice = startVoice(sample, 0, 1, 255, 255);
    const std::vector<float> out = mix(25);
    for (int k = 0; k < 10; ++k) ASSERT_EQ(left(out, k), 500.0f);
    for (int k = 10; k < 25; ++k) ASSERT_EQ(left(out, k), 0.0f);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0);
    EXPECT_EQ(voice.fraction, 0u);
    const std::vector<float> after = mix(8);
    for (float v : after) EXPECT_EQ(v, 0.0f);
}

TEST_F(MixerTest, EmptySampleEndsAtOnce) {
    Voice& voice = startVoice(emptySample(), 0, 1, 100, 100);
    for (float v : mix(16)) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(voice.sample, nullptr);
}

// Corrupt voices and samples: whatever they hold, the mixer reads only inside the data vector (the data
// here are exactly as long as the length says, without spare frames, so that an address sanitizer would
// see any stray read) and always finishes.
TEST_F(MixerTest, CorruptVoicesStayInsideTheirSample) {
    struct Case {
        const char* name;
        std::uint32_t loopStart, loopLength;
        LoopMode mode;
        std::int32_t position, stepInteger;
        std::uint32_t stepFraction;
        Direction direction;
    };
    const Case cases[] = {
        {"loop beyond the length", 50, 1000, LoopMode::Forward, 55, 1, 0, Direction::Forward},
        {"ping-pong beyond the length", 50, 1000, LoopMode::PingPong, 55, 3, 0, Direction::Forward},
        {"loop start beyond the length", 5000, 10, LoopMode::Forward, 0, 1, 0, Direction::Forward},
        {"position far beyond the data", 0, 60, LoopMode::Forward, 1000000, 1, 0, Direction::Forward},
        {"negative position", 0, 60, LoopMode::PingPong, -1000, 2, 0, Direction::Forward},
        {"backward below the loop", 10, 20, LoopMode::PingPong, -5000, 1, 0, Direction::Backward},
        {"backward on a forward loop", 10, 20, LoopMode::Forward, 15, 1, 0, Direction::Backward},
        {"empty forward loop", 30, 0, LoopMode::Forward, 0, 1, 0, Direction::Forward},
        {"zero step", 10, 20, LoopMode::Forward, 12, 0, 0, Direction::Forward},
        {"tiny step", 10, 20, LoopMode::PingPong, 12, 0, 3, Direction::Forward},
        {"huge step", 10, 1, LoopMode::PingPong, 10, std::numeric_limits<std::int32_t>::max(), 0, Direction::Forward},
        {"negative step", 10, 20, LoopMode::Forward, 12, -7, 0, Direction::Forward},
        {"unknown direction", 10, 20, LoopMode::PingPong, 12, 1, 0, static_cast<Direction>(9)},
        {"lowest position", 10, 20, LoopMode::PingPong, std::numeric_limits<std::int32_t>::min(), 5, 0,
         Direction::Forward},
        {"highest position", 10, 20, LoopMode::PingPong, std::numeric_limits<std::int32_t>::max(), 5, 0,
         Direction::Forward},
        {"highest position, backward", 10, 20, LoopMode::PingPong, std::numeric_limits<std::int32_t>::max(), 5, 0,
         Direction::Backward},
        {"highest position, forward loop", 10, 20, LoopMode::Forward, std::numeric_limits<std::int32_t>::max(), 1,
         0, Direction::Forward},
        {"lowest position, unlooped", 0, 60, LoopMode::None, std::numeric_limits<std::int32_t>::min(), 1000, 0,
         Direction::Forward},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sample sample;
        sample.length = 60;
        sample.data.assign(60, 1000);
        sample.loopStart = c.loopStart;
        sample.loopLength = c.loopLength;
        sample.loopMode = c.mode;
        Voice& voice = startVoice(sample, c.position, c.stepInteger, 128, 128);
        voice.stepFraction = c.stepFraction;
        voice.direction = c.direction;
        for (int block = 0; block < 4; ++block) {
            for (float v : mix(1000)) ASSERT_TRUE(std::isfinite(v) && std::fabs(v) <= 1000.0f);
        }
        // Voices that start millions of frames outside travel through silence at their own step; the
        // others have reached their loop by now.
        const bool nearby = c.position > -(1 << 20) && c.position < (1 << 20);
        if (voice.sample != nullptr && nearby) {
            EXPECT_GE(voice.position, -1);
            EXPECT_LE(voice.position, 61);
        }
    }
}

TEST_F(MixerTest, LoopBeyondTheLengthIsClampedToIt) {
    const Sample good = makeSample(rampFrames(60, 10), LoopMode::Forward, 50, 10);
    Sample bad = good;
    bad.loopLength = 1000;
    startVoice(good, 45, 1, 255, 0);
    const std::vector<float> expected = mix(100);
    startVoice(bad, 45, 1, 255, 0);
    EXPECT_EQ(mix(100), expected);
}

TEST_F(MixerTest, ConvertBlockRoundsHalfToEvenAndClamps) {
    // 7 frames: the first 8 values take the vector path where there is one, the last 6 the scalar loop.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> values = {32767.5f, -40000.0f, 2.5f, 3.5f, -2.5f, -0.5f, 1e10f, nan,
                                       32767.5f, -40000.0f, 2.5f, 3.5f, -1.5f, -32768.5f};
    const std::vector<std::int16_t> expected = {32767, -32768, 2, 4, -2, 0, 32767, -32768,
                                                32767, -32768, 2, 4, -2, -32768};
    std::vector<std::int16_t> out(values.size(), 123);
    convertBlock(out.data(), values.data(), static_cast<std::int32_t>(values.size() / 2));
    EXPECT_EQ(out, expected);

    convertBlock(out.data(), nullptr, 7);
    convertBlock(nullptr, values.data(), 7);
    convertBlock(out.data(), values.data(), 0);
    convertBlock(out.data(), values.data(), -3);
    EXPECT_EQ(out, expected);
}

TEST_F(MixerTest, OnlyTheFirst64VoicesAreMixed) {
    const Sample sample = makeSample(std::vector<std::int16_t>(100, 1000));
    startVoice(sample, 0, 1, 255, 255);
    Voice& high = playbackState().voices[kMixedVoiceCount];
    high = playbackState().voices[0];
    high.index = kMixedVoiceCount;
    playbackState().voices[0].sample = nullptr;
    for (float v : mix(10)) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(high.position, 0);
}

}  // namespace
}  // namespace music
