// Checking and updating the pin file, and the difference images of changed pictures.
#include "pin_check.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/headless/png_writer.h"
#include "png_reader.h"

namespace devicecheck {
namespace {

namespace fs = std::filesystem;

std::string imagePath(const fs::path& directory, const std::string& scene, const char* suffix = ".png") {
    return (directory / (scene + suffix)).generic_string();
}

std::string pinnedPath(const fs::path& directory, const std::string& scene) {
    return imagePath(directory / "pinned", scene);
}

bool readText(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    text = contents.str();
    return file.is_open();
}

// Keeps the picture as the last one that matched its pin.
bool keepAsPinned(const fs::path& directory, const std::string& scene) {
    std::error_code error;
    fs::create_directories(directory / "pinned", error);
    fs::copy_file(imagePath(directory, scene), pinnedPath(directory, scene), fs::copy_options::overwrite_existing,
                  error);
    if (error) {
        std::fprintf(stderr, "devicecheck: cannot keep %s as pinned: %s\n", scene.c_str(), error.message().c_str());
    }
    return !error;
}

// The difference image against the kept picture, when there is one and it still matches the pin.
std::string describeDifference(const Pin& pin, const DrawnScene& scene, const fs::path& directory) {
    if (pin.width != scene.picture.width || pin.height != scene.picture.height) {
        return "size changed from " + std::to_string(pin.width) + "x" + std::to_string(pin.height);
    }
    Picture pinned;
    std::string error;
    const std::string pinnedFile = pinnedPath(directory, scene.name);
    if (!fs::exists(pinnedFile) || !readPng(pinnedFile, pinned, error) || !matches(pin, pinned)) {
        return "no difference image: " + pinnedFile +
               " does not hold the pinned picture (run the check once on the pinned commit to keep it)";
    }
    std::size_t changed = 0;
    const Picture difference = differenceImage(pinned, scene.picture, changed);
    const std::string differenceFile = imagePath(directory, scene.name, ".diff.png");
    if (!headless::writePng(differenceFile, difference.width, difference.height, difference.pixels, error)) {
        return "no difference image: " + error;
    }
    return "changed pixels: " + std::to_string(changed) + ", in red in " + differenceFile + " (pinned picture: " +
           pinnedFile + ")";
}

bool checkScene(const Pin* pin, const DrawnScene& scene, const fs::path& directory, const std::string& pinFile) {
    std::error_code ignored;
    fs::remove(imagePath(directory, scene.name, ".diff.png"), ignored);  // from an earlier run
    if (pin == nullptr) {
        std::fprintf(stderr, "devicecheck: %s: no pin in %s; picture %s\n", scene.name.c_str(), pinFile.c_str(),
                     imagePath(directory, scene.name).c_str());
        return false;
    }
    if (matches(*pin, scene.picture)) {
        return keepAsPinned(directory, scene.name);
    }
    std::fprintf(stderr, "devicecheck: %s: picture changed (hash %016" PRIx64 ", pinned %016" PRIx64 "): %s; %s\n",
                 scene.name.c_str(), pictureHash(scene.picture), pin->hash, imagePath(directory, scene.name).c_str(),
                 describeDifference(*pin, scene, directory).c_str());
    return false;
}

}  // namespace

bool checkPins(const std::string& pinFile, std::span<const DrawnScene> drawn, const fs::path& directory) {
    std::string text, error;
    std::vector<Pin> pins;
    if (!readText(pinFile, text)) {
        std::fprintf(stderr, "devicecheck: cannot read the pin file %s\n", pinFile.c_str());
        return false;
    }
    if (!parsePins(text, pinFile, pins, error)) {
        std::fprintf(stderr, "devicecheck: %s\n", error.c_str());
        return false;
    }
    bool passed = true;
    for (const DrawnScene& scene : drawn) {
        const auto pin = std::find_if(pins.begin(), pins.end(), [&](const Pin& p) { return p.scene == scene.name; });
        passed = checkScene(pin == pins.end() ? nullptr : &*pin, scene, directory, pinFile) && passed;
    }
    for (const Pin& pin : pins) {
        if (std::none_of(drawn.begin(), drawn.end(), [&](const DrawnScene& s) { return s.name == pin.scene; })) {
            std::fprintf(stderr, "devicecheck: %s pins '%s', which is not a scene\n", pinFile.c_str(),
                         pin.scene.c_str());
            passed = false;
        }
    }
    if (passed) {
        std::printf("devicecheck: all %zu pictures match %s\n", drawn.size(), pinFile.c_str());
    }
    return passed;
}

bool updatePins(const std::string& pinFile, std::span<const DrawnScene> drawn, const fs::path& directory) {
    std::vector<Pin> pins;
    for (const DrawnScene& scene : drawn) {
        pins.push_back(pinOf(scene.name, scene.picture));
        if (!keepAsPinned(directory, scene.name)) return false;
    }
    std::ofstream file(pinFile, std::ios::binary | std::ios::trunc);
    file << formatPins(pins);
    file.close();
    if (!file) {
        std::fprintf(stderr, "devicecheck: cannot write the pin file %s\n", pinFile.c_str());
        return false;
    }
    std::printf("devicecheck: pinned %zu pictures in %s\n", pins.size(), pinFile.c_str());
    return true;
}

}  // namespace devicecheck
