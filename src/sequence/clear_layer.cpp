// The clear layer.
#include "sequence/clear_layer.h"

#include <string>

#include "device/device_state.h"

namespace sequence {

namespace {

constexpr std::int32_t kClearBits = 1 | 2 | 4;

}  // namespace

void ClearLayer::update(float) {}

void ClearLayer::render(float) {
    device::IDirect3DDevice9* device = device::deviceState().device.get();
    if (device == nullptr || flags_ <= 0) {
        return;
    }
    device->Clear(0, nullptr, static_cast<device::DWORD>(flags_), color_, 1.0f, 0);
}

ClearLayer* makeClearLayer(graph::ObjectStore& store, std::int32_t color, std::int32_t flags) {
    if (flags > 0 && (flags & ~kClearBits) != 0) {
        store.rejectRecord("ClearLayer: argument 2: the flags " + std::to_string(flags) +
                           " name more than target (1), depth (2) and stencil (4)");
        return nullptr;
    }
    return store.make<ClearLayer>(static_cast<device::D3DCOLOR>(color), flags);
}

}  // namespace sequence
