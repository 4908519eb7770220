// Growth, copy and shifting rules of the engine's growable array.
#include "graph/pointer_array.h"

#include <limits>
#include <new>
#include <utility>

namespace graph {

namespace {

// Capacities below this jump straight to kFirstCapacity; from it on they double.
constexpr std::int32_t kDoublingThreshold = 16;
constexpr std::int32_t kFirstCapacity = 32;

}  // namespace

PointerArray::PointerArray(PointerArray&& other) noexcept
    : data_(std::move(other.data_)), count_(other.count_), capacity_(other.capacity_),
      elementSize_(other.elementSize_) {
    other.count_ = 0;
    other.capacity_ = 0;
}

PointerArray& PointerArray::operator=(PointerArray&& other) noexcept {
    if (this != &other) {
        data_ = std::move(other.data_);
        count_ = other.count_;
        capacity_ = other.capacity_;
        elementSize_ = other.elementSize_;
        other.count_ = 0;
        other.capacity_ = 0;
    }
    return *this;
}

void PointerArray::init(std::int32_t elementSize) {
    data_.reset();
    count_ = 0;
    capacity_ = 0;
    elementSize_ = elementSize > 0 ? elementSize : 1;
}

std::size_t PointerArray::bytesFor(std::int32_t elements) const {
    const auto bytes = static_cast<std::size_t>(elements) * static_cast<std::size_t>(elementSize_);
    if (elements < 0 || bytes / static_cast<std::size_t>(elementSize_) != static_cast<std::size_t>(elements)) {
        throw std::bad_alloc();
    }
    return bytes;
}

void PointerArray::assign(const PointerArray* source) {
    if (source == nullptr) {
        count_ = 0;
        capacity_ = 0;
        return;
    }
    const std::int32_t newCount = source->count_;
    auto block = std::make_unique<std::byte[]>(bytesFor(newCount));
    // Element sizes may differ; each element copies the bytes both sizes have in common.
    const std::int32_t common = elementSize_ < source->elementSize_ ? elementSize_ : source->elementSize_;
    for (std::int32_t i = 0; i < newCount; ++i) {
        std::memcpy(block.get() + offsetOf(i), source->elementAt(i), static_cast<std::size_t>(common));
    }
    data_ = std::move(block);
    count_ = newCount;
    capacity_ = newCount;
}

void PointerArray::reserve(std::int32_t newCapacity) {
    if (newCapacity <= capacity_) {
        return;
    }
    auto block = std::make_unique<std::byte[]>(bytesFor(newCapacity));  // value-initialised: zeroed
    if (count_ > 0) {
        std::memcpy(block.get(), data_.get(), bytesFor(count_));
    }
    data_ = std::move(block);
    capacity_ = newCapacity;
}

void PointerArray::growForOne() {
    if (count_ < capacity_) {
        return;
    }
    if (capacity_ > std::numeric_limits<std::int32_t>::max() / 2) {
        throw std::bad_alloc();
    }
    reserve(capacity_ < kDoublingThreshold ? kFirstCapacity : capacity_ * 2);
}

void PointerArray::pushBack(const void* element) {
    growForOne();
    std::memcpy(elementAt(count_), element, static_cast<std::size_t>(elementSize_));
    ++count_;
}

bool PointerArray::insertAt(std::int32_t position, const void* element) {
    if (position < 0 || position > count_) {
        return false;
    }
    growForOne();
    std::memmove(elementAt(position + 1), elementAt(position), bytesFor(count_ - position));
    std::memcpy(elementAt(position), element, static_cast<std::size_t>(elementSize_));
    ++count_;
    return true;
}

bool PointerArray::removeAt(std::int32_t position) {
    if (position < 0 || position >= count_) {
        return false;
    }
    std::memmove(elementAt(position), elementAt(position + 1), bytesFor(count_ - position - 1));
    --count_;
    return true;
}

}  // namespace graph
