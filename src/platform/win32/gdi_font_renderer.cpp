// GDI text surfaces: a memory DC with a DIB section and one font; ExtTextOutA with an advance per
// character; a sans-serif font in place of a face GDI does not have.
#include "platform/win32/gdi_font_renderer.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "texture/canvas.h"

namespace win32 {

namespace {

bool sameName(const std::string& a, const char* b) {
    return std::ranges::equal(a, std::string_view(b), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// family: FF_DONTCARE for the face asked for, FF_SWISS (sans serif) with no name for the fallback.
::HFONT createFont(const texture::FontSpec& spec, const char* face, ::BYTE family) {
    return ::CreateFontA(spec.height, 0, spec.escapement, 0, spec.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | family, face);
}

class GdiTextSurface final : public texture::TextSurface {
public:
    GdiTextSurface(::HDC dc, ::HBITMAP bitmap, void* bits, std::int32_t width, std::int32_t height)
        : dc_(dc), bitmap_(bitmap), bits_(static_cast<std::uint8_t*>(bits)), width_(width), height_(height) {
        oldBitmap_ = ::SelectObject(dc_, bitmap_);
    }
    ~GdiTextSurface() override {
        // Objects go back out of the DC before they are deleted; GDI does not free selected objects.
        if (font_ != nullptr) {
            ::SelectObject(dc_, oldFont_);
            ::DeleteObject(font_);
        }
        ::SelectObject(dc_, oldBitmap_);
        ::DeleteDC(dc_);
        ::DeleteObject(bitmap_);
    }
    GdiTextSurface(const GdiTextSurface&) = delete;
    GdiTextSurface& operator=(const GdiTextSurface&) = delete;

    void selectFont(::HFONT font) {
        if (font_ != nullptr) {
            ::SelectObject(dc_, oldFont_);
            ::DeleteObject(font_);
        }
        font_ = font;
        oldFont_ = ::SelectObject(dc_, font_);
        ::SetTextColor(dc_, RGB(255, 255, 255));
        ::SetBkColor(dc_, RGB(0, 0, 0));
    }

    // The face GDI actually chose for the selected font.
    std::string faceName() const {
        std::array<char, LF_FACESIZE> name{};
        ::GetTextFaceA(dc_, static_cast<int>(name.size()), name.data());
        return name.data();
    }

    std::int32_t characterWidth(std::uint8_t code) override {
        ::INT width = 0;
        ::GetCharWidth32A(dc_, code, code, &width);
        return width;
    }

    void drawLine(std::int32_t x, std::int32_t y, std::span<const std::uint8_t> characters,
                  std::span<const std::int32_t> advances) override {
        const ::RECT clip{0, 0, width_, height_};
        std::vector<::INT> dx(advances.begin(), advances.end());
        dx.resize(characters.size(), 0);
        ::ExtTextOutA(dc_, x, y, ETO_CLIPPED, &clip, reinterpret_cast<const char*>(characters.data()),
                      static_cast<::UINT>(characters.size()), dx.data());
    }

    texture::CoverageImage coverage() override {
        // GDI may still hold drawing calls in its batch; the bits are only complete after a flush.
        ::GdiFlush();
        // 24-bit DIB rows are padded to a multiple of four bytes; blue, the first byte, is the coverage.
        return {bits_, width_, height_, (static_cast<std::ptrdiff_t>(width_) * 3 + 3) & ~std::ptrdiff_t{3}, 3};
    }

private:
    ::HDC dc_;
    ::HBITMAP bitmap_;
    ::HGDIOBJ oldBitmap_ = nullptr;
    ::HFONT font_ = nullptr;
    ::HGDIOBJ oldFont_ = nullptr;
    std::uint8_t* bits_;
    std::int32_t width_;
    std::int32_t height_;
};

}  // namespace

std::unique_ptr<texture::TextSurface> GdiFontRenderer::createSurface(std::int32_t width, std::int32_t height,
                                                                     const texture::FontSpec& font,
                                                                     std::string& error) {
    ::HDC dc = ::CreateCompatibleDC(nullptr);
    if (dc == nullptr) {
        error = "CreateCompatibleDC failed";
        return nullptr;
    }
    ::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ::HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        ::DeleteDC(dc);
        error = "CreateDIBSection failed for " + std::to_string(width) + " x " + std::to_string(height);
        return nullptr;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::memset(bits, 0, stride * static_cast<std::size_t>(height));
    auto surface = std::make_unique<GdiTextSurface>(dc, bitmap, bits, width, height);

    ::HFONT asked = createFont(font, font.face.c_str(), FF_DONTCARE);
    if (asked != nullptr) {
        surface->selectFont(asked);
    }
    if (asked == nullptr || !sameName(font.face, surface->faceName().c_str())) {
        ::HFONT fallback = createFont(font, "", FF_SWISS);
        if (fallback == nullptr) {
            error = "CreateFontA failed for '" + font.face + "' and for a sans-serif face";
            return nullptr;
        }
        surface->selectFont(fallback);
        if (reportedSubstitutes_.insert(font.face).second) {
            texture::reportTextureProblem("text", "font face '" + font.face + "' is not installed; drawing with '" +
                                                      surface->faceName() + "' instead");
        }
    }
    return surface;
}

}  // namespace win32
