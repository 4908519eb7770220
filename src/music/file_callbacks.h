// The five registered file operations through which the loader reads a module, and MemoryFile, the one
// implementation: it serves a block held in memory.
#pragma once

#include <cstdint>

namespace music {

using FileHandle = void*;

struct FileCallbacks {
    FileHandle (*open)(const char* name) = nullptr;  // null handle = failure
    void (*close)(FileHandle handle) = nullptr;
    std::int32_t (*read)(void* destination, std::int32_t length, FileHandle handle) = nullptr;
    void (*seek)(FileHandle handle, std::int32_t offset, std::int32_t whence) = nullptr;  // 0 start, 1 current, 2 end
    std::int32_t (*tell)(FileHandle handle) = nullptr;
};

// Stores all five when none is null, otherwise clears all five.
void setFileCallbacks(const FileCallbacks& callbacks);
const FileCallbacks& fileCallbacks();
bool fileCallbacksComplete();

// The memory block that MemoryFile serves; one process-wide instance, in the MusicState.
struct MemoryFileState {
    const std::uint8_t* base = nullptr;
    std::int32_t size = 0;
    std::int32_t position = 0;
};

MemoryFileState& memoryFile();
// Points MemoryFile at a block (null detaches it) and rewinds it.
void setMemoryFile(const std::uint8_t* base, std::int32_t size);
// The MemoryFile operations, ready for setFileCallbacks.
FileCallbacks memoryFileCallbacks();

}  // namespace music
