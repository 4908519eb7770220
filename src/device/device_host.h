// The platform services that device start-up and lost-device recovery need from the window backend.
// The engine never calls the operating system itself; the shell's window backend implements this.
#pragma once

#include "device/d3d9_interfaces.h"

namespace device {

class DeviceHost {
public:
    virtual ~DeviceHost() = default;

    // A new Direct3D 9 object (one reference, owned by the caller), or null when none is available.
    // Windows: LoadLibraryA("d3d9"), GetProcAddress("Direct3DCreate9"), Direct3DCreate9(D3D_SDK_VERSION).
    // Elsewhere: the software device.
    virtual IDirect3D9* createDirect3D() = 0;

    // The window the device presents into; also its focus window.
    virtual HWND window() = 0;

    // ShowWindow(window, SW_HIDE).
    virtual void hideWindow() = 0;

    // ShowCursor(TRUE).
    virtual void showCursor() = 0;

    // MessageBoxA without owner window, captioned "Error", MB_OK; returns when the user has closed it.
    virtual void showErrorMessage(const char* text) = 0;

    // Sleep(milliseconds).
    virtual void sleep(DWORD milliseconds) = 0;
};

}  // namespace device
