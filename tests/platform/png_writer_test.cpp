// PNG writer: the file read back with stb_image holds exactly the frame's red, green and blue bytes as an
// opaque RGB image, and bad sizes or paths are refused with a message instead of writing anything.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless/png_writer.h"
#include "support/stb_image_reader.h"

namespace {

class PngWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        directory_ = std::filesystem::temp_directory_path() / ("velbry_png_" + test);
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::string path(const char* name) const { return (directory_ / name).string(); }

    std::filesystem::path directory_;
};

TEST_F(PngWriterTest, RoundTripKeepsColourBytesAndDropsTheTopByte) {
    // Top bytes vary (X8R8G8B8 leaves them undefined); every colour byte value pattern appears once.
    const std::vector<std::uint32_t> pixels{0x00FF0000, 0xFF00FF00, 0x120000FF,
                                            0x80FFFFFF, 0x00000000, 0xAB123456};
    std::string error;
    ASSERT_TRUE(headless::writePng(path("frame.png"), 3, 2, pixels, error)) << error;

    int width = 0, height = 0, channels = 0;
    stbi_uc* data = stbi_load(path("frame.png").c_str(), &width, &height, &channels, 0);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(channels, 3) << "an opaque frame is written without an alpha channel";
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t read = static_cast<std::uint32_t>(data[3 * i]) << 16 |
                                   static_cast<std::uint32_t>(data[3 * i + 1]) << 8 | data[3 * i + 2];
        EXPECT_EQ(read, pixels[i] & 0x00FFFFFFu) << "pixel " << i;
    }
    stbi_image_free(data);
}

TEST_F(PngWriterTest, WideFrameKeepsRowOrder) {
    // A full-width frame whose rows differ, so a stride or flip error shows in the first column.
    const int width = 800, height = 4;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint32_t>(y * 60) << 8 |
                                                              static_cast<std::uint32_t>(x % 256);
        }
    }
    std::string error;
    ASSERT_TRUE(headless::writePng(path("wide.png"), width, height, pixels, error)) << error;
    int w = 0, h = 0, channels = 0;
    stbi_uc* data = stbi_load(path("wide.png").c_str(), &w, &h, &channels, 3);
    ASSERT_NE(data, nullptr);
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(data[(y * width + 0) * 3 + 1], y * 60);
        EXPECT_EQ(data[(y * width + 799) * 3 + 2], 799 % 256);
    }
    stbi_image_free(data);
}

TEST_F(PngWriterTest, RefusesSizesThatDoNotMatchThePixels) {
    const std::vector<std::uint32_t> pixels(6, 0xFFFFFFFF);
    std::string error;
    EXPECT_FALSE(headless::writePng(path("short.png"), 4, 2, pixels, error));
    EXPECT_NE(error.find("8 pixels"), std::string::npos) << error;
    EXPECT_FALSE(headless::writePng(path("empty.png"), 0, 2, {}, error));
    EXPECT_FALSE(headless::writePng(path("negative.png"), -3, -2, pixels, error));
    EXPECT_FALSE(std::filesystem::exists(path("short.png")));
    EXPECT_FALSE(std::filesystem::exists(path("empty.png")));
}

TEST_F(PngWriterTest, ReportsAnUnwritablePath) {
    const std::vector<std::uint32_t> pixels(1, 0xFF000000);
    std::string error;
    EXPECT_FALSE(headless::writePng(path("missing/dir/frame.png"), 1, 1, pixels, error));
    EXPECT_NE(error.find("frame.png"), std::string::npos) << error;
}

}  // namespace
