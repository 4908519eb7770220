// The audio device backends and their factory: wave-out rules of the offline device, its WAV output, the
// SDL2 device on SDL's dummy driver, and the choice of backend by name.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "output_test_support.h"
#include "platform/audio_factory.h"
#include "platform/headless/offline_audio.h"
#include "platform/headless/wav_writer.h"
#include "support/le_fields.h"
#ifdef VELBRY_HAVE_SDL2_AUDIO
#include "platform/sdl2/sdl2_audio.h"
#endif

namespace music {
namespace {

WAVEFORMATEX stereo16() {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    return format;
}

// Eight frames whose bytes all differ, so that any misplaced byte shows.
struct Buffer {
    Buffer() {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i + 1);
        }
        header.lpData = bytes.data();
        header.dwBufferLength = static_cast<DWORD>(bytes.size());
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFFu;
    }
    std::array<char, 32> bytes{};
    WAVEHDR header;
};

std::vector<std::uint8_t> framesOf(const Buffer& buffer, std::initializer_list<int> frames) {
    std::vector<std::uint8_t> bytes;
    for (int frame : frames) {
        for (int b = 0; b < 4; ++b) {
            bytes.push_back(static_cast<std::uint8_t>(buffer.bytes[static_cast<std::size_t>(frame * 4 + b)]));
        }
    }
    return bytes;
}

DWORD bytePosition(AudioDevice& device) {
    MMTIME time;
    time.wType = TIME_BYTES;
    EXPECT_EQ(device.getPosition(time), MMSYSERR_NOERROR);
    EXPECT_EQ(time.wType, TIME_BYTES);
    return time.u.cb;
}

class OfflineDeviceTest : public ::testing::Test {
protected:
    std::vector<std::uint8_t> played;
    headless::OfflineAudioDevice device{
        [this](std::span<const std::uint8_t> bytes) { played.insert(played.end(), bytes.begin(), bytes.end()); }};
    Buffer buffer;
};

