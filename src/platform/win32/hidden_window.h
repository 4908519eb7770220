// A window that is never shown, for programs that need an HWND for a Direct3D device but draw off screen.
// Includes no Windows header.
#pragma once

#include <memory>
#include <string>

#include "device/d3d9_types.h"

namespace win32 {

class HiddenWindow {
public:
    // Registers the window class on first use and creates a window whose client area is exactly
    // clientWidth x clientHeight. Null with a message in error when Windows refuses.
    static std::unique_ptr<HiddenWindow> create(int clientWidth, int clientHeight, std::string& error);

    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    device::HWND handle() const { return handle_; }

    // Dispatches every message waiting for this thread, so that the window and Direct3D stay responsive
    // during long work. Returns false once WM_QUIT has been seen.
    static bool pumpMessages();

private:
    explicit HiddenWindow(device::HWND handle) : handle_(handle) {}

    device::HWND handle_;
};

}  // namespace win32
