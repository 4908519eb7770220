// Output files that appear complete or not at all: written under a temporary name beside the target and
// renamed over it only when every byte has been written and the file closed without error.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace headless {

// The temporary name a file is written under before it is committed.
std::string partPathFor(const std::string& path);

// Renames part over path (replacing an existing file). False with the reason in error; part is removed.
bool commitPart(const std::string& part, const std::string& path, std::string& error);

// Writes bytes to path through its part file. False with the reason in error; nothing is left behind.
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

// Writes a PNG through its part file.
bool writePngAtomically(const std::string& path, int width, int height, std::span<const std::uint32_t> pixels,
                        std::string& error);

}  // namespace headless
