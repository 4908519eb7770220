// The one growable array of the engine: script lists, the timeline's layer lists, scene-node children.
// Elements are copied in and out bytewise and never owned; the element size is fixed by init.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace graph {

class PointerArray {
public:
    // Bytes of one object-pointer element on this host.
    static constexpr std::int32_t kPointerSize = static_cast<std::int32_t>(sizeof(void*));

    explicit PointerArray(std::int32_t elementSize = kPointerSize) { init(elementSize); }
    PointerArray(const PointerArray&) = delete;
    PointerArray& operator=(const PointerArray&) = delete;
    // A moved-from array is empty (no block, count 0, capacity 0) with its element size kept, ready for
    // pushes: count and capacity must never outlive the block they describe.
    PointerArray(PointerArray&& other) noexcept;
    PointerArray& operator=(PointerArray&& other) noexcept;
    ~PointerArray() = default;

    // Forgets the storage (no data block, count 0, capacity 0) and sets the element size.
    void init(std::int32_t elementSize);

    // With null: count and capacity become 0 and the data block is kept. Otherwise the block is replaced
    // by one of exactly source count elements (this array's element size) holding a bytewise copy.
    void assign(const PointerArray* source);

    // Grows the block to exactly newCapacity elements, zero-filled past count. Never shrinks.
    void reserve(std::int32_t newCapacity);

    // Makes room for one more element: straight to 32 from a capacity below 16, else doubling.
    void growForOne();

    void pushBack(const void* element);

    // Inserts before position (position == count appends). Returns false and changes nothing when the
    // position lies outside 0..count.
    bool insertAt(std::int32_t position, const void* element);

    // Removes the element at position; capacity stays. Returns false and changes nothing when the
    // position lies outside 0..count-1.
    bool removeAt(std::int32_t position);

    // Count 0; storage and capacity kept for reuse.
    void clear() { count_ = 0; }

    std::int32_t count() const { return count_; }
    std::int32_t capacity() const { return capacity_; }
    std::int32_t elementSize() const { return elementSize_; }
    const std::byte* data() const { return data_.get(); }
    std::byte* elementAt(std::int32_t index) { return data_.get() + offsetOf(index); }
    const std::byte* elementAt(std::int32_t index) const { return data_.get() + offsetOf(index); }

    // Typed access for arrays whose element size is sizeof(T) (object pointers, floats).
    template <typename T>
    T valueAt(std::int32_t index) const {
        T value;
        std::memcpy(&value, elementAt(index), sizeof(T));
        return value;
    }
    template <typename T>
    void pushValue(const T& value) {
        pushBack(&value);
    }
    template <typename T>
    bool insertValue(std::int32_t position, const T& value) {
        return insertAt(position, &value);
    }

private:
    std::size_t offsetOf(std::int32_t index) const {
        return static_cast<std::size_t>(index) * static_cast<std::size_t>(elementSize_);
    }
    std::size_t bytesFor(std::int32_t elements) const;

    std::unique_ptr<std::byte[]> data_;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
    std::int32_t elementSize_ = kPointerSize;
};

}  // namespace graph
