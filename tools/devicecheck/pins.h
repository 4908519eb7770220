// Pins of the device-check pictures: a hash of each scene's pixels, kept in a text file that the test
// command checks, so that a changed picture is a decision made in a commit. Also the difference image
// that shows where a picture moved away from its pinned one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace devicecheck {

// A picture as 32-bit words 0xXXRRGGBB, rows top first; the top byte is not part of the picture.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

struct Pin {
    std::string scene;
    int width = 0;
    int height = 0;
    std::uint64_t hash = 0;
};

// 64-bit FNV-1a over the width and height (32-bit little-endian each) and then every pixel's red,
// green and blue bytes in row order: what a PNG of the picture shows, nothing else.
std::uint64_t pictureHash(const Picture& picture);

Pin pinOf(const std::string& scene, const Picture& picture);
bool matches(const Pin& pin, const Picture& picture);

// The pin file: one "scene WIDTHxHEIGHT HASH" line per scene, HASH as 16 hex digits; '#' starts a
// comment line. False with the file and line in error for anything else, or a scene named twice.
bool parsePins(const std::string& text, const std::string& fileName, std::vector<Pin>& pins, std::string& error);
std::string formatPins(std::span<const Pin> pins);

// Both pictures the same size: unchanged pixels as a dim grey copy of after, changed ones in red whose
// brightness grows with the largest channel difference. changedPixels counts the latter.
Picture differenceImage(const Picture& before, const Picture& after, std::size_t& changedPixels);

}  // namespace devicecheck
