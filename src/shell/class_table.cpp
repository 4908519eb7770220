// Registry of the scene-script classes: one const table per script.
#include "shell/class_table.h"

#include <array>

#include "music/music.h"
#include "sequence/timeline.h"

namespace shell {

namespace {

using graph::Constructor;

constexpr std::array<Constructor, kMainClassCount> makeMainTable() {
    std::array<Constructor, kMainClassCount> table{};
    table.fill(&graph::nullConstructor);
    table[static_cast<std::size_t>(ClassIndex::Timeline)] = &graph::construct<sequence::makeTimeline>;
    table[static_cast<std::size_t>(ClassIndex::Music)] = &graph::construct<music::makeMusic>;
    return table;
}

constexpr std::array<Constructor, kLoaderClassCount> makeLoaderTable() {
    std::array<Constructor, kLoaderClassCount> table{};
    table.fill(&graph::nullConstructor);
    table[10] = &graph::construct<sequence::makeTimeline>;  // the loader script's timeline class
    return table;
}

constexpr std::array<Constructor, kMainClassCount> kMainTable = makeMainTable();
constexpr std::array<Constructor, kLoaderClassCount> kLoaderTable = makeLoaderTable();

}  // namespace

graph::ClassTable mainClassTable() { return kMainTable; }

graph::ClassTable loaderClassTable() { return kLoaderTable; }

}  // namespace shell
