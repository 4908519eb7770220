// Writes X8R8G8B8 frames (32-bit words 0xXXRRGGBB) as opaque 8-bit RGB PNG files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace headless {

// pixels holds height rows of width words, top row first; the top byte of each word is ignored.
// False with a message in error when the sizes do not match the pixels or the file cannot be written.
bool writePng(const std::string& path, int width, int height, std::span<const std::uint32_t> pixels,
              std::string& error);

// The same image as the bytes of a PNG file, in memory. False with a message in error when the sizes do
// not match the pixels.
bool encodePng(int width, int height, std::span<const std::uint32_t> pixels, std::vector<std::uint8_t>& png,
               std::string& error);

}  // namespace headless
