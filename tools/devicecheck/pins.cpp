// Picture hashes, the pin file's text form and the difference image.
#include "pins.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

namespace devicecheck {
namespace {

constexpr std::uint64_t kFnvOffset = 0xCBF29CE484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001B3ull;

void hashByte(std::uint64_t& hash, std::uint8_t byte) {
    hash ^= byte;
    hash *= kFnvPrime;
}

void hashWord(std::uint64_t& hash, std::uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) hashByte(hash, static_cast<std::uint8_t>(word >> shift));
}

int channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

// "800x500" into its two positive numbers.
bool parseSize(const std::string& text, int& width, int& height) {
    char extra = 0;
    return std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &extra) == 2 && width > 0 && height > 0;
}

bool parseHash(const std::string& text, std::uint64_t& hash) {
    const auto hexDigit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (text.size() != 16 || !std::all_of(text.begin(), text.end(), hexDigit)) {
        return false;
    }
    hash = std::strtoull(text.c_str(), nullptr, 16);
    return true;
}

}  // namespace

std::uint64_t pictureHash(const Picture& picture) {
    std::uint64_t hash = kFnvOffset;
    hashWord(hash, static_cast<std::uint32_t>(picture.width));
    hashWord(hash, static_cast<std::uint32_t>(picture.height));
    for (const std::uint32_t pixel : picture.pixels) {
        hashByte(hash, static_cast<std::uint8_t>(pixel >> 16));
        hashByte(hash, static_cast<std::uint8_t>(pixel >> 8));
        hashByte(hash, static_cast<std::uint8_t>(pixel));
    }
    return hash;
}

Pin pinOf(const std::string& scene, const Picture& picture) {
    return {scene, picture.width, picture.height, pictureHash(picture)};
}

bool matches(const Pin& pin, const Picture& picture) {
    return pin.width == picture.width && pin.height == picture.height && pin.hash == pictureHash(picture);
}

bool parsePins(const std::string& text, const std::string& fileName, std::vector<Pin>& pins, std::string& error) {
    pins.clear();
    std::set<std::string> seen;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string where = fileName + ":" + std::to_string(number) + ": ";
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#') {
            continue;
        }
        std::istringstream fields(line);
        Pin pin;
        std::string size, hash, extra;
        if (!(fields >> pin.scene >> size >> hash) || (fields >> extra)) {
            error = where + "expected 'scene WIDTHxHEIGHT HASH', got '" + line + "'";
            return false;
        }
        if (!parseSize(size, pin.width, pin.height)) {
            error = where + "bad size '" + size + "' (expected WIDTHxHEIGHT)";
            return false;
        }
        if (!parseHash(hash, pin.hash)) {
            error = where + "bad hash '" + hash + "' (expected 16 hex digits)";
            return false;
        }
        if (!seen.insert(pin.scene).second) {
            error = where + "scene '" + pin.scene + "' is pinned twice";
            return false;
        }
        pins.push_back(pin);
    }
    return true;
}

std::string formatPins(std::span<const Pin> pins) {
    std::string text =
        "# The software device's devicecheck pictures: scene, size and a 64-bit FNV-1a hash of the pixels\n"
        "# (see tools/devicecheck/pins.h). Checked by the test command; update deliberately, as the README\n"
        "# says, after looking at the new pictures.\n";
    for (const Pin& pin : pins) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016" PRIx64, pin.hash);
        text += pin.scene + " " + std::to_string(pin.width) + "x" + std::to_string(pin.height) + " " + hash + "\n";
    }
    return text;
}

Picture differenceImage(const Picture& before, const Picture& after, std::size_t& changedPixels) {
    Picture out{after.width, after.height, std::vector<std::uint32_t>(after.pixels.size())};
    changedPixels = 0;
    for (std::size_t i = 0; i < after.pixels.size(); ++i) {
        const std::uint32_t a = before.pixels[i];
        const std::uint32_t b = after.pixels[i];
        int largest = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            largest = std::max(largest, std::abs(channel(a, shift) - channel(b, shift)));
        }
        if (largest == 0) {
            const int grey = (channel(b, 16) + channel(b, 8) + channel(b, 0)) / 9;  // a third of the mean
            out.pixels[i] = static_cast<std::uint32_t>(grey * 0x010101);
        } else {
            ++changedPixels;
            out.pixels[i] = static_cast<std::uint32_t>(std::min(255, 128 + largest)) << 16;
        }
    }
    return out;
}

}  // namespace devicecheck
