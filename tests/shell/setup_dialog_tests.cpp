// The setup dialog without a window system: its template against the resource script, the keyboard and
// mouse rules, and the painted picture (ticks where boxes are checked, text in the labels, the focus).
#include "shell/setup_dialog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/font_factory.h"
#include "platform/headless/png_writer.h"
#include "shell/setup_dialog_painter.h"

namespace {

using shell::DialogKey;
using shell::DialogResult;
using shell::kSetupDialogControls;

constexpr int kOk = 0;
constexpr int kCancel = 1;
constexpr int kFullscreen = 2;
constexpr int kAntiAliasing = 3;
constexpr int kBigscreen = 4;

shell::DialogRect pixelsOf(int index) {
    return shell::dialogUnitsToPixels(kSetupDialogControls[static_cast<std::size_t>(index)].units);
}

void click(shell::SetupDialogModel& model, int index, int dx = 2, int dy = 2) {
    const shell::DialogRect r = pixelsOf(index);
    model.mouseDown(r.x + dx, r.y + dy);
    model.mouseUp(r.x + dx, r.y + dy);
}

TEST(SetupDialog, TemplateMatchesTheWindowsResourceScript) {
    std::ifstream file(std::string(VELBRY_SOURCE_DIR) + "/src/platform/win32/setup_dialog.rc");
    ASSERT_TRUE(file) << "resource script not found";
    std::stringstream text;
    text << file.rdbuf();
    const std::string rc = text.str();
    EXPECT_NE(rc.find("DIALOGEX 0, 0, 145, 70"), std::string::npos);
    EXPECT_NE(rc.find("CAPTION \"" + std::string(shell::kSetupDialogCaption) + "\""), std::string::npos);
    for (const shell::DialogControl& control : kSetupDialogControls) {
        const shell::DialogRect& u = control.units;
        const std::string geometry = std::to_string(u.x) + ", " + std::to_string(u.y) + ", " +
                                     std::to_string(u.width) + ", " + std::to_string(u.height);
        // The control's line: its text, its identifier's name, then the geometry.
        const std::size_t start = rc.find("\"" + std::string(control.text) + "\", ");
        ASSERT_NE(start, std::string::npos) << control.text;
        const std::string line = rc.substr(start, rc.find('\n', start) - start);
        EXPECT_NE(line.find(", " + geometry), std::string::npos) << line;
    }
}

TEST(SetupDialog, StartsWithTheGivenOptionsAndTheFocusOnOk) {
    const shell::SetupDialogModel model{shell::SetupOptions{}};
    EXPECT_EQ(model.focus(), kOk);
    EXPECT_TRUE(model.checked(kFullscreen));
    EXPECT_TRUE(model.checked(kAntiAliasing));
    EXPECT_FALSE(model.checked(kBigscreen));
    EXPECT_EQ(model.result(), DialogResult::Open);
}

TEST(SetupDialog, KeyboardMovesTheFocusTogglesBoxesAndAnswers) {
    shell::SetupDialogModel model{shell::SetupOptions{}};
    // Tab goes round in template order, Shift+Tab back.
    for (int expected : {kCancel, kFullscreen, kAntiAliasing, kBigscreen, kOk, kCancel}) {
        model.keyDown(DialogKey::Tab);
        EXPECT_EQ(model.focus(), expected);
    }
    model.keyDown(DialogKey::ShiftTab);
    model.keyDown(DialogKey::Previous);
    EXPECT_EQ(model.focus(), kBigscreen);
    model.keyDown(DialogKey::Space);
    EXPECT_TRUE(model.checked(kBigscreen));
    model.keyDown(DialogKey::Previous);
    model.keyDown(DialogKey::Previous);
    model.keyDown(DialogKey::Space);
    EXPECT_FALSE(model.checked(kFullscreen));
    EXPECT_EQ(model.result(), DialogResult::Open);
    // Enter on a check box is the default button, OK.
    model.keyDown(DialogKey::Enter);
    EXPECT_EQ(model.result(), DialogResult::Ok);
    EXPECT_FALSE(model.options().fullscreen);
    EXPECT_TRUE(model.options().antiAliasing);
    EXPECT_TRUE(model.options().bigscreen);
    // An answered dialog takes nothing more.
    model.keyDown(DialogKey::Escape);
    EXPECT_EQ(model.result(), DialogResult::Ok);
}

TEST(SetupDialog, EnterOnCancelSpaceOnCancelAndEscapeAllCancel) {
    shell::SetupDialogModel enter{shell::SetupOptions{}};
    enter.keyDown(DialogKey::Tab);
    enter.keyDown(DialogKey::Enter);
    EXPECT_EQ(enter.result(), DialogResult::Cancelled);

    shell::SetupDialogModel space{shell::SetupOptions{}};
    space.keyDown(DialogKey::Next);
    space.keyDown(DialogKey::Space);
    EXPECT_EQ(space.result(), DialogResult::Cancelled);

    shell::SetupDialogModel escape{shell::SetupOptions{}};
    escape.keyDown(DialogKey::Escape);
    EXPECT_EQ(escape.result(), DialogResult::Cancelled);

    shell::SetupDialogModel closed{shell::SetupOptions{}};
    closed.close();
    EXPECT_EQ(closed.result(), DialogResult::Cancelled);
}

TEST(SetupDialog, MouseClicksNeedPressAndReleaseOnTheSameControl) {
    shell::SetupDialogModel model{shell::SetupOptions{}};
    // The label belongs to its box: a click on the text toggles it and takes the focus.
    const shell::DialogRect bigscreen = pixelsOf(kBigscreen);
    click(model, kBigscreen, bigscreen.width - 3, bigscreen.height / 2);
    EXPECT_TRUE(model.checked(kBigscreen));
    EXPECT_EQ(model.focus(), kBigscreen);
    // Pressed on one box, released over another or over nothing: no click.
    const shell::DialogRect fullscreen = pixelsOf(kFullscreen);
    model.mouseDown(fullscreen.x + 1, fullscreen.y + 1);
    EXPECT_EQ(model.pressed(), kFullscreen);
    model.mouseUp(bigscreen.x + 1, bigscreen.y + 1);
    EXPECT_TRUE(model.checked(kFullscreen));
    EXPECT_TRUE(model.checked(kBigscreen));
    EXPECT_FALSE(model.pressed());
    model.mouseDown(1, 100);
    model.mouseUp(1, 100);
    EXPECT_EQ(model.result(), DialogResult::Open);
    click(model, kCancel);
    EXPECT_EQ(model.result(), DialogResult::Cancelled);

    shell::SetupDialogModel ok{shell::SetupOptions{}};
    click(ok, kOk);
    EXPECT_EQ(ok.result(), DialogResult::Ok);
}

class DialogPicture : public ::testing::Test {
protected:
    static std::uint32_t at(const shell::DialogImage& image, int x, int y) {
        return image.pixels[static_cast<std::size_t>(y * image.width + x)];
    }
    // Pixels darker than the face inside the rectangle.
    static int darkPixels(const shell::DialogImage& image, const shell::DialogRect& r) {
        int count = 0;
        for (int y = r.y; y < r.y + r.height; ++y) {
            for (int x = r.x; x < r.x + r.width; ++x) {
                count += (at(image, x, y) & 0xFF) < 0x60 ? 1 : 0;
            }
        }
        return count;
    }
    // The 7 x 7 tick area inside a check box.
    static shell::DialogRect tickArea(int index) {
        const shell::DialogRect r = pixelsOf(index);
        return {r.x + 3, r.y + (r.height - 13) / 2 + 3, 7, 7};
    }
};

TEST_F(DialogPicture, TicksFollowTheBoxesAndLabelsAreDrawn) {
    const shell::SetupDialogPainter painter(&platform::systemFontRenderer());
    shell::SetupDialogModel model{shell::SetupOptions{}};
    const shell::DialogImage image = painter.paint(model);
    EXPECT_EQ(image.width, 218);
    EXPECT_EQ(image.height, 114);
    EXPECT_EQ(at(image, 1, 1), shell::kDialogFace);
    EXPECT_GT(darkPixels(image, tickArea(kFullscreen)), 10);
    EXPECT_GT(darkPixels(image, tickArea(kAntiAliasing)), 10);
    EXPECT_EQ(darkPixels(image, tickArea(kBigscreen)), 0);
    // Every label has text to the right of its box (the buttons' text sits inside their frame).
    for (int index : {kFullscreen, kAntiAliasing, kBigscreen}) {
        const shell::DialogRect r = pixelsOf(index);
        EXPECT_GT(darkPixels(image, {r.x + 17, r.y, r.width - 17, r.height}), 20)
            << kSetupDialogControls[static_cast<std::size_t>(index)].text;
    }
    const shell::DialogRect cancel = pixelsOf(kCancel);
    EXPECT_GT(darkPixels(image, {cancel.x + 4, cancel.y + 4, cancel.width - 8, cancel.height - 8}), 20);
    std::string error;
    EXPECT_TRUE(headless::writePng(std::string(VELBRY_PICTURE_DIR) + "/setup_dialog.png", image.width, image.height,
                                   image.pixels, error))
        << error;

    model.keyDown(DialogKey::Tab);
    model.keyDown(DialogKey::Tab);
    model.keyDown(DialogKey::Space);
    const shell::DialogImage toggled = painter.paint(model);
    EXPECT_EQ(darkPixels(toggled, tickArea(kFullscreen)), 0);
}

TEST_F(DialogPicture, WithoutFontsTheControlsAreStillDrawn) {
    const shell::SetupDialogPainter painter(nullptr);
    const shell::DialogImage image = painter.paint(shell::SetupDialogModel{shell::SetupOptions{}});
    EXPECT_GT(darkPixels(image, tickArea(kFullscreen)), 10);
    const shell::DialogRect ok = pixelsOf(kOk);
    EXPECT_EQ(at(image, ok.x, ok.y), shell::kDialogText) << "the default button's black frame";
}

}  // namespace
