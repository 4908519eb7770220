// libFuzzer entry point for the scene-script graph builder.
#include <cstddef>
#include <cstdint>

#include "graph_builder_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::runGraphBuilderInput(data, size);
    return 0;
}
