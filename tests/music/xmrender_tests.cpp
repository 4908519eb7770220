// xmrender: its arguments and exit codes, where a song rendered once through ends, and the WAV it writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "render_song.h"
#include "support/le_fields.h"
#include "xm_writer.h"

namespace {

constexpr std::int64_t kFramesPerRow = 6 * 882;  // speed 6, 125 BPM

// Two channels; pattern 0 with 4 rows and pattern 1 with 8, played in that order; a looped square wave
// starts on row 0.
xmwriter::Song twoPatternSong() {
    xmwriter::Song song;
    song.channels = 2;
    song.patterns.emplace_back(4, 2);
    song.patterns.emplace_back(8, 2);
    song.patterns[0].at(0, 0) = {49, 1, 0, 0, 0};
    song.orders = {0, 1};
    xmwriter::Instrument& instrument = song.instruments.emplace_back();
    xmwriter::Sample& sample = instrument.samples.emplace_back();
    sample.frames = {100, 100, 100, 100, -100, -100, -100, -100};
    sample.loop = xmwriter::LoopType::Forward;
    sample.loopLength = 8;
    return song;
}

struct Rendered {
    std::int64_t frames = 0;
    std::vector<std::int16_t> pcm;
};

Rendered renderSong(const xmwriter::Song& song, std::optional<std::int64_t> frames = std::nullopt) {
    const std::vector<std::uint8_t> bytes = xmwriter::writeXm(song);
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    music::Module* module = music::loadModule("song", nullptr);
    music::setMemoryFile(nullptr, 0);
    Rendered result;
    if (module == nullptr) {
        ADD_FAILURE() << "the writer's module did not load: " << music::lastLoadError();
        return result;
    }
    result.frames = xmrender::renderModule(*module, frames, [&](const std::int16_t* pcm, std::int32_t count) {
        result.pcm.insert(result.pcm.end(), pcm, pcm + 2 * count);
    });
    music::freeModule(module);
    return result;
}

class TempDir {
public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("xmrender_tests_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

int runTool(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = xmrender::run(arguments, o, e);
    out = o.str();
    err = e.str();
    return status;
}

using testsupport::u16At;
using testsupport::u32At;

TEST(XmrenderArguments, AcceptsFilesSecondsAndHelp) {
    std::string error;
    auto plain = xmrender::parseArguments({"in.xm", "out.wav"}, error);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->input, "in.xm");
    EXPECT_EQ(plain->output, "out.wav");
    EXPECT_FALSE(plain->seconds);
    auto timed = xmrender::parseArguments({"--seconds", "2.5", "in.xm", "out.wav"}, error);
    ASSERT_TRUE(timed);
    EXPECT_EQ(timed->seconds, 2.5);
    auto joined = xmrender::parseArguments({"in.xm", "--seconds=120", "out.wav"}, error);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->seconds, 120.0);
    auto help = xmrender::parseArguments({"--help"}, error);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);

    std::string out, err;
    EXPECT_EQ(runTool({"--help"}, out, err), 0);
    EXPECT_NE(out.find("usage: xmrender"), std::string::npos);
    EXPECT_NE(out.find("--seconds"), std::string::npos);
}

TEST(XmrenderArguments, BadArgumentsExitWithTwoAndTheUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"only.xm"},
        {"a.xm", "b.wav", "c.wav"},
        {"a.xm", "b.wav", "--seconds"},
        {"--seconds", "0", "a.xm", "b.wav"},
        {"--seconds", "-3", "a.xm", "b.wav"},
        {"--seconds", "ten", "a.xm", "b.wav"},
        {"--seconds=5x", "a.xm", "b.wav"},
        {"--seconds", "99999", "a.xm", "b.wav"},
        {"--frobnicate", "a.xm", "b.wav"},
    };
    for (const auto& arguments : bad) {
        std::string out, err;
        EXPECT_EQ(runTool(arguments, out, err), 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(err.find("usage: xmrender [--seconds N] INPUT.xm OUTPUT.wav"), std::string::npos);
        EXPECT_TRUE(out.empty());
    }
}

