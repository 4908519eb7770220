// Replays every kept module-loader fuzz input (the seed corpus and each input that once found a fault)
// through the harness: load through MemoryFile, then three seconds of playback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "module_loader_harness.h"

namespace {

std::vector<std::filesystem::path> modulesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != "README.md") {
            files.push_back(entry.path());
        }
    }
    return files;
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ModuleLoaderRegression, KeptInputsRunCleanly) {
    std::vector<std::filesystem::path> files = modulesIn(VELBRY_SOURCE_DIR "/fuzz/corpus/module_loader");
    ASSERT_FALSE(files.empty());
    const auto found = modulesIn(VELBRY_SOURCE_DIR "/tests/regression/module_loader");
    files.insert(files.end(), found.begin(), found.end());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<std::uint8_t> bytes = readFile(file);
        fuzzing::runModuleLoaderInput(bytes.data(), bytes.size());
    }
}

}  // namespace
