// The music subsystem's process-wide state: one reset brings back the start-up state from anywhere a
// test or a tool may leave it, playing included, so that the next song sounds as in a fresh process.
#include <gtest/gtest.h>

#include "music/music_state.h"
#include "output_test_support.h"

namespace music {
namespace {

using test::ModulePtr;
using test::RecordingDevice;

TEST(MusicState, ResetStopsPlaybackAndTheNextSongSoundsAsInAFreshProcess) {
    const auto song = test::risingSawSong();
    const std::int32_t ring = ringLengthFor(kMixRate);
    const auto fresh = test::straightRender(song, ring);
    ModulePtr module(test::loadFromMemory(song));
    ASSERT_NE(module, nullptr);

    // Leave every part of the state away from its start-up value, with a playback running.
    RecordingDevice device;
    playbackState().mixRate = 22050;
    emptySample().volume = 64;
    emptySample().data.assign(16, 1000);
    emptySample().length = 8;
    const std::uint8_t junk[4] = {1, 2, 3, 4};
    EXPECT_EQ(loadModule("junk", nullptr), nullptr);
    setAudioDevice(&device);
    ASSERT_TRUE(startPlayback(module.get()));
    setMemoryFile(junk, 4);

    resetMusicState();
    EXPECT_FALSE(device.isOpen);
    EXPECT_EQ(audioOutput().module, nullptr);
    EXPECT_EQ(audioOutput().pcmRing, nullptr);
    EXPECT_EQ(audioOutput().stopRequest.load(), 0);
    EXPECT_EQ(audioOutput().threadFinished.load(), 1);
    EXPECT_EQ(audioDevice(), nullptr);
    EXPECT_FALSE(fileCallbacksComplete());
    EXPECT_EQ(memoryFile().base, nullptr);
    EXPECT_TRUE(lastLoadError().empty());
    EXPECT_EQ(playbackState().mixRate, kMixRate);
    EXPECT_EQ(emptySample().frames(), nullptr);
    EXPECT_EQ(emptySample().volume, 0);
    for (const Sample* slot : emptyInstrument().samples) {
        EXPECT_EQ(slot, &emptySample());
    }

    // The same module started again fills the ring exactly as a first playback would.
    setFileCallbacks(memoryFileCallbacks());
    setAudioDevice(&device);
    ASSERT_TRUE(startPlayback(module.get()));
    EXPECT_EQ(device.ringAtWrite, fresh);
    stopPlayback(module.get());
}

}  // namespace
}  // namespace music
