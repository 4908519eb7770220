// The narrow platform services the shell runs on: the main window with its message queue, the millisecond
// timer, the mouse cursor, the setup dialog and the end of the process. Backends (Win32, SDL2, headless,
// and the tests' scripted one) implement them under platform/; the message box, the sleep and the
// window handle the device needs are device::DeviceHost's.
#pragma once

#include <cstdint>

namespace shell {

// The messages the shell tells apart; every other one is Other.
enum class MessageKind : std::uint8_t {
    KeyDown,  // wParam: the virtual-key code
    Close,    // a request to close the window
    Quit,     // wParam: the exit code the process ends with
    Other,
};

struct Message {
    MessageKind kind = MessageKind::Other;
    std::uint32_t wParam = 0;
};

constexpr std::uint32_t kVirtualKeyEscape = 27;

// The main window and the queue of the thread that owns it.
class ShellWindow {
public:
    virtual ~ShellWindow() = default;

    // Registers the window class and creates the window: 800 x 500 client area centred on the screen, or
    // covering the screen; shows it, brings it to the foreground and gives it the focus. False when the
    // class cannot be registered or the window cannot be created.
    virtual bool createWindow(bool fullscreen) = 0;
    virtual void destroyWindow() = 0;

    // PeekMessageA with PM_REMOVE: takes the next queued message, false when the queue is empty.
    virtual bool peekMessage(Message& message) = 0;
    // TranslateMessage and DispatchMessageA of the message peekMessage took last.
    virtual void translateMessage() = 0;
    virtual void dispatchMessage() = 0;
};

// timeGetTime, timeBeginPeriod and timeEndPeriod: milliseconds in 32 bits that wrap around, and the
// timer resolution held while the presentation runs.
class ShellTimer {
public:
    virtual ~ShellTimer() = default;

    virtual std::uint32_t timeGetTime() = 0;
    virtual void timeBeginPeriod(std::uint32_t milliseconds) = 0;
    virtual void timeEndPeriod(std::uint32_t milliseconds) = 0;
};

class ShellCursor {
public:
    virtual ~ShellCursor() = default;

    // ShowCursor(show).
    virtual void showCursor(bool show) = 0;
};

// The three setup options. The defaults are the dialog's initial state.
struct SetupOptions {
    bool fullscreen = true;
    bool antiAliasing = true;
    bool bigscreen = false;
};

class SetupDialog {
public:
    virtual ~SetupDialog() = default;

    // Shows the dialog with options as its initial state and waits for the user. True after OK, with the
    // boxes' states in options; false after Cancel or closing the dialog.
    virtual bool run(SetupOptions& options) = 0;
};

class ProcessControl {
public:
    virtual ~ProcessControl() = default;

    // Ends the process at once with the exit code, without any clean-up. A test backend may unwind instead
    // of returning; the shell never continues after the call.
    [[noreturn]] virtual void exitProcess(int exitCode) = 0;
};

}  // namespace shell
