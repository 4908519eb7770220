// Painting the setup dialog.
#include "shell/setup_dialog_painter.h"

#include <cstring>
#include <span>
#include <string>

#include "texture/text.h"

namespace shell {
namespace {

constexpr std::uint32_t kHighlight = 0xFFFFFFFF;
constexpr std::uint32_t kShadow = 0xFF808080;
constexpr std::uint32_t kDarkShadow = 0xFF404040;
constexpr std::uint32_t kBoxFill = 0xFFFFFFFF;
constexpr int kCheckBoxSize = 13;
constexpr int kCheckBoxTextGap = 4;
constexpr int kFontCellHeight = 13;

// The tick of a checked box, 7 x 7, drawn three pixels inside the box.
constexpr std::array<std::uint8_t, 7> kTick{0x01, 0x03, 0x47, 0x6E, 0x7C, 0x38, 0x10};

void setPixel(DialogImage& image, int x, int y, std::uint32_t colour) {
    if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
        image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                     static_cast<std::size_t>(x)] = colour;
    }
}

void fillRect(DialogImage& image, const DialogRect& r, std::uint32_t colour) {
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            setPixel(image, x, y, colour);
        }
    }
}

// A one-pixel frame: top and left in one colour, bottom and right in the other.
void frame(DialogImage& image, const DialogRect& r, std::uint32_t topLeft, std::uint32_t bottomRight) {
    for (int x = r.x; x < r.x + r.width; ++x) {
        setPixel(image, x, r.y, topLeft);
        setPixel(image, x, r.y + r.height - 1, bottomRight);
    }
    for (int y = r.y; y < r.y + r.height; ++y) {
        setPixel(image, r.x, y, topLeft);
        setPixel(image, r.x + r.width - 1, y, bottomRight);
    }
    setPixel(image, r.x + r.width - 1, r.y, bottomRight);
    setPixel(image, r.x, r.y + r.height - 1, bottomRight);
}

DialogRect inset(const DialogRect& r, int by) { return {r.x + by, r.y + by, r.width - 2 * by, r.height - 2 * by}; }

// Every other pixel, as the focus frame is drawn.
void dottedFrame(DialogImage& image, const DialogRect& r) {
    for (int x = r.x; x < r.x + r.width; x += 2) {
        setPixel(image, x, r.y, kDialogText);
        setPixel(image, x, r.y + r.height - 1, kDialogText);
    }
    for (int y = r.y; y < r.y + r.height; y += 2) {
        setPixel(image, r.x, y, kDialogText);
        setPixel(image, r.x + r.width - 1, y, kDialogText);
    }
}

std::uint32_t blendText(std::uint32_t background, std::uint8_t coverage) {
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t b = (background >> shift) & 0xFFu;
        const std::uint32_t t = (kDialogText >> shift) & 0xFFu;
        out |= ((b * (255u - coverage) + t * coverage) / 255u) << shift;
    }
    return out;
}

void drawLabel(DialogImage& image, const LabelImage& label, int x, int y) {
    for (int row = 0; row < label.height; ++row) {
        for (int column = 0; column < label.width; ++column) {
            const std::uint8_t c = label.coverage[static_cast<std::size_t>(row * label.width + column)];
            const int px = x + column;
            const int py = y + row;
            if (c == 0 || px < 0 || py < 0 || px >= image.width || py >= image.height) {
                continue;
            }
            std::uint32_t& pixel =
                image.pixels[static_cast<std::size_t>(py) * static_cast<std::size_t>(image.width) +
                             static_cast<std::size_t>(px)];
            pixel = blendText(pixel, c);
        }
    }
}

