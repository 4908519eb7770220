// Envelope stepping: interpolation, sustain, loops, key-off and malformed point data.
#include <gtest/gtest.h>

#include <vector>

#include "music/envelope.h"

namespace {

using music::EnvelopePoint;
using music::EnvelopeState;

struct TestEnvelope {
    std::array<EnvelopePoint, 12> points{};
    std::uint8_t count = 0;
    std::uint8_t type = music::kEnvelopeOn;
    std::uint8_t sustain = 0;
    std::uint8_t loopStart = 0;
    std::uint8_t loopEnd = 0;
    EnvelopeState state{};
    std::uint8_t keyOff = 0;

    music::EnvelopeShape shape() const { return {points, count, type, sustain, loopStart, loopEnd}; }

    std::vector<int> run(int ticks) {
        std::vector<int> values;
        for (int i = 0; i < ticks; ++i) {
            std::uint8_t flags = 0;
            music::stepEnvelope(state, shape(), keyOff, flags, music::kUpdateVolume);
            EXPECT_EQ(flags, music::kUpdateVolume);
            values.push_back(state.value);
        }
        return values;
    }
};

TEST(Envelope, InterpolatesAndEndsOnTheLastPoint) {
    TestEnvelope envelope;
    envelope.points[0] = {0, 0};
    envelope.points[1] = {4, 64};
    envelope.count = 2;
    EXPECT_EQ(envelope.run(6), (std::vector<int>{0, 16, 32, 48, 64, 64}));
    EXPECT_EQ(envelope.state.ended, 1);
}

TEST(Envelope, SustainHoldsUntilKeyOff) {
    TestEnvelope envelope;
    envelope.points[0] = {0, 0};
    envelope.points[1] = {2, 64};
    envelope.points[2] = {4, 32};
    envelope.count = 3;
    envelope.type = music::kEnvelopeOn | music::kEnvelopeSustain;
    envelope.sustain = 1;
    EXPECT_EQ(envelope.run(5), (std::vector<int>{0, 32, 64, 64, 64}));
    EXPECT_EQ(envelope.state.tick, 2);
    envelope.keyOff = 1;
    EXPECT_EQ(envelope.run(4), (std::vector<int>{64, 48, 32, 32}));
    EXPECT_EQ(envelope.state.ended, 1);
}

TEST(Envelope, LoopReturnsToItsStartForever) {
    TestEnvelope envelope;
    envelope.points[0] = {0, 0};
    envelope.points[1] = {2, 64};
    envelope.points[2] = {4, 0};
    envelope.count = 3;
    envelope.type = music::kEnvelopeOn | music::kEnvelopeLoop;
    envelope.loopStart = 0;
    envelope.loopEnd = 2;
    EXPECT_EQ(envelope.run(10), (std::vector<int>{0, 32, 64, 32, 0, 32, 64, 32, 0, 32}));
    EXPECT_EQ(envelope.state.ended, 0);
}

TEST(Envelope, SustainInsideALoopHoldsThenLoopsAfterKeyOff) {
    TestEnvelope envelope;
    envelope.points[0] = {0, 64};
    envelope.points[1] = {2, 32};
    envelope.points[2] = {4, 64};
    envelope.points[3] = {8, 0};
    envelope.count = 4;
    envelope.type = music::kEnvelopeOn | music::kEnvelopeLoop | music::kEnvelopeSustain;
    envelope.sustain = 2;
    envelope.loopStart = 1;
    envelope.loopEnd = 2;
    // Reaching point 2 jumps to the loop start (point 1) before the sustain test, so it never holds.
    EXPECT_EQ(envelope.run(8), (std::vector<int>{64, 48, 32, 48, 32, 48, 32, 48}));
}

TEST(Envelope, PointsOnTheSameTickGiveAFlatSlope) {
    TestEnvelope envelope;
    envelope.points[0] = {0, 64};
    envelope.points[1] = {0, 32};
    envelope.points[2] = {5, 0};
    envelope.count = 3;
    EXPECT_EQ(envelope.run(4), (std::vector<int>{64, 64, 64, 64}));
}

TEST(Envelope, MalformedCountsAndLoopPointsStayInsideThePoints) {
    TestEnvelope envelope;
    for (std::size_t i = 0; i < 12; ++i) {
        envelope.points[i] = {static_cast<std::uint16_t>(i * 2), static_cast<std::uint16_t>(65535 - i)};
    }
    envelope.count = 255;
    envelope.type = 7;
    envelope.loopStart = 200;
    envelope.loopEnd = 3;
    envelope.sustain = 99;
    envelope.run(40);
    EXPECT_EQ(envelope.state.ended, 1);
    EXPECT_EQ(envelope.state.value, 65535 - 11);
}

TEST(Envelope, PositionInterpolatesBetweenTheSurroundingPoints) {
    TestEnvelope envelope;
    envelope.points[0] = {0, 0};
    envelope.points[1] = {10, 64};
    envelope.points[2] = {20, 0};
    envelope.count = 3;
    music::setEnvelopePosition(envelope.state, envelope.shape(), 5);
    EXPECT_EQ(envelope.state.value, 31);  // 5 x trunc(64 x 65536 / 10) >> 16
    EXPECT_EQ(envelope.state.pointIndex, 1);
    EXPECT_EQ(envelope.state.tick, 5);
    // The jump lands on the value of tick 5; each step then adds the slope before counting the tick.
    EXPECT_EQ(envelope.run(6), (std::vector<int>{38, 44, 51, 57, 63, 64}));
    music::setEnvelopePosition(envelope.state, envelope.shape(), 15);
    EXPECT_EQ(envelope.state.value, 32);
    EXPECT_EQ(envelope.state.ended, 0);
    music::setEnvelopePosition(envelope.state, envelope.shape(), 25);
    EXPECT_EQ(envelope.state.value, 0);
    EXPECT_EQ(envelope.state.ended, 1);
    EXPECT_EQ(envelope.state.pointIndex, 3);  // the search runs on through the unused, zeroed points
}

}  // namespace
