// Decoding of scene scripts: tags, back-references, lists, blocks, progress, and malformed scripts.
#include "graph/graph_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <span>
#include <vector>

#include "support/le_fields.h"
#include "support/script_writer.h"

namespace {

using graph::BuildResult;
using graph::Constructor;
using graph::ObjectStore;
using graph::ScriptArg;
using graph::ScriptObject;
using testsupport::ScriptWriter;

// Keeps the arguments its record received.
struct Probe : ScriptObject {
    std::vector<ScriptArg> args;
};

ScriptObject* makeProbe(ObjectStore& store, std::span<const ScriptArg> args) {
    Probe* probe = store.make<Probe>();
    probe->args.assign(args.begin(), args.end());
    return probe;
}

// Class 0 records its arguments, class 1 always fails (returns null).
const std::array<Constructor, 2> kTable{&makeProbe, &graph::nullConstructor};

struct Build {
    ObjectStore store;
    BuildResult result;
    std::vector<std::int32_t> progress;

    explicit Build(const std::vector<std::uint8_t>& script) {
        result = graph::buildGraph(script, kTable, [this](std::int32_t bytes) { progress.push_back(bytes); },
                                   store);
    }
    Probe* root() const { return dynamic_cast<Probe*>(result.root); }
};

TEST(GraphBuilder, EmptyScriptBuildsNothing) {
    Build build(ScriptWriter().finish());
    EXPECT_TRUE(build.result.ok());
    EXPECT_EQ(build.result.root, nullptr);
    EXPECT_TRUE(build.progress.empty());
    EXPECT_EQ(build.store.objectCount(), 0u);
}

TEST(GraphBuilder, RecordWithoutArgumentsGetsNone) {
    Build build(ScriptWriter().record(0).end().finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    ASSERT_NE(build.root(), nullptr);
    EXPECT_TRUE(build.root()->args.empty());
}

TEST(GraphBuilder, ScalarTagsAndUnknownTags) {
    // Tag 7 is unknown: it passes 0 and consumes only its own byte, so the integer after it still decodes.
    Build build(ScriptWriter().record(0).zero().integer(-5).real(1.5f).tag(7).integer(42).end().finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    const auto& args = build.root()->args;
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[0].kind(), ScriptArg::Kind::Zero);
    EXPECT_EQ(args[0].asInt(), 0);
    EXPECT_EQ(args[1].asInt(), -5);
    EXPECT_EQ(args[2].asFloat(), 1.5f);
    EXPECT_EQ(args[3].kind(), ScriptArg::Kind::Zero);
    EXPECT_EQ(args[4].asInt(), 42);
}

TEST(GraphBuilder, FloatBitsPassUnchanged) {
    const float nan = std::bit_cast<float>(0x7FC01234u);
    Build build(ScriptWriter().record(0).real(nan).real(-0.0f).end().finish());
    const auto& args = build.root()->args;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(args[0].asFloat()), 0x7FC01234u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(args[1].asFloat()), 0x80000000u);
}

TEST(GraphBuilder, BackReferenceZeroIsThePreviousRecord) {
    Build build(ScriptWriter()
                    .record(0).end()            // 0
                    .record(0).end()            // 1
                    .record(0).ref(0).ref(1).end()  // 2: refers to 1 and 0
                    .finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    Probe* last = build.root();
    ASSERT_EQ(last->args.size(), 2u);
    Probe* first = last->args[1].asObject<Probe>();
    Probe* second = last->args[0].asObject<Probe>();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(build.result.records, 3);
}

TEST(GraphBuilder, ListCountIsTheLowByteAndEntriesCountBackFromTheRecord) {
    ScriptWriter writer;
    writer.record(0).end().record(0).end().record(0).end();  // objects 0, 1, 2
    // Count field 0x00000103: three entries, and exactly four bytes of count field are skipped.
    writer.record(0).list({0, 2, 0}, 0x00000103u).integer(9).end();
    Build build(writer.finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    const auto& args = build.root()->args;
    ASSERT_EQ(args.size(), 2u);
    const graph::PointerArray* list = args[0].asList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    auto* object2 = list->valueAt<ScriptObject*>(0);
    auto* object0 = list->valueAt<ScriptObject*>(1);
    EXPECT_EQ(list->valueAt<ScriptObject*>(2), object2);
    EXPECT_NE(object0, object2);
    EXPECT_EQ(args[1].asInt(), 9);
}

TEST(GraphBuilder, BlobPointsAtItsLengthAndDataAfterIt) {
    const std::vector<std::uint8_t> payload{'a', 'b', 0};
    const std::vector<std::uint8_t> script = ScriptWriter().record(0).blob(payload).data(payload).end().finish();
    Build build(script);
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    const auto& args = build.root()->args;
    const graph::Blob blob = args[0].asBlob();
    ASSERT_NE(blob.lengthField, nullptr);
    EXPECT_EQ(blob.lengthField, script.data() + 5);  // class index, tag byte
    EXPECT_EQ(testsupport::u32At(std::span(blob.lengthField, 4), 0), 3u);
    EXPECT_EQ(blob.bytes.data(), blob.lengthField + 4);
    EXPECT_THAT(std::vector<std::uint8_t>(blob.bytes.begin(), blob.bytes.end()), testing::ElementsAre('a', 'b', 0));
    const auto data = args[1].asData();
    EXPECT_EQ(data.size(), 3u);
    EXPECT_EQ(data.data(), script.data() + 5 + 4 + 3 + 1 + 4);
}

TEST(GraphBuilder, ProgressReportsBytesThroughEachRecordsEndTag) {
    const std::vector<std::uint8_t> script = ScriptWriter().record(0).integer(1).end().record(1).end().finish();
    Build build(script);
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    EXPECT_EQ(build.progress, (std::vector<std::int32_t>{10, 15}));
    EXPECT_EQ(static_cast<std::size_t>(build.progress.back()), script.size() - 4);
}

TEST(GraphBuilder, NullObjectsAreKeptAndPassedOn) {
    Build build(ScriptWriter().record(1).end().record(0).ref(0).end().finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    const auto& args = build.root()->args;
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0].kind(), ScriptArg::Kind::Object);
    EXPECT_EQ(args[0].asObject<ScriptObject>(), nullptr);
}

TEST(GraphBuilder, ReturnsTheLastRecordsObjectEvenWhenNull) {
    Build build(ScriptWriter().record(0).end().record(1).end().finish());
    ASSERT_TRUE(build.result.ok());
    EXPECT_EQ(build.result.root, nullptr);
    EXPECT_EQ(build.result.records, 2);
}

TEST(GraphBuilder, Exactly256ArgumentsAreAccepted) {
    ScriptWriter writer;
    writer.record(0);
    for (int i = 0; i < 256; ++i) {
        writer.integer(i);
    }
    Build build(writer.end().finish());
    ASSERT_TRUE(build.result.ok()) << build.result.error;
    EXPECT_EQ(build.root()->args.size(), 256u);
    EXPECT_EQ(build.root()->args[255].asInt(), 255);
}

// Each malformed script stops the build with a message naming the fault; nothing is read outside it.
struct MalformedCase {
    const char* name;
    std::vector<std::uint8_t> script;
    const char* message;
};

std::vector<MalformedCase> malformedCases() {
    std::vector<MalformedCase> cases;
    cases.push_back({"class index past the table", ScriptWriter().record(2).end().finish(), "outside the class table"});
    cases.push_back({"negative class index", ScriptWriter().record(-2).end().finish(), "outside the class table"});
    cases.push_back({"reference before the first record", ScriptWriter().record(0).ref(0).end().finish(),
                     "back-reference 0"});
    cases.push_back({"forward reference", ScriptWriter().record(0).end().record(0).ref(-1).end().finish(),
                     "back-reference -1"});
    cases.push_back({"list entry before the first record",
                     ScriptWriter().record(0).end().record(0).list({0, 1}).end().finish(), "back-reference 1"});
    {
        ScriptWriter writer;
        writer.record(0);
        for (int i = 0; i < 257; ++i) {
            writer.zero();
        }
        cases.push_back({"257 arguments", writer.end().finish(), "more than 256 arguments"});
    }
    cases.push_back({"record without end tag", ScriptWriter().record(0).integer(1).bytes(), "past the end"});
    cases.push_back({"truncated integer", ScriptWriter().record(0).raw({1, 0, 0}).bytes(), "past the end"});
    cases.push_back({"script without end marker", ScriptWriter().record(0).end().bytes(), "end marker"});
    cases.push_back({"truncated list", ScriptWriter().record(0).end().record(0).raw({4, 2, 0, 0, 0, 0, 0, 0, 0}).bytes(),
                     "past the end"});
    cases.push_back({"blob longer than the script", ScriptWriter().record(0).tag(5).rawI32(1000).end().finish(),
                     "runs past the end"});
    cases.push_back({"negative data length", ScriptWriter().record(0).tag(6).rawI32(-4).end().finish(), "negative"});
    return cases;
}

TEST(GraphBuilder, MalformedScriptsFailWithAMessage) {
    for (const MalformedCase& c : malformedCases()) {
        SCOPED_TRACE(c.name);
        Build build(c.script);
        EXPECT_FALSE(build.result.ok());
        EXPECT_EQ(build.result.root, nullptr);
        EXPECT_THAT(build.result.error, testing::HasSubstr(c.message));
    }
}

TEST(GraphBuilder, MoreThan16384RecordsFail) {
    ScriptWriter writer;
    for (int i = 0; i < graph::kMaxRecords; ++i) {
        writer.record(1).end();
    }
    Build full(writer.finish());
    EXPECT_TRUE(full.result.ok()) << full.result.error;
    EXPECT_EQ(full.result.records, graph::kMaxRecords);

    writer.record(1).end();
    Build over(writer.finish());
    EXPECT_FALSE(over.result.ok());
    EXPECT_THAT(over.result.error, testing::HasSubstr("more than 16384 records"));
    EXPECT_EQ(over.result.records, graph::kMaxRecords);
}

TEST(GraphBuilder, ErrorNamesTheRecordAndItsOffset) {
    Build build(ScriptWriter().record(0).end().record(5).end().finish());
    EXPECT_EQ(build.result.error,
              "scene script: record 1 (at byte 5): class index 5 is outside the class table (2 classes)");
    EXPECT_EQ(build.progress.size(), 1u);
}

}  // namespace
