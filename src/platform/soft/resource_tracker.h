// Counts a device's live D3DPOOL_DEFAULT resources: Direct3D refuses to Reset while any remain, and the
// software device does the same so that lost-device handling behaves as it will on real hardware.
#pragma once

#include <memory>

#include "device/d3d9_types.h"

namespace soft {

struct ResourceTracker {
    int liveDefaultPoolResources = 0;
};

// Held by each resource: registers it while it lives when it sits in the default pool.
class DefaultPoolToken {
public:
    DefaultPoolToken(std::shared_ptr<ResourceTracker> tracker, device::D3DPOOL pool)
        : tracker_(pool == device::D3DPOOL_DEFAULT ? std::move(tracker) : nullptr) {
        if (tracker_) ++tracker_->liveDefaultPoolResources;
    }
    DefaultPoolToken(const DefaultPoolToken&) = delete;
    DefaultPoolToken& operator=(const DefaultPoolToken&) = delete;
    ~DefaultPoolToken() {
        if (tracker_) --tracker_->liveDefaultPoolResources;
    }

private:
    std::shared_ptr<ResourceTracker> tracker_;
};

}  // namespace soft
