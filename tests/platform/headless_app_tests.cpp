// The program's headless modes on the sample script: a frame is the same file every time and the same
// picture as the capture's frame at that time, a capture holds every frame and the soundtrack for the
// presentation's length, and outputs that cannot be written fail without leaving a file behind.
#include "platform/headless/headless_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/device_state.h"
#include "platform/font_factory.h"
#include "platform/headless/capture_output.h"
#include "sample_script.h"
#include "graph/graph_builder.h"
#include "sequence/timeline.h"
#include "shell/class_table.h"
#include "shell/demo.h"
#include "shell/scene_scripts.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HeadlessApp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::useSystemFontRenderer();
        const std::vector<std::uint8_t> module = readFile(VELBRY_SONG_MODULE);
        ASSERT_FALSE(module.empty()) << VELBRY_SONG_MODULE;
        // A short presentation keeps the captures small: the schedule's last event comes at end - 10 s.
        script() = samplescript::sampleScript(module, kEnd);
    }
    static std::vector<std::uint8_t>& script() {
        static std::vector<std::uint8_t> bytes;
        return bytes;
    }

    void SetUp() override {
        device::resetDeviceState();
        directory_ = fs::temp_directory_path() /
                     ("velbry_headless_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override {
        fs::remove_all(directory_);
        device::resetDeviceState();
    }

    int run(shell::RunMode mode, const std::string& output, double seconds = 0.0, int fps = 10) {
        shell::CommandLine line;
        line.mode = mode;
        line.output = output;
        line.frameSeconds = seconds;
        line.fps = fps;
        headless::HeadlessRun headlessRun;
        headlessRun.commandLine = line;
        headlessRun.deviceName = "soft";
        headlessRun.scene = {script(), shell::mainClassTable()};
        return headless::runHeadless(headlessRun);
    }

    std::string path(const std::string& name) const { return (directory_ / name).string(); }

    static constexpr float kEnd = 0.5f;
    fs::path directory_;
};

TEST_F(HeadlessApp, FrameIsTheSameFileEveryTimeAndDiffersBetweenTimes) {
    ASSERT_EQ(run(shell::RunMode::Frame, path("a.png"), 0.3), 0);
    ASSERT_EQ(run(shell::RunMode::Frame, path("b.png"), 0.3), 0);
    ASSERT_EQ(run(shell::RunMode::Frame, path("c.png"), 0.1), 0);
    const std::vector<std::uint8_t> a = readFile(path("a.png"));
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, readFile(path("b.png")));
    EXPECT_NE(a, readFile(path("c.png"))) << "the title fades in: 0.1 s and 0.3 s differ";
    EXPECT_FALSE(fs::exists(path("a.png.part")));
}

TEST_F(HeadlessApp, CaptureHoldsEveryFrameAndTheSoundtrackAndMatchesSingleFrames) {
    ASSERT_EQ(run(shell::RunMode::Capture, path("capture")), 0);
    // Frames at 0, 0.1, ... 0.5 s: the last one reaches the end time and is drawn too.
    for (int i = 0; i <= 5; ++i) {
        EXPECT_TRUE(fs::exists(headless::sequenceFramePath(path("capture"), i))) << i;
    }
    EXPECT_FALSE(fs::exists(headless::sequenceFramePath(path("capture"), 6)));
    EXPECT_EQ(headless::framesUntil(kEnd, 10), 6);
    // 0.5 s of 16-bit stereo at 44,100 Hz after the 44-byte header.
    EXPECT_EQ(fs::file_size(path("capture/soundtrack.wav")), 44u + 22050u * 4u);
    // A single frame follows the same clock: the capture's frame 3 is --frame 0.3.
    ASSERT_EQ(run(shell::RunMode::Frame, path("single.png"), 0.3), 0);
    EXPECT_EQ(readFile(headless::sequenceFramePath(path("capture"), 3)), readFile(path("single.png")));
}

