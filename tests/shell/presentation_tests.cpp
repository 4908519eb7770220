// The shell's start-up, frame loop and tear-down through the scripted platform: the end of the
// presentation at 120 s, Escape and close requests while loading and while playing, the quit message's
// exit code, a lost device, failures at start-up, and the Bigscreen ramp on the presented frame.
#include "shell/presentation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "device/device_state.h"
#include "platform/soft/soft_direct3d.h"
#include "scripted_platform.h"
#include "shell/class_table.h"
#include "shell/frame_time.h"
#include "support/script_writer.h"
#include "test_script.h"

namespace {

using shelltest::describe;
using shelltest::musicCounters;

constexpr shell::Message kEscape{shell::MessageKind::KeyDown, shell::kVirtualKeyEscape};
constexpr shell::Message kClose{shell::MessageKind::Close, 0};

class PresentationTest : public ::testing::Test {
protected:
    void SetUp() override {
        device::resetDeviceState();
        musicCounters() = {};
        shelltest::lastRecordingLayer() = nullptr;
        table_ = shelltest::testClassTable();
    }
    void TearDown() override {
        presentation_.reset();
        device::resetDeviceState();
    }

    // Frames presented by the loop so far.
    int frames() const {
        return platform.presentsBeforeFrames < 0 ? 0 : platform.presents - platform.presentsBeforeFrames;
    }

    // The clock shows start + elapsed[n] while frame n is being drawn (and elapsed[0] when the start time
    // is taken); past the list, the last entry.
    void clockFrames(std::vector<std::uint32_t> elapsed, std::uint32_t start = 5000) {
        platform.clock = [this, elapsed = std::move(elapsed), start](int) {
            if (platform.presentsBeforeFrames < 0) {
                return start;
            }
            const auto n = static_cast<std::size_t>(frames());
            return start + elapsed[std::min(n, elapsed.size() - 1)];
        };
    }

    // Runs start-up, frames and tear-down; the exit code, also when the process ended on the way.
    int run(const shelltest::TestScript& shape, std::optional<shell::SetupOptions> preset = shell::SetupOptions{}) {
        return runScript(shelltest::testScript(shape), preset);
    }

    int runScript(std::vector<std::uint8_t> script, std::optional<shell::SetupOptions> preset) {
        script_ = std::move(script);
        presentation_ =
            std::make_unique<shell::Presentation>(platform.services(), shell::SceneSource{script_, table_});
        try {
            return presentation_->run(preset);
        } catch (const shelltest::ProcessExit& exit) {
            exited = exit.code;
            return exit.code;
        }
    }

    const std::vector<float>& frameTimes() const { return shelltest::lastRecordingLayer()->updates; }

