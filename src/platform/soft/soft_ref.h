// COM-style reference counting for the software device's objects, and the smart reference the device
// uses for the objects bound to it (Direct3D keeps a reference on everything bound to a device).
#pragma once

#include <utility>

#include "device/d3d9_interfaces.h"

namespace soft {

// Implements AddRef and Release of an interface: the creator holds one reference, the object deletes
// itself when the last one is released.
template <typename Interface>
class RefCounted : public Interface {
public:
    device::ULONG AddRef() override { return ++references_; }
    device::ULONG Release() override {
        const device::ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    device::ULONG referenceCount() const { return references_; }

protected:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

private:
    device::ULONG references_ = 1;
};

// Holds one reference to a reference-counted object (or nothing).
template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(T* object) : object_(object) {  // NOLINT: implicit, like the raw pointers it replaces
        if (object_) object_->AddRef();
    }
    Ref(const Ref& other) : Ref(other.object_) {}
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() {
        if (object_) object_->Release();
    }

    // Takes over a reference the caller already owns (such as a new object's first reference).
    static Ref adopt(T* object) {
        Ref ref;
        ref.object_ = object;
        return ref;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void reset() { *this = Ref(); }

private:
    T* object_ = nullptr;
};

}  // namespace soft
