// Creating the Direct3D 9 device for the shell's window, the start-up checks and their messages, the
// render buffers, and bringing a lost device back. Works on the process-wide DeviceState.
#pragma once

#include "device/d3d9_interfaces.h"
#include "device/device_host.h"
#include "device/device_ref.h"

namespace device {

// Stores the Direct3D object (from the platform's device factory, platform::createDirect3D); E_FAIL when
// there is none, because the library, its entry point or the object was missing.
HRESULT loadDirect3D(DeviceRef<IDirect3D9> direct3D);

// Clears presentParameters and fills them for one creation attempt. A window takes its client size and
// the desktop format (zero width, height and D3DFMT_UNKNOWN); full screen is 800 wide.
void fillPresentParameters(bool fullscreen, HWND window, UINT backBufferHeight, D3DFORMAT backBufferFormat);

// Creates the device over direct3D (null when it could not be created) and the shared render state. On
// false the window is hidden, the cursor shown, the user has read why in a message box, and every object
// created on the way, direct3D included, has been released.
bool startDevice(DeviceHost& host, DeviceRef<IDirect3D9> direct3D, bool fullscreen, UINT backBufferHeight);

// Takes render target 0 and binds a new depth-stencil surface. All or nothing: on false no reference
// is kept.
bool acquireRenderBuffers();

// True when a frame may be drawn now. While the device is lost it releases the render buffers once,
// sleeps half a second per call, and resets the device as soon as it can be reset.
bool deviceReady(DeviceHost& host);

}  // namespace device
