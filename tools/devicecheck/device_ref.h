// Holds one reference to a device object and releases it when it goes, like a minimal COM smart pointer.
#pragma once

#include <utility>

namespace devicecheck {

template <class T>
class Ref {
public:
    Ref() = default;
    // Takes over the one reference a creator handed out.
    explicit Ref(T* adopted) : object_(adopted) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ~Ref() { reset(); }

    void reset() {
        if (object_ != nullptr) {
            object_->Release();
            object_ = nullptr;
        }
    }
    // For creation calls: drops the current object and hands out the slot to fill.
    T** out() {
        reset();
        return &object_;
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

}  // namespace devicecheck
