// The setup dialog's behaviour.
#include "shell/setup_dialog.h"

namespace shell {
namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
constexpr int kControlCount = static_cast<int>(kSetupDialogControls.size());

// MulDiv: rounded to nearest, halves away from zero.
int scale(int value, int numerator, int denominator) {
    return (value * numerator * 2 + denominator) / (denominator * 2);
}

int indexOf(int id) {
    for (int i = 0; i < kControlCount; ++i) {
        if (kSetupDialogControls[static_cast<std::size_t>(i)].id == id) {
            return i;
        }
    }
    return 0;
}

bool isButton(int index) { return kSetupDialogControls[static_cast<std::size_t>(index)].kind != ControlKind::CheckBox; }

}  // namespace

DialogRect dialogUnitsToPixels(const DialogRect& units) {
    return {scale(units.x, kBaseUnitX, 4), scale(units.y, kBaseUnitY, 8), scale(units.width, kBaseUnitX, 4),
            scale(units.height, kBaseUnitY, 8)};
}

SetupDialogModel::SetupDialogModel(const SetupOptions& initial) {
    checked_[static_cast<std::size_t>(indexOf(kIdFullscreen))] = initial.fullscreen;
    checked_[static_cast<std::size_t>(indexOf(kIdAntiAliasing))] = initial.antiAliasing;
    checked_[static_cast<std::size_t>(indexOf(kIdBigscreen))] = initial.bigscreen;
}

SetupOptions SetupDialogModel::options() const {
    SetupOptions options;
    options.fullscreen = checked(indexOf(kIdFullscreen));
    options.antiAliasing = checked(indexOf(kIdAntiAliasing));
    options.bigscreen = checked(indexOf(kIdBigscreen));
    return options;
}

void SetupDialogModel::keyDown(DialogKey key) {
    if (result_ != DialogResult::Open) {
        return;
    }
    switch (key) {
        case DialogKey::Tab:
        case DialogKey::Next:
            focus_ = (focus_ + 1) % kControlCount;
            break;
        case DialogKey::ShiftTab:
        case DialogKey::Previous:
            focus_ = (focus_ + kControlCount - 1) % kControlCount;
            break;
        case DialogKey::Space:
            click(focus_);
            break;
        case DialogKey::Enter:
            click(isButton(focus_) ? focus_ : indexOf(kIdOk));
            break;
        case DialogKey::Escape:
            click(indexOf(kIdCancel));
            break;
    }
}

void SetupDialogModel::mouseDown(int x, int y) {
    if (result_ != DialogResult::Open) {
        return;
    }
    pressed_ = controlAt(x, y);
    if (pressed_) {
        focus_ = *pressed_;
    }
}

void SetupDialogModel::mouseUp(int x, int y) {
    const std::optional<int> released = controlAt(x, y);
    const std::optional<int> pressed = pressed_;
    pressed_.reset();
    if (result_ == DialogResult::Open && pressed && released == pressed) {
        click(*pressed);
    }
}

void SetupDialogModel::close() {
    if (result_ == DialogResult::Open) {
        result_ = DialogResult::Cancelled;
    }
}

void SetupDialogModel::click(int index) {
    const DialogControl& control = kSetupDialogControls[static_cast<std::size_t>(index)];
    if (control.kind == ControlKind::CheckBox) {
        checked_[static_cast<std::size_t>(index)] = !checked_[static_cast<std::size_t>(index)];
    } else {
        result_ = control.id == kIdOk ? DialogResult::Ok : DialogResult::Cancelled;
    }
}

std::optional<int> SetupDialogModel::controlAt(int x, int y) const {
    for (int i = 0; i < kControlCount; ++i) {
        if (dialogUnitsToPixels(kSetupDialogControls[static_cast<std::size_t>(i)].units).contains(x, y)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace shell
