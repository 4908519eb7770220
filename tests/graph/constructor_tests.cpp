// The class-table adapter: typed constructor parameters filled from script arguments.
#include "graph/constructor.h"
#include "graph/checked_constructor.h"

#include <gtest/gtest.h>

#include <array>

#include "graph/graph_builder.h"
#include "support/script_writer.h"

namespace {

using graph::ObjectStore;
using graph::ScriptObject;
using testsupport::ScriptWriter;

struct Leaf : ScriptObject {};
struct Other : ScriptObject {};

struct Node : ScriptObject {
    Leaf* leaf = nullptr;
    float scale = 0.0f;
    std::int32_t count = 0;
    const graph::PointerArray* list = nullptr;
    graph::Blob blob;
    graph::ScriptData text;
};

Leaf* makeLeaf(ObjectStore& store) { return store.make<Leaf>(); }
Other* makeOther(ObjectStore& store) { return store.make<Other>(); }

Node* makeNode(ObjectStore& store, Leaf* leaf, float scale, std::int32_t count, const graph::PointerArray* list,
               graph::Blob blob, graph::ScriptData text) {
    Node* node = store.make<Node>();
    node->leaf = leaf;
    node->scale = scale;
    node->count = count;
    node->list = list;
    node->blob = blob;
    node->text = text;
    return node;
}

const std::array<graph::Constructor, 3> kTable{&graph::construct<makeLeaf>, &graph::construct<makeOther>,
                                               &graph::construct<makeNode>};

Node* build(ObjectStore& store, const std::vector<std::uint8_t>& script) {
    const graph::BuildResult result = graph::buildGraph(script, kTable, nullptr, store);
    EXPECT_TRUE(result.ok()) << result.error;
    return dynamic_cast<Node*>(result.root);
}

TEST(Constructor, ParametersReceiveTheirArguments) {
    const std::vector<std::uint8_t> bytes{'h', 'i', 0};
    const auto script =
        ScriptWriter().record(0).end().record(2).ref(0).real(2.5f).integer(7).list({0}).blob(bytes).data(bytes).end().finish();
    ObjectStore store;
    Node* node = build(store, script);
    ASSERT_NE(node, nullptr);
    EXPECT_NE(node->leaf, nullptr);
    EXPECT_EQ(node->scale, 2.5f);
    EXPECT_EQ(node->count, 7);
    ASSERT_NE(node->list, nullptr);
    EXPECT_EQ(node->list->count(), 1);
    EXPECT_EQ(node->blob.bytes.size(), 3u);
    EXPECT_EQ(node->text.bytes.size(), 3u);
}

TEST(Constructor, MissingArgumentsArriveAsZero) {
    ObjectStore store;
    Node* node = build(store, ScriptWriter().record(2).zero().end().finish());
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->leaf, nullptr);
    EXPECT_EQ(node->scale, 0.0f);
    EXPECT_EQ(node->count, 0);
    EXPECT_EQ(node->list, nullptr);
    EXPECT_EQ(node->blob.lengthField, nullptr);
    EXPECT_TRUE(node->text.bytes.empty());
}

TEST(Constructor, WrongKindsBecomeNullOrReinterpretedBits) {
    // An object of another class where a Leaf is expected reads as null; an integer where a float is
    // expected keeps its 32 bits, as a 32-bit call would pass them.
    ObjectStore store;
    Node* node = build(store, ScriptWriter().record(1).end().record(2).ref(0).integer(0x3F800000).real(2.0f).integer(3).end().finish());
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->leaf, nullptr);
    EXPECT_EQ(node->scale, 1.0f);
    EXPECT_EQ(node->count, 0x40000000);
    EXPECT_EQ(node->list, nullptr);
}

TEST(Constructor, SurplusArgumentsAreIgnored) {
    ObjectStore store;
    const graph::BuildResult result =
        graph::buildGraph(ScriptWriter().record(0).integer(1).integer(2).end().finish(), kTable, nullptr, store);
    EXPECT_TRUE(result.ok());
    EXPECT_NE(dynamic_cast<Leaf*>(result.root), nullptr);
}

