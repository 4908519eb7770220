// The setup dialog's template and behaviour, independent of any window system: its five controls in
// dialog units, the keyboard focus, the check boxes and the buttons, driven by keys and mouse clicks.
// Backends without a native dialog (SDL2) show it through this model and setup_dialog_painter.h.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "shell/platform.h"

namespace shell {

constexpr std::string_view kSetupDialogCaption = "kelvox - velbry2007 invitation";

enum class ControlKind : std::uint8_t { DefaultButton, Button, CheckBox };

struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

struct DialogControl {
    int id;
    ControlKind kind;
    std::string_view text;
    DialogRect units;  // dialog units
};

// Resource 101: 145 x 70 dialog units; the controls in template order, which is also the tab order.
constexpr DialogRect kSetupDialogUnits{0, 0, 145, 70};
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdFullscreen = 1001;
constexpr int kIdAntiAliasing = 1002;
constexpr int kIdBigscreen = 1003;
constexpr std::array<DialogControl, 5> kSetupDialogControls{{
    {kIdOk, ControlKind::DefaultButton, "OK", {88, 7, 50, 14}},
    {kIdCancel, ControlKind::Button, "Cancel", {88, 24, 50, 14}},
    {kIdFullscreen, ControlKind::CheckBox, "Fullscreen", {7, 7, 48, 10}},
    {kIdAntiAliasing, ControlKind::CheckBox, "Anti-aliasing", {7, 22, 55, 10}},
    {kIdBigscreen, ControlKind::CheckBox, "Bigscreen mode", {7, 38, 66, 10}},
}};

// Dialog units to pixels for the template's 8-point font at 96 dots per inch: a horizontal unit is a
// quarter of the font's average character width (6 pixels), a vertical one an eighth of its height (13).
DialogRect dialogUnitsToPixels(const DialogRect& units);

enum class DialogKey : std::uint8_t { Tab, ShiftTab, Space, Enter, Escape, Next, Previous };

// 0 while open, 1 after OK, -1 after Cancel or closing.
enum class DialogResult : std::int8_t { Open = 0, Ok = 1, Cancelled = -1 };

class SetupDialogModel {
public:
    // Fullscreen and Anti-aliasing come checked from options, like the rest; the focus starts on OK.
    explicit SetupDialogModel(const SetupOptions& initial);

    // Tab and Shift+Tab (and the arrow keys, Next and Previous) move the focus round the controls in
    // template order; Space clicks the focused control; Enter clicks the focused button, or OK when a
    // check box has the focus; Escape is Cancel.
    void keyDown(DialogKey key);
    // A click is a press and a release over the same control, label included; the control takes the focus
    // when pressed. Coordinates in pixels of the client area.
    void mouseDown(int x, int y);
    void mouseUp(int x, int y);
    void close();

    DialogResult result() const { return result_; }
    SetupOptions options() const;
    int focus() const { return focus_; }  // index into kSetupDialogControls
    std::optional<int> pressed() const { return pressed_; }
    bool checked(int index) const { return checked_[static_cast<std::size_t>(index)]; }

private:
    void click(int index);
    std::optional<int> controlAt(int x, int y) const;

    std::array<bool, kSetupDialogControls.size()> checked_{};
    int focus_ = 0;
    std::optional<int> pressed_;
    DialogResult result_ = DialogResult::Open;
};

}  // namespace shell
