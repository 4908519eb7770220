// The Music script object: its private copy of the module blob, start and stop in every order, and
// blobs that must leave the presentation silent instead of crashing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "graph/constructor.h"
#include "music/music.h"
#include "output_test_support.h"
#include "platform/headless/offline_audio.h"
#include "shell/class_table.h"

namespace music {
namespace {

// A script blob: the little-endian length field, then the payload (which may be shorter than the field
// claims, as a truncated script would give).
struct ScriptBlob {
    std::vector<std::uint8_t> storage;
    std::size_t payloadSize = 0;

    graph::Blob blob() const {
        return {storage.data(), std::span<const std::uint8_t>(storage.data() + 4, payloadSize)};
    }
};

ScriptBlob blobOf(const std::vector<std::uint8_t>& payload, std::int32_t lengthField) {
    ScriptBlob result;
    const auto field = static_cast<std::uint32_t>(lengthField);
    result.storage.resize(4 + payload.size());
    for (int i = 0; i < 4; ++i) {
        result.storage[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(field >> (8 * i));
    }
    std::copy(payload.begin(), payload.end(), result.storage.begin() + 4);
    result.payloadSize = payload.size();
    return result;
}

ScriptBlob blobOf(const std::vector<std::uint8_t>& payload) {
    return blobOf(payload, static_cast<std::int32_t>(payload.size()));
}

class MusicObjectTest : public ::testing::Test {
protected:
    void SetUp() override { setAudioDevice(&device); }
    void TearDown() override { setAudioDevice(nullptr); }

    // Declared first so that it outlives the objects in the store, whose destruction stops the music.
    headless::OfflineAudioDevice device;
    graph::ObjectStore store;
};

TEST_F(MusicObjectTest, KeepsItsOwnCopyOfTheBlob) {
    const auto song = test::risingSawSong();
    ScriptBlob script = blobOf(song);
    Music* music = makeMusic(store, script.blob());
    ASSERT_NE(music, nullptr);
    EXPECT_TRUE(std::equal(music->block().begin(), music->block().end(), script.storage.begin(),
                           script.storage.end()));
    EXPECT_EQ(music->module(), nullptr);

    // The script's bytes are not referenced after construction.
    std::fill(script.storage.begin(), script.storage.end(), std::uint8_t{0xEE});
    EXPECT_TRUE(music->start());
    ASSERT_NE(music->module(), nullptr);
    EXPECT_EQ(music->module()->channelCount, 2);
    EXPECT_EQ(memoryFile().base, nullptr);
    EXPECT_TRUE(device.isPlaying());
    music->stop();
}

TEST_F(MusicObjectTest, StartPlaysAndStopSilencesKeepingTheModule) {
    ScriptBlob script = blobOf(test::risingSawSong());
    Music* music = makeMusic(store, script.blob());
    music->stop();  // before start: nothing to stop
    EXPECT_FALSE(device.isOpen());

    ASSERT_TRUE(music->start());
    EXPECT_EQ(audioOutput().module, music->module());
    device.advance(kMixRate / 10);
    music->stop();
    EXPECT_FALSE(device.isOpen());
    EXPECT_NE(music->module(), nullptr);
    EXPECT_EQ(audioOutput().module, nullptr);
    music->stop();
    EXPECT_FALSE(device.isOpen());
}

TEST_F(MusicObjectTest, BadBlobsGiveASilentObject) {
    const auto song = test::risingSawSong();
    const std::vector<std::uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'd', 'u', 'l', 'e', 0, 1, 2};
    const std::array cases = {
        blobOf(song, -1),                                              // negative length
        blobOf(song, static_cast<std::int32_t>(song.size()) + 1),      // longer than the script holds
        blobOf({}),                                                    // empty module
        blobOf(garbage),                                               // not a module
        blobOf(std::vector<std::uint8_t>(song.begin(), song.begin() + 40)),  // cut inside the header
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        Music* music = makeMusic(store, cases[i].blob());
        ASSERT_NE(music, nullptr);
        EXPECT_FALSE(music->start());
        EXPECT_EQ(music->module(), nullptr);
        EXPECT_FALSE(device.isOpen());
        music->stop();
    }
    Music* notABlob = makeMusic(store, graph::Blob{});
    EXPECT_TRUE(notABlob->block().empty());
    EXPECT_FALSE(notABlob->start());
}

// A block given to the constructor directly is read no further than it reaches, whatever its length
// field claims (an address sanitizer sees any read past it): a module cut inside its header fails to
// load, a whole one followed by nothing still plays.
TEST_F(MusicObjectTest, ALengthFieldBeyondTheBlockIsNotFollowed) {
    const auto song = test::risingSawSong();
    const auto blockOf = [](const std::vector<std::uint8_t>& payload, std::uint32_t field) {
        std::vector<std::uint8_t> block(4 + payload.size());
        for (int i = 0; i < 4; ++i) block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(field >> (8 * i));
        std::copy(payload.begin(), payload.end(), block.begin() + 4);
        return block;
    };
    Music cut(blockOf(std::vector<std::uint8_t>(song.begin(), song.begin() + 40), 0x7FFFFFFFu));
    EXPECT_FALSE(cut.start());
    EXPECT_EQ(cut.module(), nullptr);

    Music whole(blockOf(song, static_cast<std::uint32_t>(song.size()) + 5000));
    ASSERT_TRUE(whole.start());
    EXPECT_EQ(whole.module()->channelCount, 2);
    whole.stop();
}

TEST_F(MusicObjectTest, ALoadedModuleWithoutADeviceStaysSilent) {
    setAudioDevice(nullptr);
    ScriptBlob script = blobOf(test::risingSawSong());
    Music* music = makeMusic(store, script.blob());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(music->start());
    ::testing::internal::GetCapturedStderr();
    EXPECT_NE(music->module(), nullptr);
    music->stop();
}

TEST_F(MusicObjectTest, ClassTableBuildsMusicAtItsIndex) {
    ScriptBlob script = blobOf(test::risingSawSong());
    const std::array args = {graph::ScriptArg::blob(script.storage.data(), script.blob().bytes)};
    const graph::Constructor constructor =
        shell::mainClassTable()[static_cast<std::size_t>(shell::ClassIndex::Music)];
    auto* music = dynamic_cast<Music*>(constructor(store, std::span<const graph::ScriptArg>(args)));
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->block().size(), script.storage.size());
}

}  // namespace
}  // namespace music
