// Finding the font file for a face name and weight through fontconfig, with a sans-serif face in place
// of a face that is not installed.
#pragma once

#include <cstdint>
#include <string>

namespace freetype {

struct FontFile {
    std::string path;
    std::int32_t index = 0;    // face index inside the file
    std::string family;        // the family of the file found
    bool substituted = false;  // the face asked for (or a metric-compatible one) is not installed
};

// weight: 0 to 1000 as Windows numbers it (400 regular, 700 bold). False with the reason in error when
// fontconfig knows no font at all.
bool findFontFile(const std::string& face, std::int32_t weight, FontFile& found, std::string& error);

}  // namespace freetype
