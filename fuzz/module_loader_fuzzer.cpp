// libFuzzer entry point for the XM module loader, followed by a few seconds of playback.
#include <cstddef>
#include <cstdint>

#include "module_loader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::runModuleLoaderInput(data, size);
    return 0;
}
