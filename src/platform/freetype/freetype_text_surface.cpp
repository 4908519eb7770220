// Glyph placement along the escapement, outline rasterisation clipped to the surface, and the coverage
// image in the layout the compositing reads.
#include "platform/freetype/freetype_text_surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace freetype {

namespace {

// Windows measures font heights as the cell of the Win ascent and descent; 0 asks for its default.
constexpr double kDefaultCellHeight = 16.0;

void spanCallback(int y, int count, const FT_Span* spans, void* user) {
    auto* surface = static_cast<FreeTypeTextSurface*>(user);
    // Outlines are placed with y pointing up, so outline scanline y is image row -y - 1.
    for (int i = 0; i < count; ++i) {
        surface->addSpan(-y - 1, spans[i].x, spans[i].len, spans[i].coverage);
    }
}

FT_Fixed fixed(double value) { return static_cast<FT_Fixed>(std::lround(value * 65536.0)); }

}  // namespace

std::uint32_t unicodeOfAnsi(std::uint8_t code) {
    // 0x80..0x9F; the five codes Windows-1252 leaves undefined map to themselves.
    static constexpr std::array<std::uint16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return code >= 0x80 && code <= 0x9F ? kHigh[code - 0x80u] : code;
}

FreeTypeTextSurface::FreeTypeTextSurface(FT_Library library, const LoadedFace& face, std::int32_t width,
                                         std::int32_t height, const texture::FontSpec& font)
    : library_(library),
      face_(face.face),
      width_(width),
      height_(height),
      rowStride_((width + 3) & ~3),
      pixels_(static_cast<std::size_t>(rowStride_) * static_cast<std::size_t>(height), 0) {
    const double unitsPerEm = face_->units_per_EM;
    const double cell = face.cellAscent + face.cellDescent;
    double emPixels = 0.0;
    if (font.height < 0) {
        emPixels = -static_cast<double>(font.height);
        ascent_ = std::round(emPixels * face.cellAscent / unitsPerEm);
    } else {
        const double cellHeight = font.height > 0 ? font.height : kDefaultCellHeight;
        emPixels = cellHeight * unitsPerEm / cell;
        ascent_ = std::round(cellHeight * face.cellAscent / cell);
    }
    const double radians = font.escapement * std::numbers::pi / 1800.0;
    cosine_ = std::cos(radians);
    sine_ = std::sin(radians);
    rotation_ = {fixed(cosine_), fixed(-sine_), fixed(sine_), fixed(cosine_)};
    embolden_ = font.weight > 550 && !face.bold;

    if (FT_New_Size(face_, &size_) != 0) {
        size_ = nullptr;
        return;
    }
    FT_Activate_Size(size_);
    const FT_F26Dot6 size26 = std::max<FT_F26Dot6>(1, std::lround(emPixels * 64.0));
    if (FT_Set_Char_Size(face_, 0, size26, 72, 72) != 0) {
        FT_Done_Size(size_);
        size_ = nullptr;
    }
}

FreeTypeTextSurface::~FreeTypeTextSurface() {
    if (size_ != nullptr) {
        FT_Done_Size(size_);
    }
}

FT_UInt FreeTypeTextSurface::glyphIndex(std::uint8_t code) const {
    FT_UInt glyph = FT_Get_Char_Index(face_, unicodeOfAnsi(code));
    // Arial maps the carriage return to its blank "nonmarkingreturn" glyph, as wide as a space; its
    // metric twins carry that glyph without mapping it, and would otherwise draw the missing-glyph box.
    if (glyph == 0 && code == '\r') {
        glyph = FT_HAS_GLYPH_NAMES(face_) ? FT_Get_Name_Index(face_, "nonmarkingreturn") : 0;
        if (glyph == 0) {
            glyph = FT_Get_Char_Index(face_, ' ');
        }
    }
    return glyph;
}

bool FreeTypeTextSurface::loadGlyph(std::uint8_t code) {
    FT_Activate_Size(size_);
    const FT_UInt glyph = glyphIndex(code);
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_BITMAP) != 0 || face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return false;
    }
    if (embolden_) {
        // As FreeType's own emboldening: a 24th of the em, the advance growing by as much.
        const FT_Pos strength = FT_MulFix(face_->units_per_EM, face_->size->metrics.y_scale) / 24;
        FT_Outline_EmboldenXY(&face_->glyph->outline, strength, strength);
        face_->glyph->advance.x += strength;
    }
    return true;
}

std::int32_t FreeTypeTextSurface::characterWidth(std::uint8_t code) {
    if (!loadGlyph(code)) {
        return 0;
    }
    return static_cast<std::int32_t>((face_->glyph->advance.x + 32) >> 6);
}

void FreeTypeTextSurface::drawLine(std::int32_t x, std::int32_t y, std::span<const std::uint8_t> characters,
                                   std::span<const std::int32_t> advances) {
    // (x, y) is the top left of the cell; the baseline lies the ascent further "down" the turned text.
    const double baseX = x + ascent_ * sine_;
    const double baseY = y + ascent_ * cosine_;
    double along = 0.0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        drawGlyph(characters[i], baseX + along * cosine_, baseY - along * sine_);
        along += i < advances.size() ? advances[i] : 0;
    }
}

void FreeTypeTextSurface::drawGlyph(std::uint8_t code, double penX, double penY) {
    if (!loadGlyph(code)) {
        return;
    }
    FT_Outline& outline = face_->glyph->outline;
    if (sine_ != 0.0 || cosine_ != 1.0) {
        FT_Outline_Transform(&outline, &rotation_);
    }
    FT_BBox box;
    FT_Outline_Get_CBox(&outline, &box);
    // Glyphs wholly outside the surface are skipped before they are moved there, which also keeps far
    // positions out of FreeType's coordinate range.
    const double left = penX + box.xMin / 64.0;
    const double right = penX + box.xMax / 64.0;
    const double top = penY - box.yMax / 64.0;
    const double bottom = penY - box.yMin / 64.0;
    if (right < 0.0 || left > width_ || bottom < 0.0 || top > height_) {
        return;
    }
    FT_Outline_Translate(&outline, std::lround(penX * 64.0), std::lround(-penY * 64.0));

    FT_Raster_Params params{};
    params.source = &outline;
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
    params.gray_spans = &spanCallback;
    params.user = this;
    params.clip_box = {0, -height_, width_, 0};
    FT_Outline_Render(library_, &outline, &params);
}

void FreeTypeTextSurface::addSpan(std::int32_t row, std::int32_t x, std::int32_t length, std::uint8_t coverage) {
    if (row < 0 || row >= height_) {
        return;
    }
    const std::int32_t begin = std::max(x, 0);
    const std::int32_t end = std::min(x + length, width_);
    std::uint8_t* line = pixels_.data() + static_cast<std::ptrdiff_t>(row) * rowStride_;
    for (std::int32_t i = begin; i < end; ++i) {
        // Overlapping glyphs (tight spacing) add up the way white drawn over white does.
        line[i] = static_cast<std::uint8_t>(line[i] + coverage * (255 - line[i]) / 255);
    }
}

texture::CoverageImage FreeTypeTextSurface::coverage() {
    return {pixels_.data(), width_, height_, rowStride_, 1};
}

}  // namespace freetype
