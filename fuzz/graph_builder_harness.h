// Runs one arbitrary byte string through the graph builder with the main class table, then drives every
// timeline it built through a few frames. Shared by the fuzz target and the regression tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzzing {

void runGraphBuilderInput(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
