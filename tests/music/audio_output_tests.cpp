// The audio output ring: its geometry, the pre-fill, the hand-off of played blocks to the output thread,
// start and stop in every order, and failures that must end in silence rather than a crash.
#include <gtest/gtest.h>

#include <chrono>

#include "music/playback_state.h"
#include "output_test_support.h"
#include "platform/headless/offline_audio.h"

namespace music {
namespace {

using test::ModulePtr;
using test::RecordingDevice;

constexpr std::int32_t kBlock = 884;
constexpr std::int32_t kRing = 88400;
constexpr DWORD kBlockBytes = kBlock * 4;

std::vector<std::int16_t> ringContents() {
    const AudioOutput& out = audioOutput();
    return {out.pcmRing.get(), out.pcmRing.get() + static_cast<std::size_t>(out.ringLength) * 2};
}

// Values of `frames` frames starting at frame `from` of a render.
std::vector<std::int16_t> slice(const std::vector<std::int16_t>& pcm, std::int32_t from, std::int32_t frames) {
    return {pcm.begin() + from * 2, pcm.begin() + (from + frames) * 2};
}

class AudioOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = test::risingSawSong();
        module.reset(test::loadFromMemory(song));
        ASSERT_NE(module, nullptr) << lastLoadError();
        setFileCallbacks(memoryFileCallbacks());
        setAudioDevice(&device);
    }
    void TearDown() override {
        stopPlayback(module.get());
        setAudioDevice(nullptr);
    }

    std::vector<std::uint8_t> song;
    ModulePtr module;
    RecordingDevice device;
};

TEST_F(AudioOutputTest, RingIsOneHundredBlocksOf884FramesInOneLoopingHeader) {
    EXPECT_EQ(blockLengthFor(44100), kBlock);
    EXPECT_EQ(ringLengthFor(44100), kRing);
    ASSERT_TRUE(startPlayback(module.get()));

    const AudioOutput& out = audioOutput();
    EXPECT_EQ(out.blockLength, kBlock);
    EXPECT_EQ(out.ringLength, kRing);
    EXPECT_EQ(out.blockCount, 100);
    EXPECT_EQ(out.header.dwBufferLength, 353600u);
    EXPECT_EQ(out.header.lpData, reinterpret_cast<char*>(out.pcmRing.get()));
    EXPECT_EQ(out.header.dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP | WHDR_PREPARED),
              WHDR_BEGINLOOP | WHDR_ENDLOOP | WHDR_PREPARED);
    EXPECT_EQ(out.header.dwLoops, 0xFFFFFFFFu);
    EXPECT_EQ(out.header.dwBytesRecorded, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(out.floatRing) % 16, 0u);
    EXPECT_EQ(out.writeIndex, 0);
    EXPECT_EQ(out.module, module.get());

    EXPECT_EQ(device.openedId, WAVE_MAPPER);
    EXPECT_EQ(device.openedFlags, CALLBACK_NULL);
    EXPECT_EQ(device.openedFormat.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(device.openedFormat.nChannels, 2);
    EXPECT_EQ(device.openedFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(device.openedFormat.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(device.openedFormat.nBlockAlign, 4);
    EXPECT_EQ(device.openedFormat.wBitsPerSample, 16);
    EXPECT_EQ(device.openedFormat.cbSize, 0);
    EXPECT_EQ(device.calls, (std::vector<std::string>{"open", "prepare", "write", "thread"}));
    EXPECT_EQ(device.threadProcedure, &outputThread);
    EXPECT_EQ(device.threadPriority, THREAD_PRIORITY_TIME_CRITICAL);
}

TEST_F(AudioOutputTest, RingHoldsTheSongsFirstTwoSecondsBeforeTheDeviceStarts) {
    const auto expected = test::straightRender(song, kRing);
    ASSERT_TRUE(startPlayback(module.get()));
    EXPECT_EQ(device.ringAtWrite, expected);
    // A silent render would make every comparison here pass.
    EXPECT_NE(std::count(expected.begin(), expected.end(), 0), static_cast<std::ptrdiff_t>(expected.size()));
}

TEST_F(AudioOutputTest, PlayedBlocksAreRenderedAgainWithTheMusicThatFollows) {
    const auto expected = test::straightRender(song, kRing + 6 * kBlock);
    ASSERT_TRUE(startPlayback(module.get()));
    const auto prefilled = ringContents();

    // At the start the device plays block 0, which is also the next to render: nothing to do.
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 0);
    EXPECT_EQ(ringContents(), prefilled);

    // Anywhere inside block 0 is still block 0.
    device.position = kBlockBytes - 4;
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 0);

    device.position = kBlockBytes;
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 1);
    auto ring = ringContents();
    EXPECT_EQ(slice(ring, 0, kBlock), slice(expected, kRing, kBlock));
    EXPECT_EQ(slice(ring, kBlock, kRing - kBlock), slice(prefilled, kBlock, kRing - kBlock));

    // Several blocks finished between two passes are all rendered in one pass, in order.
    device.position = 6 * kBlockBytes + 100;
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 6);
    ring = ringContents();
    EXPECT_EQ(slice(ring, 0, 6 * kBlock), slice(expected, kRing, 6 * kBlock));
    EXPECT_EQ(slice(ring, 6 * kBlock, kRing - 6 * kBlock), slice(prefilled, 6 * kBlock, kRing - 6 * kBlock));
}

