// The font renderer the text operator draws with: a platform service that renders lines of 8-bit text
// (Windows-1252) with a TrueType face, anti-aliased white on black, into a canvas-sized coverage image.
// Backends: GDI on Windows, FreeType with fontconfig elsewhere (platform/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace texture {

struct FontSpec {
    std::string face;               // family name, "Arial" throughout the scene
    std::int32_t height = 0;        // > 0: cell height (ascent + descent) in pixels; < 0: em height; 0: default
    std::int32_t weight = 400;      // 0 to 1000, 700 bold
    std::int32_t escapement = 0;    // text direction in tenths of a degree, counter-clockwise
};

// Coverage of pixel (x, y) is bytes[y * rowStride + x * pixelStride], 0 (none) to 255 (full). Rows may
// be padded: a 24-bit bitmap's rows are a multiple of four bytes long.
struct CoverageImage {
    const std::uint8_t* bytes = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::ptrdiff_t rowStride = 0;
    std::int32_t pixelStride = 1;

    std::uint8_t at(std::int32_t x, std::int32_t y) const {
        return bytes[static_cast<std::ptrdiff_t>(y) * rowStride + static_cast<std::ptrdiff_t>(x) * pixelStride];
    }
};

// A black image with one font selected, drawn on line by line.
class TextSurface {
public:
    virtual ~TextSurface() = default;

    // The advance of one character in whole pixels, as the font defines it.
    virtual std::int32_t characterWidth(std::uint8_t code) = 0;

    // Draws the characters with the top left of the first character cell at (x, y). Character i + 1
    // starts advances[i] pixels after character i along the text direction; advances has one entry per
    // character. Everything outside the image is clipped. Every byte is drawn as the font's glyph for it,
    // a carriage return included.
    virtual void drawLine(std::int32_t x, std::int32_t y, std::span<const std::uint8_t> characters,
                          std::span<const std::int32_t> advances) = 0;

    // What has been drawn so far; valid until the surface is destroyed or drawn on again.
    virtual CoverageImage coverage() = 0;
};

class FontRenderer {
public:
    virtual ~FontRenderer() = default;

    // A black width x height surface with the font selected. A face that is not installed is replaced by
    // a sans-serif one, and the renderer says so on stderr once per face. Null, with the reason in error,
    // when no surface or no font at all can be had.
    virtual std::unique_ptr<TextSurface> createSurface(std::int32_t width, std::int32_t height, const FontSpec& font,
                                                       std::string& error) = 0;
};

// The renderer text records draw with: null until the platform's is selected (platform/font_factory.h),
// and then text records draw nothing and say so.
FontRenderer* fontRenderer();
void setFontRenderer(FontRenderer* renderer);

}  // namespace texture
