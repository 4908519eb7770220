// The Win32 setup dialog.
#include "platform/win32/win32_setup_dialog.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/setup_dialog_ids.h"

namespace win32 {
namespace {

// 0 while the dialog is open, 1 after OK, -1 after Cancel or closing; kept in the dialog's user slot.
using DialogResult = ::LONG_PTR;

void setResult(::HWND dialog, DialogResult result) { ::SetWindowLongPtrA(dialog, DWLP_USER, result); }

DialogResult resultOf(::HWND dialog) { return ::GetWindowLongPtrA(dialog, DWLP_USER); }

// Every message returns FALSE, so the default dialog handling (the check boxes, Tab, Enter) goes on.
::INT_PTR CALLBACK setupDialogProc(::HWND dialog, ::UINT message, ::WPARAM wParam, ::LPARAM) {
    if (message == WM_CLOSE) {
        setResult(dialog, -1);
    } else if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK) {
            setResult(dialog, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            setResult(dialog, -1);
        }
    }
    return FALSE;
}

void check(::HWND dialog, int id, bool checked) {
    ::SendDlgItemMessageA(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool isChecked(::HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace

bool Win32SetupDialog::run(shell::SetupOptions& options) {
    const ::HWND dialog = ::CreateDialogParamA(static_cast<::HINSTANCE>(instance_),
                                               MAKEINTRESOURCEA(VELBRY_SETUP_DIALOG), nullptr, setupDialogProc, 0);
    if (dialog == nullptr) {
        return false;
    }
    setResult(dialog, 0);
    check(dialog, VELBRY_ID_FULLSCREEN, options.fullscreen);
    check(dialog, VELBRY_ID_ANTI_ALIASING, options.antiAliasing);
    check(dialog, VELBRY_ID_BIGSCREEN, options.bigscreen);
    ::MSG message{};
    // GetMessageA returns 0 for WM_QUIT and -1 on failure: either ends the dialog.
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(dialog, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        if (resultOf(dialog) != 0) {
            break;
        }
    }
    const DialogResult result = resultOf(dialog);
    options.fullscreen = isChecked(dialog, VELBRY_ID_FULLSCREEN);
    options.antiAliasing = isChecked(dialog, VELBRY_ID_ANTI_ALIASING);
    options.bigscreen = isChecked(dialog, VELBRY_ID_BIGSCREEN);
    ::DestroyWindow(dialog);
    return result == 1;
}

}  // namespace win32
