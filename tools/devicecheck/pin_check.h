// The pin check of a devicecheck run: every drawn picture against its pin in the pin file. A picture
// that matches is also kept in OUTDIR/pinned/, so that a later mismatch can be shown as a difference
// image against the last picture that matched.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "pins.h"

namespace devicecheck {

struct DrawnScene {
    std::string name;
    Picture picture;  // also written as directory/<name>.png
};

// Prints one line per scene that fails (no pin, a changed picture naming its image and difference image)
// and per pin naming no scene; true when there was none.
bool checkPins(const std::string& pinFile, std::span<const DrawnScene> drawn, const std::filesystem::path& directory);

// Rewrites the pin file from the drawn pictures and keeps them as the pinned ones. False after printing why.
bool updatePins(const std::string& pinFile, std::span<const DrawnScene> drawn, const std::filesystem::path& directory);

}  // namespace devicecheck
