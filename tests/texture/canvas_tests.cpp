// Canvas records: their size rules, the fill colour and wrap-around addressing.
#include "texture/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "graph/graph_builder.h"
#include "shell/class_table.h"
#include "support/script_writer.h"

namespace {

using shell::ClassIndex;
using testsupport::ScriptWriter;

texture::Canvas* buildCanvas(graph::ObjectStore& store, std::int32_t log2Width, std::int32_t log2Height,
                             std::int32_t fill) {
    const auto script = ScriptWriter()
                            .record(static_cast<int>(ClassIndex::Canvas))
                            .integer(log2Width).integer(log2Height).integer(fill).end()
                            .finish();
    const graph::BuildResult result = graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
    EXPECT_TRUE(result.ok()) << result.error;
    return dynamic_cast<texture::Canvas*>(result.root);
}

TEST(Canvas, RecordMakesAFilledPowerOfTwoCanvas) {
    graph::ObjectStore store;
    texture::Canvas* canvas = buildCanvas(store, 9, 8, 0x00FFFFFF);
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->width(), 512);
    EXPECT_EQ(canvas->height(), 256);
    ASSERT_EQ(canvas->pixels().size(), 512u * 256u);
    EXPECT_TRUE(std::all_of(canvas->pixels().begin(), canvas->pixels().end(),
                            [](std::uint32_t p) { return p == 0x00FFFFFFu; }));

    // A fill given as tag 0 (the script's i/0) is transparent black; 1 x 1 is the smallest canvas.
    const auto script = ScriptWriter()
                            .record(static_cast<int>(ClassIndex::Canvas)).integer(0).integer(0).zero().end()
                            .finish();
    const graph::BuildResult result = graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
    auto* tiny = dynamic_cast<texture::Canvas*>(result.root);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(tiny->width() * tiny->height(), 1);
    EXPECT_EQ(tiny->pixel(0, 0), 0u);
}

TEST(Canvas, SizesStayWithinTheLimits) {
    texture::CanvasSize size;
    std::string error;
    for (const auto& [w, h] : {std::pair{-1, 4}, std::pair{4, -31}, std::pair{31, 4}, std::pair{40, 0},
                               std::pair{12, 12}}) {  // the last: each side allowed, the area is not
        EXPECT_FALSE(texture::canvasSizeFromLog2(w, h, size, error)) << w << " " << h;
        EXPECT_FALSE(error.empty());
    }
    ASSERT_TRUE(texture::canvasSizeFromLog2(12, 10, size, error));  // the largest area still accepted
    EXPECT_EQ(size.width, 4096);
    EXPECT_EQ(size.height, 1024);
}

TEST(Canvas, AccessWrapsToTheOppositeEdge) {
    texture::Canvas canvas(8, 4, 0);
    canvas.setPixel(-1, -1, 0x11223344u);
    EXPECT_EQ(canvas.pixel(7, 3), 0x11223344u);
    EXPECT_EQ(canvas.pixels()[31], 0x11223344u);  // the last word of the last row
    canvas.setPixel(8 + 2, 4 * 5 + 1, 0xAABBCCDDu);
    EXPECT_EQ(canvas.pixel(2, 1), 0xAABBCCDDu);
    EXPECT_EQ(canvas.row(1)[2], 0xAABBCCDDu);
    // Only the two written words changed.
    EXPECT_EQ(std::count(canvas.pixels().begin(), canvas.pixels().end(), 0u), 30);
}

}  // namespace
