// The one process-wide count of the bytes that mesh arrays hold in memory, kept by MeshArray as its
// blocks come and go, so that generators can refuse a script that would exhaust memory a record at a time.
#pragma once

#include <atomic>
#include <cstdint>

namespace mesh {

class MeshMemory {
public:
    static std::int64_t liveBytes() { return counter().load(std::memory_order_relaxed); }
    static void change(std::int64_t bytes) { counter().fetch_add(bytes, std::memory_order_relaxed); }

private:
    static std::atomic<std::int64_t>& counter() {
        static std::atomic<std::int64_t> bytes{0};
        return bytes;
    }
};

}  // namespace mesh
