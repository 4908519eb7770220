// Replays every kept fuzz input (the seed corpus and each input that once found a fault) through the
// graph-builder harness; run under the sanitizer build these catch any return of a fixed fault.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "graph_builder_harness.h"

namespace {

std::vector<std::filesystem::path> inputsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    return files;
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GraphBuilderRegression, KeptInputsRunCleanly) {
    std::vector<std::filesystem::path> files = inputsIn(VELBRY_SOURCE_DIR "/fuzz/corpus/graph_builder");
    const auto found = inputsIn(VELBRY_SOURCE_DIR "/tests/regression/graph_builder");
    files.insert(files.end(), found.begin(), found.end());
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<std::uint8_t> bytes = readFile(file);
        fuzzing::runGraphBuilderInput(bytes.data(), bytes.size());
    }
}

}  // namespace