TEST(XmrenderFiles, UnreadableOrInvalidModulesExitWithOneNamingTheProblem) {
    TempDir dir;
    std::string out, err;
    EXPECT_EQ(runTool({dir.file("missing.xm"), dir.file("out.wav")}, out, err), 1);
    EXPECT_NE(err.find("cannot read"), std::string::npos);
    EXPECT_NE(err.find("missing.xm"), std::string::npos);

    std::ofstream(dir.file("text.xm")) << "this is not a module at all, only some text";
    EXPECT_EQ(runTool({dir.file("text.xm"), dir.file("out.wav")}, out, err), 1);
    EXPECT_NE(err.find("text.xm"), std::string::npos);
    EXPECT_NE(err.find("not a playable XM module"), std::string::npos);
    EXPECT_NE(err.find(music::lastLoadError()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.wav")));

    const std::vector<std::uint8_t> bytes = xmwriter::writeXm(twoPatternSong());
    std::ofstream(dir.file("song.xm"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(runTool({dir.file("song.xm"), dir.file("no/such/folder/out.wav")}, out, err), 1);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
}

TEST(XmrenderSong, StopsWhereTheOrderListWouldStartOver) {
    const Rendered once = renderSong(twoPatternSong());
    EXPECT_EQ(once.frames, 12 * kFramesPerRow);
    ASSERT_EQ(once.pcm.size(), static_cast<std::size_t>(2 * once.frames));
    bool sound = false;
    for (std::int16_t v : once.pcm) sound = sound || v != 0;
    EXPECT_TRUE(sound);

    // The frames are those of a render that runs on: the song is simply cut at its loop point.
    const Rendered longer = renderSong(twoPatternSong(), 13 * kFramesPerRow);
    EXPECT_EQ(longer.frames, 13 * kFramesPerRow);
    EXPECT_TRUE(std::equal(once.pcm.begin(), once.pcm.end(), longer.pcm.begin()));
}

TEST(XmrenderSong, PositionJumpEndsTheSongEarly) {
    xmwriter::Song song = twoPatternSong();
    song.patterns[1].at(2, 1) = {0, 0, 0, 0x0B, 0};  // back to order 0 after row 2 of pattern 1
    EXPECT_EQ(renderSong(song).frames, 7 * kFramesPerRow);
}

TEST(XmrenderSong, PatternLoopRowsDoNotEndTheSong) {
    xmwriter::Song song = twoPatternSong();
    song.patterns[0].at(0, 1) = {0, 0, 0, 0x0E, 0x60};  // loop start
    song.patterns[0].at(1, 1) = {0, 0, 0, 0x0E, 0x62};  // rows 0 and 1 twice more
    EXPECT_EQ(renderSong(song).frames, (3 * 2 + 2 + 8) * kFramesPerRow);
}

TEST(XmrenderFiles, WritesALittleEndianStereoWav) {
    TempDir dir;
    const std::vector<std::uint8_t> bytes = xmwriter::writeXm(twoPatternSong());
    std::ofstream(dir.file("song.xm"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string out, err;
    ASSERT_EQ(runTool({"--seconds", "0.5", dir.file("song.xm"), dir.file("song.wav")}, out, err), 0) << err;

    std::ifstream in(dir.file("song.wav"), std::ios::binary);
    const std::vector<std::uint8_t> wav((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::uint32_t frames = 22050;
    ASSERT_EQ(wav.size(), 44 + 4 * frames);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(u32At(wav, 4), 36 + 4 * frames);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32At(wav, 16), 16u);
    EXPECT_EQ(u16At(wav, 20), 1);  // PCM
    EXPECT_EQ(u16At(wav, 22), 2);
    EXPECT_EQ(u32At(wav, 24), 44100u);
    EXPECT_EQ(u32At(wav, 28), 176400u);
    EXPECT_EQ(u16At(wav, 32), 4);
    EXPECT_EQ(u16At(wav, 34), 16);
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(u32At(wav, 40), 4 * frames);

    const Rendered expected = renderSong(twoPatternSong(), frames);
    for (std::size_t i = 0; i < expected.pcm.size(); ++i)
        ASSERT_EQ(static_cast<std::int16_t>(u16At(wav, 44 + 2 * i)), expected.pcm[i]) << "value " << i;
}

}  // namespace
