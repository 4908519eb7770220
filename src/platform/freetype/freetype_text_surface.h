// A canvas-sized 8-bit coverage image on which lines of text are drawn with one FreeType face at one size.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/freetype/freetype_face.h"
#include "texture/font_renderer.h"

namespace freetype {

class FreeTypeTextSurface final : public texture::TextSurface {
public:
    // font.height and the face's cell metrics give the size; font.weight above 550 emboldens a face
    // that is not bold itself. False from ready() when FreeType cannot make the size.
    FreeTypeTextSurface(FT_Library library, const LoadedFace& face, std::int32_t width, std::int32_t height,
                        const texture::FontSpec& font);
    ~FreeTypeTextSurface() override;
    FreeTypeTextSurface(const FreeTypeTextSurface&) = delete;
    FreeTypeTextSurface& operator=(const FreeTypeTextSurface&) = delete;

    bool ready() const { return size_ != nullptr; }

    std::int32_t characterWidth(std::uint8_t code) override;
    void drawLine(std::int32_t x, std::int32_t y, std::span<const std::uint8_t> characters,
                  std::span<const std::int32_t> advances) override;
    texture::CoverageImage coverage() override;

    // Adds coverage to pixels of one image row, as white drawn over what is there.
    void addSpan(std::int32_t row, std::int32_t x, std::int32_t length, std::uint8_t coverage);

private:
    // The glyph the font draws for a character; 0 is its missing-glyph box.
    FT_UInt glyphIndex(std::uint8_t code) const;
    // Loads the hinted outline of a character at the surface's size; false when it has none.
    bool loadGlyph(std::uint8_t code);
    void drawGlyph(std::uint8_t code, double penX, double penY);

    FT_Library library_;
    FT_Face face_;
    FT_Size size_ = nullptr;
    bool embolden_ = false;
    double ascent_ = 0.0;  // pixels from the top of the cell to the baseline
    double cosine_ = 1.0;
    double sine_ = 0.0;
    FT_Matrix rotation_{};
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t rowStride_;  // rows padded to four bytes, as a Windows bitmap's are
    std::vector<std::uint8_t> pixels_;
};

// Windows-1252 to Unicode: the code page Windows draws ANSI text in.
std::uint32_t unicodeOfAnsi(std::uint8_t code);

}  // namespace freetype
