// DeviceRef, the one holder of a reference to a device object: the engine, the device backends, the tools
// and the tests keep their Direct3D objects (any type with COM's AddRef and Release) in it.
#pragma once

#include <cstddef>
#include <utility>

namespace device {

// Holds at most one reference and releases it when it goes. A raw pointer never becomes a DeviceRef by
// itself, because a pointer does not say whether its reference is being handed over or only shown:
//   DeviceRef<T>::adopt(p)  takes over a reference the caller owns (what a Create or Get method or a
//                           creator function handed out); no AddRef.
//   DeviceRef<T>::share(p)  adds a reference of its own (AddRef) to an object that someone else keeps.
//   ref.out()               for creation calls: releases what ref holds and hands out its empty slot, which
//                           the call fills with the reference it hands out.
// Copies add a reference; moves take it over and leave the source empty.
template <class T>
class DeviceRef {
public:
    DeviceRef() noexcept = default;
    DeviceRef(std::nullptr_t) noexcept {}  // NOLINT: lets `ref = nullptr` and `return nullptr` read naturally

    [[nodiscard]] static DeviceRef adopt(T* object) noexcept {
        DeviceRef ref;
        ref.object_ = object;
        return ref;
    }

    [[nodiscard]] static DeviceRef share(T* object) noexcept {
        if (object != nullptr) {
            object->AddRef();
        }
        return adopt(object);
    }

    DeviceRef(const DeviceRef& other) noexcept : DeviceRef(share(other.object_)) {}
    DeviceRef(DeviceRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    // The new reference is taken before the old one goes, so assigning a ref to itself keeps the object.
    DeviceRef& operator=(const DeviceRef& other) noexcept {
        DeviceRef copy(other);
        swap(copy);
        return *this;
    }
    DeviceRef& operator=(DeviceRef&& other) noexcept {
        DeviceRef moved(std::move(other));
        swap(moved);
        return *this;
    }
    ~DeviceRef() { reset(); }

    // Releases the reference, if any. The ref is empty before Release runs, so an object whose Release
    // reaches back into its holder finds it empty.
    void reset() noexcept {
        if (T* old = std::exchange(object_, nullptr)) {
            old->Release();
        }
    }

    [[nodiscard]] T** out() noexcept {
        reset();
        return &object_;
    }

    // Gives the reference to the caller (to hand it out through an out parameter); the ref is empty after.
    [[nodiscard]] T* detach() noexcept { return std::exchange(object_, nullptr); }

    T* get() const noexcept { return object_; }
    T* operator->() const noexcept { return object_; }
    T& operator*() const noexcept { return *object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }
    friend bool operator==(const DeviceRef& ref, std::nullptr_t) noexcept { return ref.object_ == nullptr; }

    void swap(DeviceRef& other) noexcept { std::swap(object_, other.object_); }

private:
    T* object_ = nullptr;
};

}  // namespace device