    shelltest::ScriptedPlatform platform;
    std::unique_ptr<shell::Presentation> presentation_;
    std::optional<int> exited;

private:
    std::array<graph::Constructor, shell::kMainClassCount> table_{};
    std::vector<std::uint8_t> script_;
};

TEST_F(PresentationTest, EndsWithTheFirstFrameAtOrAfterTheEndTimeAndStopsTheMusicTwice) {
    clockFrames({0, 60000, 119999, 120000, 125000});
    EXPECT_EQ(run({}), 0);
    EXPECT_FALSE(exited);
    // 119,999 ms is still before the end; the frame at 120,000 ms is drawn and presented, then the loop ends.
    ASSERT_EQ(frameTimes().size(), 4u);
    EXPECT_LT(frameTimes()[2], 120.0f);
    EXPECT_GE(frameTimes()[3], 120.0f);
    EXPECT_EQ(frames(), 4);
    EXPECT_EQ(musicCounters().starts, 1);
    EXPECT_EQ(musicCounters().stops, 2) << "once at the end time, once more in the tear-down";
    EXPECT_EQ(presentation_->stats().framesDrawn, 4u);
}

TEST_F(PresentationTest, StartUpRunsInOrderAndTheTearDownUndoesIt) {
    clockFrames({0, 200000});
    EXPECT_EQ(run({.padding = 3}, std::nullopt), 0);
    const auto at = [&](const char* entry) { return platform.indexOf(entry); };
    ASSERT_GE(at("dialog"), 0);
    // The dialog's default answer is full screen: the cursor goes before the window comes.
    EXPECT_LT(at("dialog"), at("showCursor 0"));
    EXPECT_LT(at("showCursor 0"), at("createWindow fullscreen"));
    EXPECT_LT(at("createWindow fullscreen"), at("timeBeginPeriod 1"));
    EXPECT_LT(at("timeBeginPeriod 1"), at("destroyWindow"));
    EXPECT_LT(at("destroyWindow"), at("timeEndPeriod 1"));
    // Full screen draws an 800 x 600 back buffer; the graph's records each presented once while loading,
    // after the black screen of the device's start-up.
    EXPECT_EQ(platform.presentWidth, 800);
    EXPECT_EQ(platform.presentHeight, 600);
    EXPECT_EQ(platform.presentsBeforeFrames, 1 + 3 + 5);
    EXPECT_TRUE(device::deviceState().antiAliasing);
}

TEST_F(PresentationTest, CancellingTheDialogEndsBeforeAnyWindow) {
    platform.dialogAnswer.reset();
    EXPECT_EQ(run({}, std::nullopt), 0);
    EXPECT_EQ(platform.log, std::vector<std::string>{"dialog"});
    EXPECT_EQ(platform.presents, 0);
}

TEST_F(PresentationTest, EscapeOrCloseWhileLoadingEndsTheProcessAtOnceWithCodeZero) {
    for (const shell::Message& message : {kEscape, kClose}) {
        SetUp();
        platform = {};
        // The request arrives while the third record is being built.
        platform.schedule([this] { return platform.pumpRounds >= 2; }, message);
        EXPECT_EQ(run({.padding = 6}), 0);
        EXPECT_EQ(exited, 0) << describe(message);
        EXPECT_EQ(musicCounters().starts, 0) << "no music starts";
        EXPECT_FALSE(platform.contains("timeBeginPeriod 1"));
        EXPECT_EQ(presentation_->root(), nullptr) << "the graph was not finished";
        const int destroyed = platform.indexOf("destroyWindow");
        ASSERT_GE(destroyed, 0);
        EXPECT_EQ(platform.log.back(), "exit 0");
        EXPECT_LT(platform.indexOf("dispatch " + describe(message)), destroyed) << "the request is dispatched too";
        // The device's black screen and one present for each of the two records built before.
        EXPECT_EQ(platform.presents, 1 + 2) << "nothing is presented after the request";
        TearDown();
    }
}

TEST_F(PresentationTest, EscapeOrCloseWhilePlayingEndsTheLoopAndTearsDown) {
    for (const shell::Message& message : {kEscape, kClose}) {
        SetUp();
        platform = {};
        clockFrames({0, 10, 20, 30, 40, 50});
        platform.schedule([this] { return frames() == 3; }, message);
        EXPECT_EQ(run({}), 0);
        EXPECT_FALSE(exited) << "the process is not cut short";
        EXPECT_EQ(frames(), 3) << describe(message);
        EXPECT_EQ(musicCounters().stops, 1) << "only the tear-down stops the music before the end time";
        EXPECT_GE(platform.indexOf("timeEndPeriod 1"), platform.indexOf("destroyWindow"));
        EXPECT_GE(platform.indexOf("dispatch " + describe(message)), 0);
        TearDown();
    }
}

TEST_F(PresentationTest, QuitMessageEndsTheProcessWithItsCodeWithoutTearDown) {
    clockFrames({0, 10, 20, 30});
    platform.schedule([this] { return frames() == 2; }, {shell::MessageKind::Quit, 7});
    EXPECT_EQ(run({}), 7);
    EXPECT_EQ(exited, 7);
    EXPECT_EQ(frames(), 2);
    EXPECT_EQ(musicCounters().stops, 0);
    EXPECT_FALSE(platform.contains("destroyWindow"));
    EXPECT_FALSE(platform.contains("timeEndPeriod 1"));
    EXPECT_FALSE(platform.contains("dispatch quit 7")) << "a quit message is never dispatched";
    EXPECT_TRUE(platform.contains("translate quit 7"));
}

TEST_F(PresentationTest, LostDeviceSkipsFramesWhileTheClockRunsOn) {
    platform.clock = [this](int) { return 1000u + 10u * static_cast<std::uint32_t>(frames()); };
    bool lost = false;
    platform.beforePeek = [&] {
        device::IDirect3DDevice9* device = device::deviceState().device.get();
        if (!lost && frames() == 2) {
            ASSERT_TRUE(soft::simulateDeviceLoss(device));
            lost = true;
        } else if (lost && platform.sleptMs == 1500) {
            soft::simulateDeviceRestore(device);
        }
    };
    platform.schedule([this] { return frames() == 5; }, kEscape);
    EXPECT_EQ(run({}), 0);
    const std::vector<float>& times = frameTimes();
    ASSERT_EQ(times.size(), 5u);
    EXPECT_EQ(presentation_->stats().framesSkipped, 3u);
    EXPECT_EQ(platform.sleptMs, 1500);
    // Three half-second waits passed between the second and the third frame, and the frames after the
    // reset go on from there instead of from where the picture stopped.
    EXPECT_FLOAT_EQ(times[1], shell::presentationTime(10, 0));
    EXPECT_FLOAT_EQ(times[2], shell::presentationTime(1520, 0));
    EXPECT_FLOAT_EQ(times[4], shell::presentationTime(1540, 0));
}

TEST_F(PresentationTest, TimerWrapAroundKeepsTimeRunningForward) {
    clockFrames({0, 100, 200, 300}, 0xFFFFFF00u);
    platform.schedule([this] { return frames() == 4; }, kEscape);
    EXPECT_EQ(run({}), 0);
    const std::vector<float>& times = frameTimes();
    ASSERT_EQ(times.size(), 4u);
    // The clock passes 2^32 between the third and the fourth frame.
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_FLOAT_EQ(times[3], shell::presentationTime(300, 0));
}

TEST_F(PresentationTest, MissingDirect3DShowsItsMessageAndTheQuitOfTheDestroyedWindowEndsTheProcess) {
    platform.haveDirect3D = false;
    platform.destroyPostsQuit = true;
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(exited, 0);
    EXPECT_EQ(platform.errorTexts, std::vector<std::string>{"Direct3D 9 not available."});
    EXPECT_LT(platform.indexOf("hideWindow"), platform.indexOf("messageBox"));
    EXPECT_LT(platform.indexOf("messageBox"), platform.indexOf("destroyWindow"));
    EXPECT_EQ(musicCounters().starts, 0);
}

TEST_F(PresentationTest, ScriptThatDoesNotBuildIsReportedAndEndsWithAFailureCode) {
    testsupport::ScriptWriter broken;
    broken.record(static_cast<std::int32_t>(shell::ClassIndex::ClearLayer)).real(1.0f).integer(3).end();
    EXPECT_EQ(runScript(broken.finish(), shell::SetupOptions{}), 1);
    ASSERT_EQ(platform.errorTexts.size(), 1u);
    EXPECT_NE(platform.errorTexts[0].find("ClearLayer"), std::string::npos) << platform.errorTexts[0];
    EXPECT_TRUE(platform.contains("destroyWindow"));

    testsupport::ScriptWriter noRoot;
    noRoot.record(static_cast<std::int32_t>(shell::ClassIndex::ClearLayer)).integer(0).integer(3).end();
    platform = {};
    EXPECT_EQ(runScript(noRoot.finish(), shell::SetupOptions{}), 1);
    ASSERT_EQ(platform.errorTexts.size(), 1u);
    EXPECT_NE(platform.errorTexts[0].find("Demo"), std::string::npos) << platform.errorTexts[0];
}

TEST_F(PresentationTest, BigscreenRampBrightensThePresentedFrame) {
    clockFrames({0, 200000});
    shell::SetupOptions options;
    options.fullscreen = false;
    options.bigscreen = true;
    EXPECT_EQ(run({.clearColour = 0xFF008040}, options), 0);
    ASSERT_EQ(platform.presentWidth, 800);
    ASSERT_EQ(platform.presentHeight, 500);
    // Through the ramp 0x00 stays 0x00, 0x80 becomes 38968 >> 8 = 0x98 and 0x40 becomes 23171 >> 8 = 0x5A.
    EXPECT_EQ(platform.lastFrame[250 * 800 + 400], 0xFF00985Au);
}

}  // namespace