LabelImage renderLabel(texture::FontRenderer& fonts, std::string_view text, int width) {
    LabelImage label;
    std::string error;
    const texture::FontSpec font{"Arial", kFontCellHeight, 400, 0};
    std::unique_ptr<texture::TextSurface> surface = fonts.createSurface(width, kFontCellHeight, font, error);
    if (surface == nullptr) {
        return label;
    }
    const std::span<const std::uint8_t> characters(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const std::vector<std::int32_t> advances = texture::lineAdvances(*surface, characters, false, 0);
    surface->drawLine(0, 0, characters, advances);
    const texture::CoverageImage coverage = surface->coverage();
    label.width = coverage.width;
    label.height = coverage.height;
    label.coverage.resize(static_cast<std::size_t>(label.width * label.height));
    for (int y = 0; y < label.height; ++y) {
        for (int x = 0; x < label.width; ++x) {
            label.coverage[static_cast<std::size_t>(y * label.width + x)] = coverage.at(x, y);
        }
    }
    for (std::int32_t advance : advances) {
        label.textWidth += advance;
    }
    return label;
}

}  // namespace

SetupDialogPainter::SetupDialogPainter(texture::FontRenderer* fonts) {
    if (fonts == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < kSetupDialogControls.size(); ++i) {
        const DialogRect pixels = dialogUnitsToPixels(kSetupDialogControls[i].units);
        labels_[i] = renderLabel(*fonts, kSetupDialogControls[i].text, pixels.width);
    }
}

DialogImage SetupDialogPainter::paint(const SetupDialogModel& model) const {
    const DialogRect size = dialogUnitsToPixels(kSetupDialogUnits);
    DialogImage image{size.width, size.height,
                      std::vector<std::uint32_t>(static_cast<std::size_t>(size.width * size.height), kDialogFace)};
    for (std::size_t i = 0; i < kSetupDialogControls.size(); ++i) {
        const int index = static_cast<int>(i);
        if (kSetupDialogControls[i].kind == ControlKind::CheckBox) {
            paintCheckBox(image, index, model);
        } else {
            paintButton(image, index, model);
        }
    }
    return image;
}

void SetupDialogPainter::paintButton(DialogImage& image, int index, const SetupDialogModel& model) const {
    const DialogControl& control = kSetupDialogControls[static_cast<std::size_t>(index)];
    DialogRect r = dialogUnitsToPixels(control.units);
    const bool pressed = model.pressed() == index;
    if (control.kind == ControlKind::DefaultButton || pressed) {
        frame(image, r, kDialogText, kDialogText);
        r = inset(r, 1);
    }
    if (pressed) {
        frame(image, r, kShadow, kShadow);
    } else {
        frame(image, r, kHighlight, kDarkShadow);
        frame(image, inset(r, 1), kDialogFace, kShadow);
    }
    const LabelImage& label = labels_[static_cast<std::size_t>(index)];
    const int shift = pressed ? 1 : 0;
    drawLabel(image, label, r.x + (r.width - label.textWidth) / 2 + shift,
              r.y + (r.height - label.height) / 2 + shift);
    if (model.focus() == index) {
        dottedFrame(image, inset(r, 3));
    }
}

void SetupDialogPainter::paintCheckBox(DialogImage& image, int index, const SetupDialogModel& model) const {
    const DialogRect r = dialogUnitsToPixels(kSetupDialogControls[static_cast<std::size_t>(index)].units);
    const DialogRect box{r.x, r.y + (r.height - kCheckBoxSize) / 2, kCheckBoxSize, kCheckBoxSize};
    frame(image, box, kShadow, kHighlight);
    frame(image, inset(box, 1), kDarkShadow, kDialogFace);
    fillRect(image, inset(box, 2), model.pressed() == index ? kDialogFace : kBoxFill);
    if (model.checked(index)) {
        for (int row = 0; row < 7; ++row) {
            for (int column = 0; column < 7; ++column) {
                if ((kTick[static_cast<std::size_t>(row)] >> (6 - column)) & 1) {
                    setPixel(image, box.x + 3 + column, box.y + 3 + row, kDialogText);
                }
            }
        }
    }
    const LabelImage& label = labels_[static_cast<std::size_t>(index)];
    const int textX = box.x + kCheckBoxSize + kCheckBoxTextGap;
    const int textY = r.y + (r.height - label.height) / 2;
    drawLabel(image, label, textX, textY);
    if (model.focus() == index) {
        dottedFrame(image, {textX - 1, textY, label.textWidth + 2, label.height});
    }
}

}  // namespace shell
