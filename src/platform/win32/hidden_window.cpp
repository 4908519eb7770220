// Hidden window of a registered class, and the message pump that keeps it serviced.
#include "platform/win32/hidden_window.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace win32 {
namespace {

constexpr const char* kClassName = "velbry.hidden";
constexpr ::DWORD kStyle = WS_OVERLAPPEDWINDOW;

std::string lastErrorText(const char* what) {
    return std::string(what) + " failed (Windows error " + std::to_string(::GetLastError()) + ")";
}

bool registerClassOnce(::HINSTANCE instance, std::string& error) {
    ::WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(instance, kClassName, &existing)) {
        return true;
    }
    ::WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassExA(&windowClass) == 0) {
        error = lastErrorText("RegisterClassExA");
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<HiddenWindow> HiddenWindow::create(int clientWidth, int clientHeight, std::string& error) {
    const ::HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!registerClassOnce(instance, error)) {
        return nullptr;
    }
    // The outer size that gives the requested client area under this style.
    ::RECT frame{0, 0, clientWidth, clientHeight};
    if (!::AdjustWindowRect(&frame, kStyle, FALSE)) {
        error = lastErrorText("AdjustWindowRect");
        return nullptr;
    }
    const ::HWND window = ::CreateWindowExA(0, kClassName, "velbry", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                            instance, nullptr);
    if (window == nullptr) {
        error = lastErrorText("CreateWindowExA");
        return nullptr;
    }
    return std::unique_ptr<HiddenWindow>(new HiddenWindow(window));
}

HiddenWindow::~HiddenWindow() { ::DestroyWindow(static_cast<::HWND>(handle_)); }

bool HiddenWindow::pumpMessages() {
    ::MSG message{};
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            return false;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return true;
}

}  // namespace win32
