// Creates a device the way the presentation does (windowed 800 x 500, desktop format, discard, immediate
// presentation, hardware vertex processing, our own D24X8 depth-stencil surface) with the engine's two
// vertex declarations and the constant colour buffer.
#pragma once

#include <string>

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"

namespace devicecheck {

struct CheckDevice {
    device::DeviceRef<device::IDirect3DDevice9> device;
    device::DeviceRef<device::IDirect3DSurface9> depthStencil;
    device::DeviceRef<device::IDirect3DVertexDeclaration9> meshDeclaration;
    device::DeviceRef<device::IDirect3DVertexDeclaration9> quadDeclaration;
    device::DeviceRef<device::IDirect3DVertexBuffer9> constantColorBuffer;
};

// window may be null for backends that draw only into memory. False with a message in error when a step
// fails; the viewport is set to the whole 800 x 500 frame on success.
bool createCheckDevice(device::IDirect3D9& direct3d, device::HWND window, CheckDevice& check, std::string& error);

// One line about the device's capabilities, for the log.
std::string describeCaps(device::IDirect3DDevice9& device);

}  // namespace devicecheck
