// Entry point of the Direct3D 9 backend: the engine's IDirect3D9 over the system's d3d9 library.
// Includes no Windows header, so the device factory can name it.
#pragma once

#include "device/d3d9_interfaces.h"

namespace win32 {

// Loads "d3d9" at run time and calls its Direct3DCreate9 with D3D_SDK_VERSION (32). Null when the library,
// its entry point or the Direct3D object is missing. The caller owns the one reference returned.
device::IDirect3D9* createDirect3D9();

}  // namespace win32