TEST_F(AudioOutputTest, PositionCountsOnAcrossLoopsOfTheRing) {
    ASSERT_TRUE(startPlayback(module.get()));
    // One full loop later the device is back in block 0: nothing has been played since the pre-fill.
    device.position = 353600;
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 0);

    device.position = 353600 + 3 * kBlockBytes;
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 3);

    // Far into the playback the byte count only matters modulo the ring.
    device.position = 1000u * 353600u + 99 * kBlockBytes;
    renderPlayedBlocks();
    EXPECT_EQ(audioOutput().writeIndex, 99);
}

TEST_F(AudioOutputTest, OutputThreadRunsPassesUntilTheStopRequest) {
    ASSERT_TRUE(startPlayback(module.get()));
    AudioOutput& out = audioOutput();
    out.stopRequest = 1;
    device.calls.clear();
    EXPECT_EQ(outputThread(), 0u);
    EXPECT_EQ(out.threadFinished.load(), 1);
    // The request is read before the first pass: no position query, no sleep.
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(AudioOutputTest, StopReleasesTheDeviceAndRingsAndIsHarmlessTwice) {
    ASSERT_TRUE(startPlayback(module.get()));
    device.calls.clear();
    ASSERT_TRUE(stopPlayback(module.get()));
    EXPECT_EQ(device.calls, (std::vector<std::string>{"release", "reset", "unprepare", "close"}));
    EXPECT_FALSE(device.isOpen);

    const AudioOutput& out = audioOutput();
    EXPECT_EQ(out.header.dwFlags & WHDR_PREPARED, 0u);
    EXPECT_EQ(out.pcmRing, nullptr);
    EXPECT_EQ(out.floatRing, nullptr);
    EXPECT_EQ(out.module, nullptr);
    EXPECT_EQ(out.device, nullptr);
    EXPECT_EQ(out.writeIndex, 0);

    device.calls.clear();
    EXPECT_TRUE(stopPlayback(module.get()));
    EXPECT_TRUE(device.calls.empty());
    EXPECT_FALSE(stopPlayback(nullptr));
}

TEST_F(AudioOutputTest, StopBeforeAnyStartTouchesNoDevice) {
    EXPECT_TRUE(stopPlayback(module.get()));
    EXPECT_TRUE(device.calls.empty());
    EXPECT_FALSE(startPlayback(nullptr));
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(AudioOutputTest, StartingAgainStopsThePlaybackBeforeIt) {
    ASSERT_TRUE(startPlayback(module.get()));
    device.position = 5 * kBlockBytes;
    renderPlayedBlocks();
    device.calls.clear();
    device.position = 0;
    ASSERT_TRUE(startPlayback(module.get()));
    EXPECT_EQ(device.calls, (std::vector<std::string>{"release", "reset", "unprepare", "close", "open", "prepare",
                                                      "write", "thread"}));
    EXPECT_EQ(device.ringAtWrite, test::straightRender(song, kRing));
}

TEST_F(AudioOutputTest, WithoutADeviceStartFailsWithOneLineAndALaterStartWorks) {
    setAudioDevice(nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(startPlayback(module.get()));
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;

    device.openResult = MMSYSERR_NODRIVER;
    setAudioDevice(&device);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(startPlayback(module.get()));
    const std::string openMessage = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(openMessage.begin(), openMessage.end(), '\n'), 1) << openMessage;
    EXPECT_EQ(device.calls, (std::vector<std::string>{"open"}));
    EXPECT_EQ(audioOutput().pcmRing, nullptr);
    EXPECT_TRUE(stopPlayback(module.get()));

    device.openResult = MMSYSERR_NOERROR;
    EXPECT_TRUE(startPlayback(module.get()));
    EXPECT_TRUE(device.isOpen);
}

TEST_F(AudioOutputTest, IncompleteFileCallbacksRefuseToStart) {
    setFileCallbacks(FileCallbacks{});
    EXPECT_FALSE(startPlayback(module.get()));
    EXPECT_TRUE(device.calls.empty());
    setFileCallbacks(memoryFileCallbacks());
    EXPECT_TRUE(startPlayback(module.get()));
}

TEST_F(AudioOutputTest, AThreadThatCannotStartLeavesTheDeviceClosed) {
    device.threadResult = false;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(startPlayback(module.get()));
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(device.isOpen);
    EXPECT_EQ(audioOutput().pcmRing, nullptr);
}

TEST_F(AudioOutputTest, FreeModuleStopsItsPlayback) {
    ASSERT_TRUE(startPlayback(module.get()));
    freeModule(module.release());
    EXPECT_FALSE(device.isOpen);
    EXPECT_EQ(audioOutput().module, nullptr);
    freeModule(nullptr);
}

// The real thread against a device whose clock the test moves: what the device plays must be the song
// itself, without a block left stale or rendered twice, over several loops of the ring.
TEST(AudioOutputThread, PlaysTheSongUnbrokenThroughTheOfflineDevice) {
    const auto song = test::risingSawSong();
    // Steps that do not line up with blocks, so that the play position also rests inside blocks.
    constexpr std::uint32_t kStep = kBlock * 7 / 2;
    constexpr int kSteps = 80;  // about 2.8 loops of the ring
    const auto expected = test::straightRender(song, static_cast<std::int32_t>(kStep) * kSteps);

    std::vector<std::uint8_t> played;
    headless::OfflineAudioDevice device(
        [&played](std::span<const std::uint8_t> bytes) { played.insert(played.end(), bytes.begin(), bytes.end()); });
    ModulePtr module(test::loadFromMemory(song));
    ASSERT_NE(module, nullptr);
    setAudioDevice(&device);
    ASSERT_TRUE(startPlayback(module.get()));
    EXPECT_TRUE(device.isPlaying());
    EXPECT_EQ(device.threadPriority(), THREAD_PRIORITY_TIME_CRITICAL);

    for (int step = 0; step < kSteps; ++step) {
        device.advance(kStep);
        // Generous: only a stuck thread should ever reach it.
        ASSERT_TRUE(device.waitForReader(std::chrono::minutes(2))) << "the output thread made no progress";
    }
    EXPECT_TRUE(stopPlayback(module.get()));
    EXPECT_FALSE(device.isOpen());
    EXPECT_FALSE(device.isPlaying());
    setAudioDevice(nullptr);

    ASSERT_EQ(played.size(), expected.size() * 2);
    std::vector<std::int16_t> heard(expected.size());
    std::memcpy(heard.data(), played.data(), played.size());
    for (std::size_t block = 0; block * kBlock * 2 < heard.size(); ++block) {
        const std::size_t from = block * kBlock * 2;
        const std::size_t to = std::min(heard.size(), from + kBlock * 2);
        ASSERT_TRUE(std::equal(heard.begin() + from, heard.begin() + to, expected.begin() + from))
            << "played block " << block << " differs from the song";
    }
}

}  // namespace
}  // namespace music
