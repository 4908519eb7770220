// The texture classes in the class table: a chain of records that all name one canvas, and records
// that cannot be built, each of which stops the build with a reason naming its class.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "graph/graph_builder.h"
#include "shell/class_table.h"
#include "support/script_writer.h"
#include "texture/canvas.h"

namespace {

using shell::ClassIndex;
using testsupport::ScriptWriter;

int classOf(ClassIndex index) { return static_cast<int>(index); }

std::vector<std::uint8_t> zeroTerminated(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// Records, in the layout the scene script uses.
ScriptWriter& canvas(ScriptWriter& w, int log2Width, int log2Height, std::uint32_t fill) {
    return w.record(classOf(ClassIndex::Canvas)).integer(log2Width).integer(log2Height)
        .integer(static_cast<std::int32_t>(fill)).end();
}
ScriptWriter& gradient(ScriptWriter& w, int reference, int channel) {
    return w.record(classOf(ClassIndex::Gradient)).ref(reference).integer(1).integer(0).integer(-1).integer(0).zero()
        .integer(64).integer(0).integer(channel).real(1.0f).end();
}
ScriptWriter& noise(ScriptWriter& w, int reference, int channel) {
    return w.record(classOf(ClassIndex::Noise)).ref(reference).integer(1).real(0.0f).integer(6).integer(channel).end();
}
ScriptWriter& combine(ScriptWriter& w, int a, int b, int mode, int channel) {
    return w.record(classOf(ClassIndex::Combine)).ref(a).ref(b).integer(mode).integer(1).real(1.0f).integer(channel)
        .end();
}
ScriptWriter& text(ScriptWriter& w, int reference, int mask, int height) {
    return w.record(classOf(ClassIndex::Text)).ref(reference).integer(mask).integer(-1).integer(0).integer(0)
        .integer(0).data(zeroTerminated("A")).data(zeroTerminated("Arial")).integer(height).integer(4).real(0.0f)
        .zero().integer(0).end();
}

graph::BuildResult build(const ScriptWriter& writer, graph::ObjectStore& store) {
    const auto script = writer.finish();
    return graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
}

TEST(TextureRecords, OperatorsChangeTheCanvasTheyAreGivenAndReturnIt) {
    ScriptWriter w;
    canvas(w, 6, 2, 0x00000000u);  // 64 x 4, transparent black
    gradient(w, 0, 2);             // red ramp
    noise(w, 0, 3);                // white noise into alpha
    canvas(w, 5, 3, 0xFF0000FFu);  // 32 x 8, opaque blue
    combine(w, 1, 0, 1, -1);       // add: 64 x 8
    text(w, 0, -1, 8);             // on the combined canvas, renderer or not
    w.record(classOf(ClassIndex::TextureUpload)).ref(0).end();
    graph::ObjectStore store;
    const graph::BuildResult result = build(w, store);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.records, 7);
    EXPECT_NE(result.root, nullptr);

    // Rebuilt up to the combine, whose canvas is new and as large as both inputs together.
    ScriptWriter upToCombine;
    canvas(upToCombine, 6, 2, 0x00000000u);
    gradient(upToCombine, 0, 2);
    noise(upToCombine, 0, 3);
    graph::ObjectStore chainStore;
    const graph::BuildResult chain = build(upToCombine, chainStore);
    auto* shared = dynamic_cast<texture::Canvas*>(chain.root);
    ASSERT_NE(shared, nullptr);
    // Both operators worked on the one canvas: the red ramp and the alpha noise are in the same pixels.
    EXPECT_EQ(shared->pixel(0, 0) & 0x00FF0000u, 0u);
    EXPECT_EQ(shared->pixel(63, 0) & 0x00FF0000u, 0x00FB0000u);  // B = round(63 / 64 * 256) = 252
    EXPECT_TRUE(std::ranges::any_of(shared->pixels(), [](std::uint32_t p) { return (p >> 24) != 0; }));
    EXPECT_TRUE(std::ranges::all_of(shared->pixels(), [](std::uint32_t p) { return (p & 0xFFFFu) == 0; }));
}

TEST(TextureRecords, RecordsThatCannotBeBuiltStopTheBuildWithTheirReason) {
    struct Case {
        const char* name;
        std::function<void(ScriptWriter&)> write;
        const char* reason;  // part of the message
    };
    const std::vector<Case> cases = {
        {"negative size", [](ScriptWriter& w) { canvas(w, -1, 4, 0); }, "Canvas: negative size"},
        {"huge size", [](ScriptWriter& w) { canvas(w, 31, 31, 0); }, "Canvas: size 2^31 x 2^31"},
        {"wrapping exponent", [](ScriptWriter& w) { canvas(w, 36, 2, 0); }, "Canvas: size 2^36"},
        {"float size", [](ScriptWriter& w) {
             w.record(classOf(ClassIndex::Canvas)).real(8.0f).integer(8).integer(0).end();
         }, "Canvas: argument 1 must be an integer"},
        {"operator on a mesh", [](ScriptWriter& w) {
             gradient(w.record(classOf(ClassIndex::Cube)).zero().real(1.0f).end(), 0, -1);
         }, "Gradient: argument 1 must be a reference to a Canvas"},
        {"operator on tag 0", [](ScriptWriter& w) {
             w.record(classOf(ClassIndex::Noise)).zero().integer(1).real(0.0f).integer(6).integer(-1).end();
         }, "Noise: argument 1 must be a reference to a Canvas"},
        {"noise channel", [](ScriptWriter& w) { noise(canvas(w, 2, 2, 0), 0, 4); }, "Noise: byte channel 4"},
        {"combine mask", [](ScriptWriter& w) { combine(canvas(w, 2, 2, 0), 0, 0, 5, 6); },
         "Combine: channel-mask index 6"},
        {"combine size", [](ScriptWriter& w) { combine(canvas(canvas(w, 12, 0, 0), 0, 12, 0), 1, 0, 1, -1); },
         "Combine: the common size 4096 x 4096"},
        {"text mask", [](ScriptWriter& w) { text(canvas(w, 2, 2, 0), 0, 4, 10); }, "Text: channel-mask index 4"},
        {"text height", [](ScriptWriter& w) { text(canvas(w, 2, 2, 0), 0, -1, 5000); }, "Text: font height 5000"},
        {"upload arity", [](ScriptWriter& w) {
             canvas(w, 2, 2, 0).record(classOf(ClassIndex::TextureUpload)).ref(0).integer(1).end();
         }, "TextureUpload takes 1 arguments"},
    };
    for (const Case& c : cases) {
        ScriptWriter w;
        c.write(w);
        graph::ObjectStore store;
        const graph::BuildResult result = build(w, store);
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << c.name << ": " << result.error;
    }
}

}  // namespace
