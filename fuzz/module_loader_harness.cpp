// Module-loader harness: what the music object does with the embedded block (MemoryFile, loadModule),
// followed by what the output thread does with the module (blocks of the output ring's size).
#include "module_loader_harness.h"

#include <climits>
#include <memory>
#include <vector>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/music_state.h"
#include "music/playback_rules.h"
#include "music/playback_state.h"

namespace fuzzing {

namespace {

constexpr std::int32_t kBlockFrames = 884;
constexpr std::int32_t kSecondsPlayed = 3;

// Loads and plays one input under one rule set.
void loadAndPlay(const std::uint8_t* data, std::size_t size, music::PlaybackRules rules) {
    // Every run starts from the start-up state, so that a crash reproduces from its input alone.
    music::resetMusicState();
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(data, static_cast<std::int32_t>(size));
    // Nothing plays it in the background, so it can go without the output thread's hand-shake.
    const std::unique_ptr<music::Module> module(music::loadModule("fuzz.xm", nullptr, rules));
    music::setMemoryFile(nullptr, 0);
    if (module == nullptr) {
        return;
    }
    music::preparePlayback(*module);
    std::vector<float> mix(2 * kBlockFrames);
    std::vector<std::int16_t> pcm(2 * kBlockFrames);
    const std::int32_t blocks = kSecondsPlayed * music::playbackState().mixRate / kBlockFrames + 1;
    for (std::int32_t b = 0; b < blocks; ++b) {
        music::renderBlock(*module, mix.data(), pcm.data(), kBlockFrames);
    }
}

}  // namespace

// The loader and the replayer take different paths under the two rule sets (header lengths, older
// layouts, effect behaviours), so every input goes through both.
void runModuleLoaderInput(const std::uint8_t* data, std::size_t size) {
    if (size > INT_MAX) {
        return;
    }
    loadAndPlay(data, size, music::PlaybackRules::Engine);
    loadAndPlay(data, size, music::PlaybackRules::FastTracker2);
}

}  // namespace fuzzing
