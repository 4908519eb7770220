// One opened FreeType face with what the text surfaces need to size and draw with it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <cstdint>
#include <string>

namespace freetype {

struct LoadedFace {
    FT_Face face = nullptr;
    std::string family;
    // Windows sizes fonts by the cell from the top of the tallest glyph to the bottom of the lowest
    // (the OS/2 "Win" metrics), in font units.
    std::int32_t cellAscent = 0;
    std::int32_t cellDescent = 0;
    bool bold = false;  // the face itself is bold; otherwise a bold request is emboldened
};

}  // namespace freetype
