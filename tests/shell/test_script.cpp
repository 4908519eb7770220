// The shell tests' scene scripts.
#include "test_script.h"

#include <algorithm>

#include "graph/checked_constructor.h"
#include "support/script_writer.h"

namespace shelltest {
namespace {

using shell::ClassIndex;

constexpr std::int32_t index(ClassIndex c) { return static_cast<std::int32_t>(c); }

RecordingLayer* makeRecordingLayer(graph::ObjectStore& store) {
    return lastRecordingLayer() = store.make<RecordingLayer>();
}

CountingMusic* makeCountingMusic(graph::ObjectStore& store) { return store.make<CountingMusic>(musicCounters()); }

}  // namespace

MusicCounters& musicCounters() {
    static MusicCounters counters;
    return counters;
}

RecordingLayer*& lastRecordingLayer() {
    static RecordingLayer* layer = nullptr;
    return layer;
}

std::array<graph::Constructor, shell::kMainClassCount> testClassTable() {
    std::array<graph::Constructor, shell::kMainClassCount> table{};
    const graph::ClassTable main = shell::mainClassTable();
    std::copy(main.begin(), main.end(), table.begin());
    table[static_cast<std::size_t>(ClassIndex::ObjectInstance)] =
        &graph::construct<makeRecordingLayer>;
    table[static_cast<std::size_t>(ClassIndex::Music)] = &graph::construct<makeCountingMusic>;
    return table;
}

std::vector<std::uint8_t> testScript(const TestScript& shape) {
    testsupport::ScriptWriter script;
    script.record(index(ClassIndex::Music)).end();                                          // music
    script.record(index(ClassIndex::ObjectInstance)).end();                                 // recorder
    for (int i = 0; i < shape.padding; ++i) {
        script.record(index(ClassIndex::ConstantVector)).real(1).real(2).real(3).real(1).end();
    }
    script.record(index(ClassIndex::ClearLayer)).integer(static_cast<std::int32_t>(shape.clearColour)).integer(3).end();
    const auto events = testsupport::EventWriter().insert(0.0f, 0, 0).insert(0.0f, 1, 1).end().bytes();
    const std::int32_t recorder = shape.padding + 1;  // distance from the timeline record back to it
    script.record(index(ClassIndex::Timeline)).list({0, recorder}).blob(events).end();
    script.record(index(ClassIndex::Demo)).ref(0).real(shape.endTime).ref(shape.padding + 3).end();
    return script.finish();
}

}  // namespace shelltest
