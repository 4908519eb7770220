// The registered file operations and MemoryFile, which serves the module block embedded in the program.
#include "music/file_callbacks.h"

#include <cstring>

#include "music/music_state.h"

namespace music {

namespace {

FileHandle memoryOpen(const char* /*name*/) {
    // The handle is only a token; MemoryFile serves its one block whatever the name.
    return const_cast<std::uint8_t*>(memoryFile().base);
}

void memoryClose(FileHandle /*handle*/) {}

std::int32_t memoryRead(void* destination, std::int32_t length, FileHandle /*handle*/) {
    MemoryFileState& file = memoryFile();
    // A negative length or a position left before the start by a negative seek reads nothing.
    if (length <= 0 || file.position < 0 || file.base == nullptr) {
        return 0;
    }
    if (static_cast<std::int64_t>(file.position) + length >= file.size) {
        length = file.size - file.position;
    }
    if (length <= 0) {
        return 0;
    }
    std::memcpy(destination, file.base + file.position, static_cast<std::size_t>(length));
    file.position += length;
    return length;
}

void memorySeek(FileHandle /*handle*/, std::int32_t offset, std::int32_t whence) {
    MemoryFileState& file = memoryFile();
    // 64-bit sums so that huge offsets saturate instead of wrapping.
    std::int64_t position = file.position;
    switch (whence) {
    case 0: position = offset; break;
    case 1: position += offset; break;
    case 2: position = static_cast<std::int64_t>(file.size) + offset; break;
    default: return;
    }
    if (position > file.size) {
        position = file.size;
    }
    if (position < INT32_MIN) {
        position = INT32_MIN;
    }
    file.position = static_cast<std::int32_t>(position);
}

std::int32_t memoryTell(FileHandle /*handle*/) {
    return memoryFile().position;
}

}  // namespace

void setFileCallbacks(const FileCallbacks& callbacks) {
    const bool complete = callbacks.open != nullptr && callbacks.close != nullptr && callbacks.read != nullptr &&
                          callbacks.seek != nullptr && callbacks.tell != nullptr;
    musicState().fileCallbacks = complete ? callbacks : FileCallbacks{};
}

const FileCallbacks& fileCallbacks() {
    return musicState().fileCallbacks;
}

bool fileCallbacksComplete() {
    return musicState().fileCallbacks.open != nullptr;  // set together or not at all
}

MemoryFileState& memoryFile() {
    return musicState().memoryFile;
}

void setMemoryFile(const std::uint8_t* base, std::int32_t size) {
    MemoryFileState& file = memoryFile();
    file.base = base;
    file.size = base != nullptr && size > 0 ? size : 0;
    file.position = 0;
}

FileCallbacks memoryFileCallbacks() {
    return FileCallbacks{&memoryOpen, &memoryClose, &memoryRead, &memorySeek, &memoryTell};
}

}  // namespace music
