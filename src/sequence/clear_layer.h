// The layer that clears (scene-script class 26): the render target and/or the depth buffer, so that a
// later layer starts from a clean buffer.
#pragma once

#include <cstdint>

#include "device/d3d9_interfaces.h"
#include "graph/constructor.h"
#include "sequence/layer.h"

namespace sequence {

class ClearLayer : public Layer {
public:
    // flags: D3DCLEAR_TARGET 1, D3DCLEAR_ZBUFFER 2, D3DCLEAR_STENCIL 4; 0 or less clears nothing.
    ClearLayer(device::D3DCOLOR color, std::int32_t flags) : color_(color), flags_(flags) {}

    void update(float t) override;
    // Clear of the whole viewport with the flags, the colour, depth 1 and stencil 0.
    void render(float t) override;

private:
    device::D3DCOLOR color_;
    std::int32_t flags_;
};

// Class 26: colour, flags. Flags beyond the three clear bits reject the record.
ClearLayer* makeClearLayer(graph::ObjectStore& store, std::int32_t color, std::int32_t flags);

}  // namespace sequence