TEST(Constructor, CopyObjectListKeepsPositions) {
    ObjectStore store;
    graph::PointerArray* list = store.makeList();
    ScriptObject* leaf = makeLeaf(store);
    ScriptObject* other = makeOther(store);
    list->pushValue(leaf);
    list->pushValue(other);
    list->pushValue(static_cast<ScriptObject*>(nullptr));
    graph::PointerArray leaves;
    graph::copyObjectList<Leaf>(list, leaves);
    ASSERT_EQ(leaves.count(), 3);
    EXPECT_EQ(leaves.valueAt<Leaf*>(0), leaf);
    EXPECT_EQ(leaves.valueAt<Leaf*>(1), nullptr);
    EXPECT_EQ(leaves.valueAt<Leaf*>(2), nullptr);
    graph::copyObjectList<Leaf>(nullptr, leaves);
    EXPECT_EQ(leaves.count(), 0);
}

}  // namespace

// The checked adapter: the one layout a class has, enforced before its constructor runs.
namespace checked {

struct Target : ScriptObject {
    Leaf* required = nullptr;
    Leaf* optional = nullptr;
    std::int32_t count = 0;
    float scale = 0.0f;
};

Target* makeTarget(ObjectStore& store, Leaf& required, Leaf* optional, std::int32_t count, float scale) {
    Target* target = store.make<Target>();
    target->required = &required;
    target->optional = optional;
    target->count = count;
    target->scale = scale;
    return target;
}

// Refuses every record it is given, after the checks have passed.
Target* makeRefusing(ObjectStore& store, std::int32_t) {
    store.rejectRecord("Refusing: never builds");
    return nullptr;
}

// Class 0 Leaf, 1 Other, 2 the checked Target, 3 a class that always fails (null), 4 Refusing.
const std::array<graph::Constructor, 5> kCheckedTable{&graph::construct<makeLeaf>, &graph::construct<makeOther>,
                                                      &graph::constructChecked<"Target", makeTarget>,
                                                      &graph::nullConstructor,
                                                      &graph::constructChecked<"Refusing", makeRefusing>};

graph::BuildResult buildChecked(ObjectStore& store, const ScriptWriter& target) {
    ScriptWriter script;
    script.record(0).end().record(1).end().record(3).end();  // a Leaf, an Other, a null
    std::vector<std::uint8_t> bytes = script.bytes();
    bytes.insert(bytes.end(), target.bytes().begin(), target.bytes().end());
    testsupport::appendI32LE(bytes, -1);
    return graph::buildGraph(bytes, kCheckedTable, nullptr, store);
}

TEST(CheckedConstructor, AcceptsTheLayoutWithZeroAndNullWhereOptional) {
    ObjectStore store;
    // References: 2 the Leaf, 1 the Other, 0 the null record.
    graph::BuildResult result = buildChecked(store, ScriptWriter().record(2).ref(2).ref(0).zero().real(1.5f).end());
    ASSERT_TRUE(result.ok()) << result.error;
    auto* target = dynamic_cast<Target*>(result.root);
    ASSERT_NE(target, nullptr);
    EXPECT_NE(target->required, nullptr);
    EXPECT_EQ(target->optional, nullptr);
    EXPECT_EQ(target->count, 0);
    EXPECT_EQ(target->scale, 1.5f);
}

TEST(CheckedConstructor, RefusesRecordsThatDoNotFitAndStopsTheBuild) {
    const std::pair<ScriptWriter, std::string> cases[] = {
        {ScriptWriter().record(2).ref(2).zero().integer(1).end(), "Target takes 4 arguments; the record has 3"},
        {ScriptWriter().record(2).ref(2).zero().integer(1).real(1).zero().end(),
         "Target takes 4 arguments; the record has 5"},
        {ScriptWriter().record(2).ref(0).zero().integer(1).real(1).end(),
         "Target: argument 1 must be a reference to an object of its class; it refers to a record that built nothing"},
        {ScriptWriter().record(2).zero().zero().integer(1).real(1).end(),
         "Target: argument 1 must be a reference to an object of its class; it is tag 0"},
        {ScriptWriter().record(2).ref(2).ref(1).integer(1).real(1).end(),
         "Target: argument 2 must be a reference to an object of its class; it refers to an object of another "
         "class"},
        {ScriptWriter().record(2).ref(2).zero().real(1).real(1).end(),
         "Target: argument 3 must be an integer; it is a float"},
        {ScriptWriter().record(2).ref(2).zero().integer(1).list({0}).end(),
         "Target: argument 4 must be a float; it is a list"},
        {ScriptWriter().record(4).integer(1).end(), "Refusing: never builds"},
    };
    for (const auto& [record, message] : cases) {
        ObjectStore store;
        const graph::BuildResult result = buildChecked(store, record);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.root, nullptr);
        EXPECT_EQ(result.records, 3);
        EXPECT_NE(result.error.find("record 3 (at byte 15): " + message), std::string::npos) << result.error;
    }
}

}  // namespace checked
