// The scene-script class tables: their sizes and the classes wired into them.
#include "shell/class_table.h"

#include <gtest/gtest.h>

#include "graph/graph_builder.h"
#include "sequence/timeline.h"
#include "support/script_writer.h"

namespace {

using shell::ClassIndex;
using testsupport::EventWriter;
using testsupport::ScriptWriter;

TEST(ClassTable, SizesOfBothTables) {
    EXPECT_EQ(shell::mainClassTable().size(), 37u);
    EXPECT_EQ(shell::loaderClassTable().size(), 12u);
    for (graph::Constructor constructor : shell::mainClassTable()) {
        EXPECT_NE(constructor, nullptr);
    }
}

TEST(ClassTable, ScriptBuildsATimelineOverItsLayers) {
    // Two timelines: the outer one schedules the inner one as a layer.
    const auto inner = EventWriter().end().bytes();
    const auto outer = EventWriter().insert(0.0f, 0, 0).end().bytes();
    const auto script = ScriptWriter()
                            .record(static_cast<int>(ClassIndex::Timeline)).list({}).blob(inner).end()
                            .record(static_cast<int>(ClassIndex::Timeline)).list({0}).blob(outer).end()
                            .finish();
    graph::ObjectStore store;
    const graph::BuildResult result = graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
    ASSERT_TRUE(result.ok()) << result.error;
    auto* timeline = dynamic_cast<sequence::Timeline*>(result.root);
    ASSERT_NE(timeline, nullptr);
    timeline->update(0.0f);
    ASSERT_EQ(timeline->activeCount(), 1);
    EXPECT_NE(dynamic_cast<sequence::Timeline*>(timeline->activeLayer(0)), nullptr);
}

TEST(ClassTable, LoaderScriptBuildsNothing) {
    const auto script = ScriptWriter().finish();
    graph::ObjectStore store;
    const graph::BuildResult result = graph::buildGraph(script, shell::loaderClassTable(), nullptr, store);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.root, nullptr);
}

}  // namespace
