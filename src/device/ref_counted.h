// RefCounted, the one implementation of AddRef and Release for the device backends' objects: the
// creator holds the first reference, the object deletes itself when the last one is released.
#pragma once

#include "device/d3d9_interfaces.h"

namespace device {

// Device calls come from one thread (devices are created without the multithreaded flag), so the count
// is a plain integer. The interface's virtual destructor lets Release delete the most derived object.
template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    ULONG referenceCount() const { return references_; }

protected:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

private:
    ULONG references_ = 1;
};

}  // namespace device
