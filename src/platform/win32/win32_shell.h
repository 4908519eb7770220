// The shell's platform services on Win32: the window class and the main window, the thread's message
// queue, the WINMM timer, the cursor, the error message box and ExitProcess. Includes no Windows header.
#pragma once

#include <cstdint>
#include <memory>

#include "device/device_host.h"
#include "shell/platform.h"

namespace win32 {

class Win32Shell final : public shell::ShellWindow,
                         public shell::ShellTimer,
                         public shell::ShellCursor,
                         public device::DeviceHost,
                         public shell::ProcessControl {
public:
    // instance: the module's own instance handle (HINSTANCE).
    explicit Win32Shell(void* instance);
    ~Win32Shell();
    Win32Shell(const Win32Shell&) = delete;
    Win32Shell& operator=(const Win32Shell&) = delete;

    // Class "kelvox - velbry2007 invitation" (arrow cursor, black background, its own device context), the
    // window titled the same: 800 x 500 client area centred, or a pop-up over the whole screen.
    bool createWindow(bool fullscreen) override;
    // Destroying the window posts the quit message (code 0).
    void destroyWindow() override;
    bool peekMessage(shell::Message& message) override;
    void translateMessage() override;
    void dispatchMessage() override;

    std::uint32_t timeGetTime() override;
    void timeBeginPeriod(std::uint32_t milliseconds) override;
    void timeEndPeriod(std::uint32_t milliseconds) override;

    void showCursor(bool show) override;

    device::HWND window() override { return window_; }
    void hideWindow() override;
    void showCursor() override { showCursor(true); }
    void showErrorMessage(const char* text) override;
    void sleep(device::DWORD milliseconds) override;

    [[noreturn]] void exitProcess(int exitCode) override;

private:
    struct LastMessage;

    void* instance_;
    device::HWND window_ = nullptr;
    std::unique_ptr<LastMessage> last_;  // the message peekMessage took last (a MSG)
};

}  // namespace win32
