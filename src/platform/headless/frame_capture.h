// Reads the current render target back into memory through the device interface alone, so it works the
// same for every backend: GetRenderTarget, a system-memory copy, LockRect.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/d3d9_interfaces.h"

namespace headless {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // rows top first, 0xAARRGGBB words (alpha undefined for X8R8G8B8)
};

// Captures render target 0. Call it after the last draw of the frame and before Present, which may discard
// the back buffer. False with a message in error when a step fails or the target's format is not
// X8R8G8B8 or A8R8G8B8.
bool captureFrame(device::IDirect3DDevice9& device, Frame& frame, std::string& error);

}  // namespace headless
