// The font renderer on Windows: GDI's TrueType renderer drawing anti-aliased white text on black into a
// top-down 24-bit DIB section, whose first byte per pixel is the coverage. Includes no Windows header.
#pragma once

#include <set>
#include <string>

#include "texture/font_renderer.h"

namespace win32 {

class GdiFontRenderer final : public texture::FontRenderer {
public:
    std::unique_ptr<texture::TextSurface> createSurface(std::int32_t width, std::int32_t height,
                                                        const texture::FontSpec& font, std::string& error) override;

private:
    std::set<std::string> reportedSubstitutes_;
};

}  // namespace win32