TEST_F(OfflineDeviceTest, FollowsTheWaveOutRulesForOneBuffer) {
    EXPECT_EQ(device.prepareHeader(buffer.header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(device.reset(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(device.close(), MMSYSERR_INVALHANDLE);
    WAVEFORMATEX eightBit = stereo16();
    eightBit.wBitsPerSample = 8;
    EXPECT_EQ(device.open(WAVE_MAPPER, eightBit, CALLBACK_NULL), WAVERR_BADFORMAT);

    ASSERT_EQ(device.open(WAVE_MAPPER, stereo16(), CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(device.open(WAVE_MAPPER, stereo16(), CALLBACK_NULL), MMSYSERR_ALLOCATED);
    EXPECT_EQ(device.write(buffer.header), WAVERR_UNPREPARED);
    ASSERT_EQ(device.prepareHeader(buffer.header), MMSYSERR_NOERROR);
    EXPECT_NE(buffer.header.dwFlags & WHDR_PREPARED, 0u);
    ASSERT_EQ(device.write(buffer.header), MMSYSERR_NOERROR);
    EXPECT_NE(buffer.header.dwFlags & WHDR_INQUEUE, 0u);
    EXPECT_EQ(device.unprepareHeader(buffer.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(device.close(), WAVERR_STILLPLAYING);

    device.advance(3);
    EXPECT_EQ(bytePosition(device), 12u);
    EXPECT_EQ(device.reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.dwFlags & (WHDR_INQUEUE | WHDR_DONE), WHDR_DONE);
    EXPECT_EQ(bytePosition(device), 0u);
    EXPECT_EQ(device.unprepareHeader(buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.dwFlags & WHDR_PREPARED, 0u);
    EXPECT_EQ(device.close(), MMSYSERR_NOERROR);
    EXPECT_EQ(device.reset(), MMSYSERR_INVALHANDLE);
}

TEST_F(OfflineDeviceTest, LoopsTheBufferAndCountsBytesAcrossLoops) {
    ASSERT_EQ(device.open(WAVE_MAPPER, stereo16(), CALLBACK_NULL), MMSYSERR_NOERROR);
    device.advance(2);  // nothing queued yet: silence, and the clock of the buffer does not move
    EXPECT_EQ(played, std::vector<std::uint8_t>(8, 0));
    played.clear();

    device.prepareHeader(buffer.header);
    device.write(buffer.header);
    device.advance(5);
    device.advance(7);
    EXPECT_EQ(played, framesOf(buffer, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3}));
    EXPECT_EQ(bytePosition(device), 48u);
    EXPECT_EQ(device.playedBytes(), 48u);

    MMTIME samples;
    samples.wType = TIME_SAMPLES;
    device.getPosition(samples);
    EXPECT_EQ(samples.u.sample, 12u);
    MMTIME milliseconds;
    milliseconds.wType = TIME_MS;
    device.getPosition(milliseconds);
    EXPECT_EQ(milliseconds.wType, TIME_BYTES);
    EXPECT_EQ(milliseconds.u.cb, 48u);
    device.reset();
}

TEST_F(OfflineDeviceTest, AnUnloopedBufferPlaysOnceThenSilence) {
    buffer.header.dwFlags = 0;
    ASSERT_EQ(device.open(WAVE_MAPPER, stereo16(), CALLBACK_NULL), MMSYSERR_NOERROR);
    device.prepareHeader(buffer.header);
    device.write(buffer.header);
    device.advance(10);
    auto expected = framesOf(buffer, {0, 1, 2, 3, 4, 5, 6, 7});
    expected.resize(40, 0);
    EXPECT_EQ(played, expected);
    EXPECT_FALSE(device.isPlaying());
    EXPECT_EQ(buffer.header.dwFlags & (WHDR_INQUEUE | WHDR_DONE), WHDR_DONE);
    EXPECT_EQ(bytePosition(device), 32u);
    EXPECT_EQ(device.close(), MMSYSERR_NOERROR);
}

std::vector<std::uint8_t> readAll(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file != nullptr) {
        EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }
    return bytes;
}

using testsupport::u32At;

TEST_F(OfflineDeviceTest, PlaysIntoAWavFile) {
    // A name of its own, so that test runs in several build directories at once do not collide.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto path = std::filesystem::temp_directory_path() / ("velbry_offline_" + std::to_string(stamp) + ".wav");
    headless::WavWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path.string(), 44100, 2, error)) << error;
    headless::OfflineAudioDevice wavDevice([&writer](std::span<const std::uint8_t> bytes) { writer.write(bytes); });
    ASSERT_EQ(wavDevice.open(WAVE_MAPPER, stereo16(), CALLBACK_NULL), MMSYSERR_NOERROR);
    wavDevice.prepareHeader(buffer.header);
    wavDevice.write(buffer.header);
    wavDevice.advance(10);
    wavDevice.reset();
    ASSERT_TRUE(writer.close());
    EXPECT_FALSE(writer.write(std::span<const std::uint8_t>()));

    const auto file = readAll(path);
    std::filesystem::remove(path);
    ASSERT_EQ(file.size(), 44u + 40u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(u32At(file, 4), 36u + 40u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32At(file, 16), 16u);
    EXPECT_EQ(u32At(file, 20), 1u | 2u << 16);  // PCM, two channels
    EXPECT_EQ(u32At(file, 24), 44100u);
    EXPECT_EQ(u32At(file, 28), 176400u);
    EXPECT_EQ(u32At(file, 32), 4u | 16u << 16);  // block align, bits
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    EXPECT_EQ(u32At(file, 40), 40u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 44, file.end()),
              framesOf(buffer, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));

    headless::WavWriter unwritable;
    EXPECT_FALSE(unwritable.open((path.parent_path() / "no_such_dir" / "x.wav").string(), 44100, 2, error));
    EXPECT_FALSE(error.empty());
}

TEST(AudioFactory, NamesTheBackendsAndSelectsOne) {
    const std::string names = platform::audioBackendNames();
    EXPECT_NE(names.find("offline"), std::string::npos);
    EXPECT_EQ(platform::audioBackends().back().name, "offline");
#ifdef VELBRY_HAVE_SDL2_AUDIO
    EXPECT_EQ(platform::defaultAudioBackend(), "sdl2");
#endif
    for (const platform::AudioBackend& backend : platform::audioBackends()) {
        EXPECT_NE(platform::createAudioDevice(backend.name).device, nullptr) << backend.name;
    }
    const platform::AudioDeviceCreation unknown = platform::createAudioDevice("Offline");
    EXPECT_EQ(unknown.device, nullptr);
    EXPECT_NE(unknown.error.find("offline"), std::string::npos) << unknown.error;

    std::string error;
    EXPECT_FALSE(platform::selectAudioDevice("no such device", error));
    ASSERT_TRUE(platform::selectAudioDevice("offline", error)) << error;
    AudioDevice* selected = audioDevice();
    EXPECT_NE(dynamic_cast<headless::OfflineAudioDevice*>(selected), nullptr);

    // The selected device cannot be swapped from under a playing song.
    const auto song = test::risingSawSong();
    test::ModulePtr module(test::loadFromMemory(song));
    ASSERT_TRUE(startPlayback(module.get()));
    EXPECT_FALSE(platform::selectAudioDevice("offline", error));
    EXPECT_EQ(audioDevice(), selected);
    stopPlayback(module.get());
    EXPECT_TRUE(platform::selectAudioDevice("offline", error));
    setAudioDevice(nullptr);
}

#ifdef VELBRY_HAVE_SDL2_AUDIO
// SDL's dummy driver consumes the buffer in real time without hardware, so the whole path runs here.
TEST(Sdl2AudioDevice, PlaysTheRingOnTheDummyDriver) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto song = test::risingSawSong();
    test::ModulePtr module(test::loadFromMemory(song));
    sdl2::Sdl2AudioDevice device;
    setAudioDevice(&device);
    ASSERT_TRUE(startPlayback(module.get())) << "SDL's dummy audio driver did not open";

    // The device leaves block 0 within about 20 ms; wait far longer before calling it stuck.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    DWORD position = 0;
    while ((position = bytePosition(device)) < 4 * 884 * 4) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "SDL never consumed the ring";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(stopPlayback(module.get()));
    MMTIME time;
    time.wType = TIME_BYTES;
    EXPECT_EQ(device.getPosition(time), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(device.close(), MMSYSERR_INVALHANDLE);
    setAudioDevice(nullptr);
}

// A buffer without loop flags plays once; the callback then drops it on its own thread, and the device
// closes without a reset.
TEST(Sdl2AudioDevice, AnUnloopedBufferPlaysOutAndTheDeviceCloses) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Buffer buffer;
    buffer.header.dwFlags = 0;
    sdl2::Sdl2AudioDevice device;
    ASSERT_EQ(device.open(WAVE_MAPPER, stereo16(), CALLBACK_NULL), MMSYSERR_NOERROR) << "no SDL dummy audio driver";
    ASSERT_EQ(device.prepareHeader(buffer.header), MMSYSERR_NOERROR);
    ASSERT_EQ(device.write(buffer.header), MMSYSERR_NOERROR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    MMRESULT closed = MMSYSERR_ERROR;
    while ((closed = device.close()) == WAVERR_STILLPLAYING) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the buffer never played out";
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(closed, MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.dwFlags & (WHDR_INQUEUE | WHDR_DONE), WHDR_DONE);
}

// The output thread's protocol on a small ring that SDL loops many times: each position query hands back
// the blocks the callback has left behind, and the writer rewrites them while SDL keeps playing the rest.
// Run under a thread sanitizer, it also checks the hand-over through the position query.
TEST(Sdl2AudioDevice, BlocksRewrittenBehindThePositionAreHandedOverCleanly) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    constexpr std::size_t kBlockBytes = 4096;
    constexpr std::size_t kBlocks = 8;
    constexpr DWORD kRingBytes = kBlockBytes * kBlocks;
    std::vector<char> ring(kRingBytes, 1);
    WAVEHDR header;
    header.lpData = ring.data();
    header.dwBufferLength = kRingBytes;
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 0xFFFFFFFFu;
    // The dummy driver plays in real time. At 48 kHz the ring loops every 170 ms: soon enough for a short
    // test, and slow enough that a busy machine's scheduling stall never lets a whole loop pass unseen
    // (at 192 kHz a 43 ms stall did, and the count below came up short).
    WAVEFORMATEX fast = stereo16();
    fast.nSamplesPerSec = 48000;
    fast.nAvgBytesPerSec = 48000 * 4;

    sdl2::Sdl2AudioDevice device;
    ASSERT_EQ(device.open(WAVE_MAPPER, fast, CALLBACK_NULL), MMSYSERR_NOERROR) << "no SDL dummy audio driver";
    ASSERT_EQ(device.prepareHeader(header), MMSYSERR_NOERROR);
    ASSERT_EQ(device.write(header), MMSYSERR_NOERROR);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    std::size_t writeIndex = 0;
    int rewritten = 0;
    DWORD position = 0;
    while ((position = bytePosition(device)) < 6 * kRingBytes) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "SDL stopped consuming the ring";
        const std::size_t playBlock = (position % kRingBytes) / kBlockBytes;
        while (writeIndex != playBlock) {
            std::fill_n(ring.begin() + static_cast<std::ptrdiff_t>(writeIndex * kBlockBytes), kBlockBytes,
                        static_cast<char>(rewritten));
            writeIndex = (writeIndex + 1) % kBlocks;
            ++rewritten;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(device.reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(device.unprepareHeader(header), MMSYSERR_NOERROR);
    EXPECT_EQ(device.close(), MMSYSERR_NOERROR);
    // Every block behind the position was handed back for rewriting on each of the loops.
    EXPECT_GE(rewritten, static_cast<int>(5 * kBlocks));
}
#endif

}  // namespace
}  // namespace music
