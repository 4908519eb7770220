// The music object: module loading from its own copy of the blob, and playback start and stop.
#include "music/music.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

#include "graph/byte_reader.h"
#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"

namespace music {
namespace {

constexpr std::size_t kLengthFieldSize = 4;

std::int32_t readLengthField(const std::uint8_t* field) {
    return graph::ByteReader(std::span<const std::uint8_t>(field, kLengthFieldSize)).readI32LE();
}

}  // namespace

Music::Music(std::vector<std::uint8_t> block) : block_(std::move(block)) {}

// The graph normally lives until the process ends; a store destroyed earlier (tools, tests) must not
// leave the output thread playing a freed module.
Music::~Music() { freeModule(module_); }

bool Music::start() {
    // A second start plays the song again from a fresh load rather than leaking the first module.
    freeModule(module_);
    module_ = nullptr;
    setFileCallbacks(memoryFileCallbacks());
    if (block_.size() < kLengthFieldSize) {
        setMemoryFile(nullptr, 0);
    } else {
        // The length field is trusted only as far as the copy reaches: a block handed to the constructor
        // directly may claim more bytes than it holds.
        const std::size_t held = block_.size() - kLengthFieldSize;
        const std::int32_t claimed = readLengthField(block_.data());
        const std::int32_t size =
            claimed > 0 && static_cast<std::size_t>(claimed) > held ? static_cast<std::int32_t>(held) : claimed;
        setMemoryFile(block_.data() + kLengthFieldSize, size);
    }
    module_ = loadModule(nullptr, nullptr);
    setMemoryFile(nullptr, 0);
    if (module_ == nullptr) {
        return false;
    }
    return startPlayback(module_);
}

void Music::stop() {
    if (module_ != nullptr) {
        stopPlayback(module_);
    }
}

Music* makeMusic(graph::ObjectStore& store, graph::Blob module) {
    std::vector<std::uint8_t> block;
    if (module.lengthField != nullptr) {
        const std::int32_t length = readLengthField(module.lengthField);
        if (length >= 0 && static_cast<std::size_t>(length) <= module.bytes.size()) {
            block.resize(kLengthFieldSize + static_cast<std::size_t>(length));
            std::memcpy(block.data(), module.lengthField, kLengthFieldSize);
            if (length > 0) {
                std::memcpy(block.data() + kLengthFieldSize, module.bytes.data(), static_cast<std::size_t>(length));
            }
        }
    }
    return store.make<Music>(std::move(block));
}

}  // namespace music
