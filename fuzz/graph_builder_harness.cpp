// Graph-builder harness: the main class table with its timeline constructor observed, so that event
// streams arriving through scripts are exercised too, and the platform's font renderer selected.
#include "graph_builder_harness.h"

#include <array>
#include <span>
#include <vector>

#include "graph/graph_builder.h"
#include "platform/font_factory.h"
#include "sequence/timeline.h"
#include "shell/class_table.h"

namespace fuzzing {

namespace {

std::vector<sequence::Timeline*>* builtTimelines = nullptr;

sequence::Timeline* makeObservedTimeline(graph::ObjectStore& store, const graph::PointerArray* layers,
                                         graph::Blob events) {
    sequence::Timeline* timeline = sequence::makeTimeline(store, layers, events);
    builtTimelines->push_back(timeline);
    return timeline;
}

std::array<graph::Constructor, shell::kMainClassCount> harnessTable() {
    std::array<graph::Constructor, shell::kMainClassCount> table{};
    const graph::ClassTable main = shell::mainClassTable();
    std::copy(main.begin(), main.end(), table.begin());
    table[static_cast<std::size_t>(shell::ClassIndex::Timeline)] = &graph::construct<makeObservedTimeline>;
    return table;
}

}  // namespace

void runGraphBuilderInput(const std::uint8_t* data, std::size_t size) {
    static const auto table = harnessTable();
    // Text records draw through the platform's fonts, as in the presentation.
    platform::useSystemFontRenderer();
    std::vector<sequence::Timeline*> timelines;
    builtTimelines = &timelines;
    graph::ObjectStore store;
    std::int32_t lastProgress = 0;
    graph::buildGraph(std::span<const std::uint8_t>(data, size), table,
                      [&lastProgress](std::int32_t bytes) { lastProgress = bytes; }, store);
    // Forward, backward (a replay) and far-future times, as the shell and a restart would give them.
    for (sequence::Timeline* timeline : timelines) {
        for (float t : {0.0f, 24.0f, 25.5f, 10.0f, 120.0f, 1000.0f, -1.0f}) {
            timeline->update(t);
            timeline->render(t);
        }
    }
    builtTimelines = nullptr;
}

}  // namespace fuzzing
