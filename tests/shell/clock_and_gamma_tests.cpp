// The presentation clock's float32 conversion, the Bigscreen gamma ramp, and the Demo root's end test.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graph/script_object.h"
#include "shell/bigscreen_gamma.h"
#include "shell/demo.h"
#include "shell/frame_time.h"
#include "test_script.h"

namespace {

TEST(PresentationClock, ScaleIsTheFloatConstantRoundedOnce) {
    // 0.001f is slightly above a thousandth, so 120,000 ms lands just above 120 s and 119,999 ms below it;
    // with the double 0.001 the first would be exactly 120.
    EXPECT_GT(shell::presentationTime(120000, 0), 120.0f);
    EXPECT_LT(shell::presentationTime(119999, 0), 120.0f);
    EXPECT_EQ(shell::presentationTime(120000, 0), std::nextafter(120.0f, 200.0f));
    // One rounding of the exact product. 16,777,217 ms has 25 significant bits: converting it to float
    // before multiplying would already round it.
    for (std::uint32_t ms : {1u, 3u, 7u, 999u, 65537u, 16777217u}) {
        const double exact = static_cast<double>(ms) * static_cast<double>(0.001f);
        EXPECT_EQ(shell::presentationTime(ms, 0), static_cast<float>(exact)) << ms;
    }
}

TEST(PresentationClock, ElapsedTimeIsAnUnsignedDifferenceThatSurvivesTheWrap) {
    EXPECT_EQ(shell::presentationTime(0x00000010u, 0xFFFFFFF0u), shell::presentationTime(0x20u, 0));
    EXPECT_GT(shell::presentationTime(5, 0xFFFFFFFFu), 0.0f);
    // A clock that went backwards reads as almost 50 days, never as a negative time.
    EXPECT_GT(shell::presentationTime(0, 1), 4.29e6f);
}

TEST(BigscreenGamma, PublishedEntriesAndShape) {
    const device::D3DGAMMARAMP ramp = shell::bigscreenGammaRamp();
    EXPECT_EQ(ramp.red[0], 0) << "0.5 rounds to the even 0";
    EXPECT_EQ(ramp.red[1], 1024);
    EXPECT_EQ(ramp.red[128], 38968);
    EXPECT_EQ(ramp.red[255], 65343);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(ramp.red[i], ramp.green[i]) << i;
        EXPECT_EQ(ramp.red[i], ramp.blue[i]) << i;
        // Brightening: never below the identity ramp (i x 257) except where the curve ends below the top.
        if (i > 0 && i < 255) {
            EXPECT_GT(ramp.red[i], ramp.red[i - 1]) << i;
            EXPECT_GE(ramp.red[i], i * 256) << i;
        }
        // Round to nearest: within half a step of the formula.
        const double level = std::pow(i / 256.0, 0.75) * 65535.0 + 0.5;
        EXPECT_LE(std::abs(ramp.red[i] - level), 0.5) << i;
    }
}

// The end test is a comparison that a NaN or an unordered end time never satisfies.
TEST(DemoRoot, StopsTheMusicAndEndsOnlyAtOrAfterTheEndTime) {
    shelltest::MusicCounters counters;
    shelltest::CountingMusic music(counters);
    shelltest::RecordingLayer timeline;
    shell::Demo demo(&timeline, 120.0f, &music);
    EXPECT_TRUE(demo.runFrame(119.99f));
    EXPECT_TRUE(demo.runFrame(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(counters.stops, 0);
    EXPECT_FALSE(demo.runFrame(120.0f));
    EXPECT_EQ(counters.stops, 1);
    EXPECT_EQ(timeline.updates.size(), 3u);
    EXPECT_EQ(timeline.renders.size(), 3u);

    shell::Demo never(&timeline, std::numeric_limits<float>::quiet_NaN(), nullptr);
    EXPECT_TRUE(never.runFrame(1e30f));
    shell::Demo empty(nullptr, 1.0f, nullptr);
    EXPECT_FALSE(empty.runFrame(2.0f)) << "a root without timeline or music still ends";
}

}  // namespace
