// canvasdump: texture records of a script come out as colour and alpha PNG files holding the canvas as
// it stood after each record; other records are skipped and bad input is refused with a status.
#include "canvas_dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/class_table.h"
#include "support/script_writer.h"
#include "support/stb_image_reader.h"

namespace {

using shell::ClassIndex;
using testsupport::ScriptWriter;

class CanvasDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        directory_ = std::filesystem::temp_directory_path() / ("velbry_canvasdump_" + test);
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::string writeScript(const std::vector<std::uint8_t>& bytes) const {
        const std::string path = (directory_ / "script.bin").string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    int run(std::vector<std::string> arguments) {
        out_.str({});
        err_.str({});
        return canvasdump::run(arguments, out_, err_);
    }
    std::string output() const { return (directory_ / "out").string(); }

    // The image's pixels as 0xRRGGBB words.
    std::vector<std::uint32_t> readPng(const std::string& name, int& width, int& height) const {
        int channels = 0;
        const std::string path = (directory_ / "out" / name).string();
        unsigned char* data = stbi_load(path.c_str(), &width, &height, &channels, 3);
        std::vector<std::uint32_t> pixels;
        if (data == nullptr) return pixels;
        for (int i = 0; i < width * height; ++i) {
            pixels.push_back(std::uint32_t{data[3 * i]} << 16 | std::uint32_t{data[3 * i + 1]} << 8 | data[3 * i + 2]);
        }
        stbi_image_free(data);
        return pixels;
    }

    std::filesystem::path directory_;
    std::ostringstream out_, err_;
};

std::vector<std::uint8_t> sampleScript() {
    return ScriptWriter()
        .record(static_cast<int>(ClassIndex::Canvas)).integer(2).integer(1).integer(static_cast<std::int32_t>(0x80FF0000u)).end()
        .record(static_cast<int>(ClassIndex::Cube)).zero().real(1.0f).end()  // not a texture: skipped
        // Linear ramp on blue from x = 0 to x = 4.
        .record(static_cast<int>(ClassIndex::Gradient)).ref(1).integer(1).integer(0).integer(0xFF).integer(0).zero()
        .integer(4).integer(0).integer(0).real(1.0f).end()
        .finish();
}

TEST_F(CanvasDumpTest, EveryTextureRecordIsWrittenAsItStoodAfterIt) {
    ASSERT_EQ(run({writeScript(sampleScript()), output()}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "000-canvas 4 x 2\n002-gradient 4 x 2\n");
    int width = 0, height = 0;
    const std::vector<std::uint32_t> before = readPng("000-canvas.png", width, height);
    ASSERT_EQ(width, 4);
    ASSERT_EQ(height, 2);
    EXPECT_TRUE(std::ranges::all_of(before, [](std::uint32_t p) { return p == 0xFF0000u; }));
    const std::vector<std::uint32_t> after = readPng("002-gradient.png", width, height);
    ASSERT_EQ(after.size(), 8u);
    EXPECT_EQ(after[0], 0xFF0000u);
    EXPECT_EQ(after[2], 0xFF007Fu);  // halfway: (128 * 255) >> 8
    const std::vector<std::uint32_t> alpha = readPng("002-gradient-alpha.png", width, height);
    EXPECT_TRUE(std::ranges::all_of(alpha, [](std::uint32_t p) { return p == 0x808080u; }));
    EXPECT_FALSE(std::filesystem::exists(directory_ / "out" / "001-object.png"));
}

TEST_F(CanvasDumpTest, OneRecordAlone) {
    ASSERT_EQ(run({"--record", "2", writeScript(sampleScript()), output()}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "002-gradient 4 x 2\n");
    EXPECT_FALSE(std::filesystem::exists(directory_ / "out" / "000-canvas.png"));
    // A record that made no canvas is an error.
    EXPECT_EQ(run({"--record", "1", writeScript(sampleScript()), output()}), 1);
    EXPECT_NE(err_.str().find("record 1"), std::string::npos);
}

TEST_F(CanvasDumpTest, BadInputGivesAStatusAndAMessage) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"--record", "x", "a", "b"}), 2);
    EXPECT_EQ(run({"--nope", "a", "b"}), 2);
    EXPECT_EQ(run({(directory_ / "missing.bin").string(), output()}), 1);
    EXPECT_NE(err_.str().find("missing.bin"), std::string::npos);
    // A script cut short: the records before the cut are still written.
    std::vector<std::uint8_t> cut = sampleScript();
    cut.resize(cut.size() - 10);
    EXPECT_EQ(run({writeScript(cut), output()}), 1);
    EXPECT_TRUE(std::filesystem::exists(directory_ / "out" / "000-canvas.png"));
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out_.str().find("usage"), std::string::npos);
}

}  // namespace
