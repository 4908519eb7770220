// The devicecheck pins: the hash sees exactly what a PNG of the picture shows, the pin file reads back
// what was written and refuses anything else by file and line, and a changed picture fails the check
// with its image and a difference image that marks the changed pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pin_check.h"
#include "pins.h"
#include "platform/headless/png_writer.h"
#include "png_reader.h"

namespace devicecheck {
namespace {

Picture noisePicture(int width, int height, std::uint32_t seed) {
    Picture picture{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (std::uint32_t& pixel : picture.pixels) {
        seed = seed * 1664525u + 1013904223u;
        pixel = seed;
    }
    return picture;
}

TEST(PictureHash, SeesEveryColourBitTheOrderAndTheShapeButNotTheUnusedByte) {
    const Picture original = noisePicture(40, 25, 1);
    const std::uint64_t hash = pictureHash(original);

    Picture alphaOnly = original;
    for (std::uint32_t& pixel : alphaOnly.pixels) pixel ^= 0xFF000000u;
    EXPECT_EQ(pictureHash(alphaOnly), hash) << "the top byte is not in the PNG, so not in the pin";

    for (const std::size_t at : {std::size_t{0}, std::size_t{517}, original.pixels.size() - 1}) {
        for (int bit = 0; bit < 24; ++bit) {
            Picture changed = original;
            changed.pixels[at] ^= 1u << bit;
            EXPECT_NE(pictureHash(changed), hash) << "pixel " << at << ", bit " << bit;
        }
    }
    Picture swapped = original;
    std::swap(swapped.pixels[3], swapped.pixels[4]);
    EXPECT_NE(pictureHash(swapped), hash);
    Picture reshaped = original;
    reshaped.width = 25;
    reshaped.height = 40;
    EXPECT_NE(pictureHash(reshaped), hash) << "the same pixels in other rows are another picture";
    EXPECT_FALSE(matches({"s", 25, 40, hash}, original));
    EXPECT_TRUE(matches(pinOf("s", original), original));
}

TEST(PinFile, ReadsBackWhatItWroteWithCommentsBlankLinesAndCrlf) {
    const std::vector<Pin> pins{{"lit_sphere", 800, 500, 0x0123456789ABCDEFull}, {"clear", 1, 2, 0}};
    std::string text = formatPins(pins) + "\n   # a note\n";
    std::vector<Pin> read;
    std::string error;
    ASSERT_TRUE(parsePins(text, "pins.txt", read, error)) << error;
    ASSERT_EQ(read.size(), 2u);
    for (std::size_t i = 0; i < pins.size(); ++i) {
        EXPECT_EQ(read[i].scene, pins[i].scene);
        EXPECT_EQ(read[i].width, pins[i].width);
        EXPECT_EQ(read[i].height, pins[i].height);
        EXPECT_EQ(read[i].hash, pins[i].hash);
    }
    ASSERT_TRUE(parsePins("a 2x3 00000000000000ff\r\n", "pins.txt", read, error)) << error;
    EXPECT_EQ(read.at(0).hash, 0xFFu);
}

TEST(PinFile, RefusesMalformedLinesNamingFileAndLine) {
    const struct {
        const char* line;
        const char* complaint;
    } cases[] = {
        {"a 800x500", "expected 'scene WIDTHxHEIGHT HASH'"},
        {"a 800x500 0123456789abcdef extra", "expected 'scene WIDTHxHEIGHT HASH'"},
        {"a 800 0123456789abcdef", "bad size '800'"},
        {"a 0x500 0123456789abcdef", "bad size '0x500'"},
        {"a 800x500x2 0123456789abcdef", "bad size"},
        {"a 800x500 0123456789abcde", "bad hash"},
        {"a 800x500 0123456789abcdefa", "bad hash"},
        {"a 800x500 0x23456789abcdef", "bad hash"},
        {"a 800x500 0123456789abcdeg", "bad hash"},
        {"a 800x500 0123456789abcdef\na 800x500 0123456789abcdef", "'a' is pinned twice"},
    };
    for (const auto& c : cases) {
        std::vector<Pin> pins;
        std::string error;
        EXPECT_FALSE(parsePins(std::string("# header\n") + c.line + "\n", "soft_pins.txt", pins, error)) << c.line;
        EXPECT_NE(error.find(c.complaint), std::string::npos) << c.line << " -> " << error;
        const bool duplicate = std::string(c.line).find('\n') != std::string::npos;
        EXPECT_EQ(error.rfind(duplicate ? "soft_pins.txt:3: " : "soft_pins.txt:2: ", 0), 0u) << error;
    }
}

TEST(DifferenceImage, MarksExactlyTheChangedPixels) {
    const Picture before = noisePicture(16, 8, 5);
    Picture after = before;
    after.pixels[17] ^= 0x00000100u;   // green changes by one
    after.pixels[100] ^= 0x00FF0000u;  // red changes a lot
    after.pixels[60] ^= 0xFF000000u;   // only the unused byte
    std::size_t changed = 0;
    const Picture difference = differenceImage(before, after, changed);
    EXPECT_EQ(changed, 2u);
    for (std::size_t i = 0; i < difference.pixels.size(); ++i) {
        const std::uint32_t pixel = difference.pixels[i] & 0xFFFFFFu;
        const bool red = (pixel & 0xFFFF) == 0 && (pixel >> 16) >= 128;
        EXPECT_EQ(red, i == 17 || i == 100) << "pixel " << i << ": " << std::hex << pixel;
    }
    EXPECT_LT(difference.pixels[17] & 0xFF0000u, difference.pixels[100] & 0xFF0000u) << "larger change, brighter";
}

// The whole check on files: a picture that matches is kept as pinned; the next, changed one fails and
// leaves its image and a difference image against the kept one, both named in the message.
TEST(PinCheck, ChangedPictureFailsWithItsImageAndADifferenceImage) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / (std::string("velbry_") + test->test_suite_name() + test->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    const std::string pinFile = (directory / "pins.txt").string();
    const std::string image = (directory / "scene.png").generic_string();
    std::string error;

    const Picture pinned = noisePicture(20, 10, 9);
    ASSERT_TRUE(headless::writePng(image, pinned.width, pinned.height, pinned.pixels, error)) << error;
    ASSERT_TRUE(updatePins(pinFile, std::vector<DrawnScene>{{"scene", pinned}}, directory));
    EXPECT_TRUE(checkPins(pinFile, std::vector<DrawnScene>{{"scene", pinned}}, directory));

    Picture changed = pinned;
    changed.pixels[33] ^= 0x00000080u;
    ASSERT_TRUE(headless::writePng(image, changed.width, changed.height, changed.pixels, error)) << error;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(checkPins(pinFile, std::vector<DrawnScene>{{"scene", changed}}, directory));
    const std::string message = ::testing::internal::GetCapturedStderr();
    const std::string differenceFile = (directory / "scene.diff.png").generic_string();
    EXPECT_NE(message.find(image), std::string::npos) << message;
    EXPECT_NE(message.find(differenceFile), std::string::npos) << message;
    EXPECT_NE(message.find("changed pixels: 1,"), std::string::npos) << message;

    Picture difference;
    ASSERT_TRUE(readPng(differenceFile, difference, error)) << error;
    std::size_t changedPixels = 0;
    EXPECT_TRUE(matches(pinOf("difference", differenceImage(pinned, changed, changedPixels)), difference));
    Picture kept;
    ASSERT_TRUE(readPng((directory / "pinned" / "scene.png").string(), kept, error)) << error;
    EXPECT_TRUE(matches(pinOf("scene", pinned), kept)) << "a failed check must not replace the pinned picture";

    // A scene without a pin and a pin without a scene fail too.
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(checkPins(pinFile, std::vector<DrawnScene>{{"other", pinned}}, directory));
    const std::string both = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(both.find("other: no pin"), std::string::npos) << both;
    EXPECT_NE(both.find("pins 'scene', which is not a scene"), std::string::npos) << both;
    std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace devicecheck
