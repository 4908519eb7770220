// Captures the device state the raster stage needs at draw time: the pixel pipeline (texture stages,
// samplers, fog, blending, depth) and the surfaces and viewport rectangle to draw into.
#pragma once

#include "platform/soft/device_state.h"
#include "platform/soft/raster.h"

namespace soft {

PixelState buildPixelState(const DeviceState& state);

// Fills target (and depth, which target then points to) from the bound render target, depth-stencil surface
// and viewport. False when there is no render target or the viewport rectangle is empty.
bool buildRenderTarget(DeviceState& state, RenderTarget& target, DepthSurface& depth);

}  // namespace soft
