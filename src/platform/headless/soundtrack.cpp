// Offline rendering of the music.
#include "platform/headless/soundtrack.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <vector>

#include "music/audio_output.h"
#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "platform/headless/file_output.h"
#include "platform/headless/wav_writer.h"

namespace headless {
namespace {

constexpr std::size_t kLengthFieldSize = 4;

// Loads through MemoryFile from the music's copy, as the music's start does.
music::Module* loadFromBlock(std::span<const std::uint8_t> block) {
    if (block.size() < kLengthFieldSize) {
        return nullptr;
    }
    const std::span<const std::uint8_t> bytes = block.subspan(kLengthFieldSize);
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    music::Module* module = music::loadModule(nullptr, nullptr);
    music::setMemoryFile(nullptr, 0);
    return module;
}

}  // namespace

std::int64_t soundtrackFrames(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * kSoundtrackRate));
}

bool renderSoundtrack(const music::Music& music, std::int64_t frames, const SoundSink& sink, std::string& error) {
    static_assert(std::endian::native == std::endian::little, "PCM bytes are handed on as the host's int16 bytes");
    music::Module* module = loadFromBlock(music.block());
    if (module == nullptr) {
        error = "the music's module does not load";
        return false;
    }
    music::preparePlayback(*module);
    const std::int32_t blockFrames = music::blockLengthFor(kSoundtrackRate);
    std::vector<float> mix(2 * static_cast<std::size_t>(blockFrames));
    std::vector<std::int16_t> pcm(2 * static_cast<std::size_t>(blockFrames));
    bool ok = true;
    for (std::int64_t done = 0; ok && done < frames;) {
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(blockFrames, frames - done));
        music::renderBlock(*module, mix.data(), pcm.data(), count);
        ok = sink({reinterpret_cast<const std::uint8_t*>(pcm.data()), 4 * static_cast<std::size_t>(count)});
        done += count;
    }
    music::freeModule(module);
    if (!ok) {
        error = "the sound could not be written";
    }
    return ok;
}

bool writeSoundtrackWav(const music::Music& music, std::int64_t frames, const std::string& path, std::string& error) {
    const std::string part = partPathFor(path);
    WavWriter wav;
    if (!wav.open(part, kSoundtrackRate, 2, error)) {
        error = "cannot write " + path;
        return false;
    }
    const bool rendered = renderSoundtrack(
        music, frames, [&wav](std::span<const std::uint8_t> bytes) { return wav.write(bytes); }, error);
    const bool closed = wav.close();
    if (!rendered || !closed) {
        if (rendered) {
            error = "cannot write " + path + ": a write failed";
        }
        std::error_code code;
        std::filesystem::remove(part, code);
        return false;
    }
    return commitPart(part, path, error);
}

}  // namespace headless
