// Entry point of the software Direct3D 9 device: a Direct3D object whose CreateDevice gives a device that
// draws with the fixed-function pipeline into memory, for Linux, tests and headless rendering.
#pragma once

#include "device/d3d9_interfaces.h"
#include "platform/soft/soft_sinks.h"

namespace soft {

// Zero or null members mean the default.
struct SoftDirect3DOptions {
    // Client area of the window a windowed device presents to; a windowed device created with a zero
    // back-buffer width or height takes it from here (800 x 500 by default).
    int windowWidth = 0;
    int windowHeight = 0;
    // Receives each presented frame; without one Present only succeeds. Must outlive every device.
    PresentSink* presentSink = nullptr;
    // Receives each draw's primitives instead of the raster stage (tests). Must outlive every device.
    RasterSink* rasterSink = nullptr;
    // Threads and kernels of the raster stage; automatic unless pinned.
    RasterSettings raster;
};

// A Direct3D object holding one reference. Its CreateDevice accepts adapter 0 with D3DDEVTYPE_HAL or
// D3DDEVTYPE_REF, windowed or full-screen parameters with X8R8G8B8 or A8R8G8B8 back buffers (D3DFMT_UNKNOWN
// when windowed), and reports vertex and pixel shader version 3.0 and eight active lights in its caps.
device::IDirect3D9* createSoftDirect3D(const SoftDirect3DOptions& options = {});

// Lost-device simulation for tests: after simulateDeviceLoss TestCooperativeLevel reports
// D3DERR_DEVICELOST and nothing is drawn or presented; after simulateDeviceRestore it reports
// D3DERR_DEVICENOTRESET until a successful Reset. Both return false for a device not made here.
bool simulateDeviceLoss(device::IDirect3DDevice9* device);
bool simulateDeviceRestore(device::IDirect3DDevice9* device);

}  // namespace soft
