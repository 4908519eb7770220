// Draws the setup dialog's client area into memory in the classic Windows look: grey face, raised push
// buttons (the default one framed in black), sunken check boxes with their tick, a dotted focus frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "shell/setup_dialog.h"
#include "texture/font_renderer.h"

namespace shell {

struct DialogImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows top first, opaque
};

constexpr std::uint32_t kDialogFace = 0xFFD4D0C8;
constexpr std::uint32_t kDialogText = 0xFF000000;

// The labels' pixel width as drawn, for the focus frame and for tests.
struct LabelImage {
    std::vector<std::uint8_t> coverage;  // width x height, 0..255
    int width = 0;
    int height = 0;
    int textWidth = 0;
};

class SetupDialogPainter {
public:
    // Renders the five labels once with fonts; without a renderer (or a font) the controls have no text.
    explicit SetupDialogPainter(texture::FontRenderer* fonts);

    DialogImage paint(const SetupDialogModel& model) const;

private:
    void paintButton(DialogImage& image, int index, const SetupDialogModel& model) const;
    void paintCheckBox(DialogImage& image, int index, const SetupDialogModel& model) const;

    std::array<LabelImage, kSetupDialogControls.size()> labels_;
};

}  // namespace shell