TEST_F(HeadlessApp, SoundtrackIsRenderedForThePresentationsLength) {
    ASSERT_EQ(run(shell::RunMode::RenderAudio, path("sound.wav")), 0);
    const std::vector<std::uint8_t> wav = readFile(path("sound.wav"));
    ASSERT_EQ(wav.size(), 44u + 22050u * 4u);
    bool loud = false;
    for (std::size_t i = 44; i + 1 < wav.size() && !loud; i += 2) {
        const auto sample = static_cast<std::int16_t>(wav[i] | (wav[i + 1] << 8));
        loud = sample > 1000 || sample < -1000;
    }
    EXPECT_TRUE(loud) << "the song starts at once";
}

TEST_F(HeadlessApp, OutputsThatCannotBeWrittenFailWithoutLeavingFiles) {
    const std::string missing = path("no/such/folder/frame.png");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run(shell::RunMode::Frame, missing, 0.2), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot write " + missing), std::string::npos);
    // A folder where the file should go: written in full beside it, then refused.
    fs::create_directories(path("taken.png"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run(shell::RunMode::Frame, path("taken.png"), 0.2), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot write"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("taken.png.part")));
    fs::create_directories(path("sound.wav"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run(shell::RunMode::RenderAudio, path("sound.wav")), 1);
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(fs::exists(path("sound.wav.part")));
    // A capture folder that is a file.
    std::ofstream(path("file")) << "x";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run(shell::RunMode::Capture, path("file")), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot create the folder"), std::string::npos);
}

TEST_F(HeadlessApp, VideoWithoutFfmpegSaysSoAndWritesNothing) {
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", directory_.c_str(), 1);
    ::testing::internal::CaptureStderr();
    const int code = run(shell::RunMode::Capture, path("video.mp4"));
    const std::string message = ::testing::internal::GetCapturedStderr();
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(code, 1);
    EXPECT_NE(message.find("ffmpeg"), std::string::npos) << message;
    EXPECT_NE(message.find("--capture DIR"), std::string::npos) << message;
    EXPECT_TRUE(fs::is_empty(directory_));
}

TEST_F(HeadlessApp, FrameAfterTheEndIsRefused) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run(shell::RunMode::Frame, path("late.png"), 0.6), 2);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("after the end"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("late.png")));
    EXPECT_EQ(run(shell::RunMode::Frame, path("last.png"), 0.5), 0) << "the end time itself is drawn";
}

TEST(EmbeddedScript, IsTheBuiltScriptFileByteForByte) {
    const std::span<const std::uint8_t> embedded = shell::embeddedSceneScript();
    EXPECT_EQ(std::vector<std::uint8_t>(embedded.begin(), embedded.end()), readFile(VELBRY_SCENE_SCRIPT));
}

TEST(SampleScript, BuildsTheDemoRootOverItsScheduleWithTheSoundtrack) {
    const std::vector<std::uint8_t> module = readFile(VELBRY_SONG_MODULE);
    const std::vector<std::uint8_t> script = samplescript::sampleScript(module);
    graph::ObjectStore store;
    const graph::BuildResult built = graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
    ASSERT_TRUE(built.ok()) << built.error;
    const auto* root = dynamic_cast<shell::Demo*>(built.root);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->endTime(), 120.0f);
    ASSERT_NE(root->music(), nullptr);
    EXPECT_EQ(root->music()->block().size(), module.size() + 4);
    auto* timeline = dynamic_cast<sequence::Timeline*>(root->timeline());
    ASSERT_NE(timeline, nullptr);
    // Clear, backdrop, bar and title from the start; the subtitle from 4 s; the title and subtitle give way
    // to the second text at 60 s; the blackout comes 10 s before the end.
    const std::vector<std::pair<float, int>> counts = {{0.0f, 4}, {5.0f, 5}, {65.0f, 4}, {115.0f, 5}};
    for (const auto& [t, count] : counts) {
        timeline->update(t);
        EXPECT_EQ(timeline->activeCount(), count) << t;
        for (int i = 0; i < timeline->activeCount(); ++i) {
            EXPECT_NE(timeline->activeLayer(i), nullptr) << t << " layer " << i;
        }
    }
}

}  // namespace
