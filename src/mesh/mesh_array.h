// The growable array behind every per-vertex, per-face and per-line list of a mesh, with the device buffer
// its contents move into when the mesh is prepared for drawing. Growth follows the engine's array rule.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#include "mesh/device_buffer.h"
#include "mesh/mesh_memory.h"

namespace mesh {

// Contents live in memory until an upload moves them into a device buffer; from then on the memory is
// gone, count still gives the element count, and data() is null except while the buffer is mapped.
template <typename T>
class MeshArray {
    static_assert(std::is_trivially_copyable_v<T>,
                  "mesh arrays hold plain records copied bytewise into device buffers");

public:
    MeshArray() = default;
    MeshArray(const MeshArray&) = delete;
    MeshArray& operator=(const MeshArray&) = delete;
    MeshArray(MeshArray&& other) noexcept { swap(other); }
    MeshArray& operator=(MeshArray&& other) noexcept {
        MeshArray(std::move(other)).swap(*this);
        return *this;
    }
    ~MeshArray() {
        unlock();
        account(-capacity_);
    }

    std::int32_t count() const { return count_; }
    std::int32_t capacity() const { return capacity_; }
    bool empty() const { return count_ == 0; }

    // Null when the contents sit in an unmapped device buffer (or nothing was ever allocated).
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::int32_t i) { return data_[i]; }
    const T& operator[](std::int32_t i) const { return data_[i]; }
    std::span<T> span() { return {data_, static_cast<std::size_t>(data_ != nullptr ? count_ : 0)}; }
    std::span<const T> span() const { return {data_, static_cast<std::size_t>(data_ != nullptr ? count_ : 0)}; }

    // True while the elements can be read and written without a lock.
    bool inMemory() const { return !buffer_ || mapping_ != Mapping::None; }
    const DeviceBuffer& buffer() const { return buffer_; }

    // Room for one more element: straight to 32 from a capacity below 16, else doubling.
    void pushBack(const T& element) {
        const T value = element;  // element may live in this array's block, which growing frees
        if (count_ == capacity_) {
            if (capacity_ > std::numeric_limits<std::int32_t>::max() / 2) throw std::bad_alloc();
            reserve(capacity_ < 16 ? 32 : capacity_ * 2);
        }
        data_[count_++] = value;
    }

    // Allocates exactly n elements when n exceeds the capacity, zero-filled past the first count.
    void reserve(std::int32_t n) {
        if (n <= capacity_) return;
        auto block = std::make_unique<T[]>(static_cast<std::size_t>(n));  // value-initialised: zero bytes
        if (count_ > 0) std::memcpy(block.get(), data_, sizeof(T) * static_cast<std::size_t>(count_));
        memory_ = std::move(block);
        data_ = memory_.get();
        account(n - capacity_);
        capacity_ = n;
    }

    // Room for extra more elements, growing at least twofold when it grows, so that appending many small
    // pieces one after another costs linear time.
    void reserveMore(std::int32_t extra) {
        const std::int64_t needed = static_cast<std::int64_t>(count_) + extra;
        if (needed <= capacity_) return;
        if (needed > std::numeric_limits<std::int32_t>::max()) throw std::bad_alloc();
        const std::int64_t doubled = capacity_ < 16 ? 32 : 2 * static_cast<std::int64_t>(capacity_);
        reserve(static_cast<std::int32_t>(std::min<std::int64_t>(std::max(needed, doubled),
                                                                  std::numeric_limits<std::int32_t>::max())));
    }

    // Sets the count to n; elements past the old count are zero bytes. Grows the storage as reserveMore
    // does and never shrinks it.
    void resize(std::int32_t n) {
        if (n > count_) {
            reserveMore(n - count_);
            std::memset(static_cast<void*>(data_ + count_), 0, sizeof(T) * static_cast<std::size_t>(n - count_));
        }
        count_ = std::max(n, 0);
    }

    // Count and capacity become the source's count; the elements are copied.
    void assign(const MeshArray& source) {
        auto block = std::make_unique<T[]>(static_cast<std::size_t>(source.count_));
        if (source.count_ > 0) {
            std::memcpy(block.get(), source.data_, sizeof(T) * static_cast<std::size_t>(source.count_));
        }
        memory_ = std::move(block);
        data_ = memory_.get();
        account(source.count_ - capacity_);
        count_ = capacity_ = source.count_;
    }

    // Count 0; the storage stays for reuse.
    void clear() { count_ = 0; }

    // Maps the device buffer, if there is one, and makes data() its address; without a buffer the
    // memory is already readable. Repeated calls are harmless. False only when the mapping fails.
    bool lockForRead() { return lock(Mapping::Read); }
    bool lockForWrite() { return lock(Mapping::Write); }
    // Unmaps the device buffer, if mapped; data() is null again. Does nothing for contents in memory.
    void unlock() {
        if (buffer_ && mapping_ != Mapping::None) {
            buffer_.unlock();
            mapping_ = Mapping::None;
            data_ = nullptr;
        }
    }

    // Moves the contents into a new managed vertex (or 32-bit index) buffer of sizeof(T) x count bytes
    // and releases the memory. When the device refuses the buffer (or there is nothing to upload) the
    // contents stay in memory and the result is false.
    bool uploadVertices(device::IDirect3DDevice9* device) { return upload(device, false); }
    bool uploadIndices(device::IDirect3DDevice9* device) { return upload(device, true); }

private:
    enum class Mapping : std::uint8_t { None, Read, Write };

    bool lock(Mapping wanted) {
        if (!buffer_ || mapping_ == wanted || mapping_ == Mapping::Write) return !buffer_ || data_ != nullptr;
        unlock();
        void* mapped = buffer_.lock(wanted == Mapping::Read ? device::D3DLOCK_READONLY : 0u);
        if (mapped == nullptr) return false;
        data_ = static_cast<T*>(mapped);
        mapping_ = wanted;
        return true;
    }

    bool upload(device::IDirect3DDevice9* device, bool indices) {
        const std::size_t bytes = sizeof(T) * static_cast<std::size_t>(count_);
        if (device == nullptr || buffer_ || count_ == 0 || bytes > std::numeric_limits<device::UINT>::max()) {
            return false;
        }
        const auto length = static_cast<device::UINT>(bytes);
        DeviceBuffer created;
        const bool made = indices ? created.createIndexBuffer(*device, length)
                                  : created.createVertexBuffer(*device, length);
        void* mapped = made ? created.lock(0) : nullptr;
        if (mapped == nullptr) return false;
        std::memcpy(mapped, data_, bytes);
        created.unlock();
        buffer_ = std::move(created);
        memory_.reset();
        data_ = nullptr;
        account(-capacity_);
        capacity_ = 0;
        return true;
    }

    static void account(std::int64_t elements) { MeshMemory::change(elements * static_cast<std::int64_t>(sizeof(T))); }

    void swap(MeshArray& other) noexcept {
        std::swap(memory_, other.memory_);
        std::swap(data_, other.data_);
        std::swap(count_, other.count_);
        std::swap(capacity_, other.capacity_);
        std::swap(buffer_, other.buffer_);
        std::swap(mapping_, other.mapping_);
    }

    std::unique_ptr<T[]> memory_;
    T* data_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
    DeviceBuffer buffer_;
    Mapping mapping_ = Mapping::None;
};

}  // namespace mesh
