// The setup dialog on SDL2: a small fixed-size window with the dialog's caption, showing the portable
// dialog model as painted by the shell, driven by the mouse and the keyboard.
#pragma once

#include "shell/platform.h"
#include "texture/font_renderer.h"

namespace sdl2 {

class Sdl2SetupDialog final : public shell::SetupDialog {
public:
    // fonts draws the labels; may be null. SDL's video subsystem must be started.
    explicit Sdl2SetupDialog(texture::FontRenderer* fonts) : fonts_(fonts) {}

    bool run(shell::SetupOptions& options) override;

private:
    texture::FontRenderer* fonts_;
};

}  // namespace sdl2
