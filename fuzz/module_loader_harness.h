// Loads one arbitrary byte string as an XM module through MemoryFile and, when it loads, plays it for a
// few seconds through the replayer and mixer, under each rule set. Shared by the fuzz target and the
// regression tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzzing {

void runModuleLoaderInput(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
