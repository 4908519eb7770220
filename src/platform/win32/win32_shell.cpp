// Win32 window, message queue, timer and cursor.
#include "platform/win32/win32_shell.h"

#include "shell/setup_dialog.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace win32 {

struct Win32Shell::LastMessage {
    ::MSG message{};
};

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 500;
constexpr ::DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;  // 0x06CF0000
constexpr ::DWORD kWindowedExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;                   // 0x00040100
constexpr ::DWORD kFullscreenStyle = WS_POPUP | WS_VISIBLE;                                // 0x90000000
constexpr ::DWORD kFullscreenExStyle = WS_EX_APPWINDOW;                                    // 0x00040000

static_assert(kWindowedStyle == 0x06CF0000 && kWindowedExStyle == 0x40100 && kFullscreenStyle == 0x90000000 &&
              kFullscreenExStyle == 0x40000);

const std::string& className() {
    static const std::string name(shell::kSetupDialogCaption);
    return name;
}

::LRESULT CALLBACK windowProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

::HWND handleOf(device::HWND window) { return static_cast<::HWND>(window); }

}  // namespace

Win32Shell::Win32Shell(void* instance) : instance_(instance), last_(std::make_unique<LastMessage>()) {}

Win32Shell::~Win32Shell() = default;

bool Win32Shell::createWindow(bool fullscreen) {
    const ::HINSTANCE instance = static_cast<::HINSTANCE>(instance_);
    ::WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className().c_str();
    if (::RegisterClassExA(&windowClass) == 0) {
        return false;
    }
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    ::DWORD style = kFullscreenStyle;
    ::DWORD exStyle = kFullscreenExStyle;
    int width = screenWidth;
    int height = screenHeight;
    if (!fullscreen) {
        style = kWindowedStyle;
        exStyle = kWindowedExStyle;
        ::RECT frame{0, 0, kClientWidth, kClientHeight};
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        width = frame.right - frame.left;
        height = frame.bottom - frame.top;
    }
    // Integer division toward zero, as C's; 0, 0 in full screen.
    const int x = (screenWidth - width) / 2;
    const int y = (screenHeight - height) / 2;
    const ::HWND window = ::CreateWindowExA(exStyle, className().c_str(), className().c_str(), style, x, y, width,
                                            height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return false;
    }
    window_ = window;
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
    ::SetFocus(window);
    return true;
}

void Win32Shell::destroyWindow() {
    if (window_ != nullptr) {
        ::DestroyWindow(handleOf(window_));
        window_ = nullptr;
    }
}

bool Win32Shell::peekMessage(shell::Message& message) {
    ::MSG& msg = last_->message;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    message = {};
    message.wParam = static_cast<std::uint32_t>(msg.wParam);
    switch (msg.message) {
        case WM_KEYDOWN:
            message.kind = shell::MessageKind::KeyDown;
            break;
        case WM_CLOSE:
            message.kind = shell::MessageKind::Close;
            break;
        case WM_QUIT:
            message.kind = shell::MessageKind::Quit;
            break;
        default:
            break;
    }
    return true;
}

void Win32Shell::translateMessage() { ::TranslateMessage(&last_->message); }

void Win32Shell::dispatchMessage() { ::DispatchMessageA(&last_->message); }

std::uint32_t Win32Shell::timeGetTime() { return ::timeGetTime(); }

void Win32Shell::timeBeginPeriod(std::uint32_t milliseconds) { ::timeBeginPeriod(milliseconds); }

void Win32Shell::timeEndPeriod(std::uint32_t milliseconds) { ::timeEndPeriod(milliseconds); }

void Win32Shell::showCursor(bool show) { ::ShowCursor(show ? TRUE : FALSE); }

void Win32Shell::hideWindow() {
    if (window_ != nullptr) {
        ::ShowWindow(handleOf(window_), SW_HIDE);
    }
}

void Win32Shell::showErrorMessage(const char* text) { ::MessageBoxA(nullptr, text, "Error", MB_OK); }

void Win32Shell::sleep(device::DWORD milliseconds) { ::Sleep(milliseconds); }

void Win32Shell::exitProcess(int exitCode) { ::ExitProcess(static_cast<::UINT>(exitCode)); }

}  // namespace win32
