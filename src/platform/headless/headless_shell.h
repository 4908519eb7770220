// The shell's platform services without a display: no window of its own (or a hidden one that Direct3D 9
// needs, handed in by the entry point), an empty message queue, a clock that moves only when told, and
// messages on stderr.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "device/device_host.h"
#include "shell/platform.h"

namespace headless {

// Where the headless device draws: the window handle its device needs (null for the software device) and
// what keeps that window serviced.
struct HeadlessTarget {
    device::HWND window = nullptr;
    std::function<void()> pumpWindow;
};

class HeadlessShell final : public shell::ShellWindow,
                            public shell::ShellTimer,
                            public shell::ShellCursor,
                            public device::DeviceHost,
                            public shell::ProcessControl {
public:
    explicit HeadlessShell(HeadlessTarget target) : target_(std::move(target)) {}

    // The clock: timeGetTime returns what was set last (0 at the start).
    void setTime(std::uint32_t milliseconds) { now_ = milliseconds; }
    // Queues one close request, which ends the frame loop as closing a window would.
    void requestClose() { closeRequested_ = true; }

    bool createWindow(bool) override { return true; }
    void destroyWindow() override {}
    bool peekMessage(shell::Message& message) override;
    void translateMessage() override {}
    void dispatchMessage() override {}

    std::uint32_t timeGetTime() override { return now_; }
    void timeBeginPeriod(std::uint32_t) override {}
    void timeEndPeriod(std::uint32_t) override {}

    void showCursor(bool) override {}

    device::HWND window() override { return target_.window; }
    void hideWindow() override {}
    void showCursor() override {}
    void showErrorMessage(const char* text) override;
    // The clock moves only when told, so a lost device's wait takes no time.
    void sleep(device::DWORD) override {}

    [[noreturn]] void exitProcess(int exitCode) override;

private:
    HeadlessTarget target_;
    std::uint32_t now_ = 0;
    bool closeRequested_ = false;
};

}  // namespace headless
