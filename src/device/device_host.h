// The platform services that device start-up and lost-device recovery need from the window backend.
// The engine never calls the operating system itself; the shell's window backend implements this. The
// Direct3D object is not among them: it comes from the device factory (platform/device_factory.h).
#pragma once

#include "device/d3d9_interfaces.h"

namespace device {

class DeviceHost {
public:
    virtual ~DeviceHost() = default;

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
