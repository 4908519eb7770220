// The FreeType library handle, the cache of opened faces and the creation of text surfaces.
#include "platform/freetype/freetype_font_renderer.h"

#include <algorithm>
#include <cctype>

#include "platform/freetype/font_lookup.h"
#include "platform/freetype/freetype_face.h"
#include "platform/freetype/freetype_text_surface.h"
#include "texture/canvas.h"

namespace freetype {

struct FreeTypeFontRenderer::Library {
    FT_Library handle = nullptr;
};

namespace {

std::string lowered(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The face's cell metrics and boldness; false for a face without outlines.
bool describe(LoadedFace& loaded) {
    FT_Face face = loaded.face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        return false;
    }
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        loaded.cellAscent = os2->usWinAscent;
        loaded.cellDescent = os2->usWinDescent;
    } else {
        loaded.cellAscent = face->ascender;
        loaded.cellDescent = -face->descender;
    }
    if (loaded.cellAscent + loaded.cellDescent <= 0) {
        loaded.cellAscent = face->units_per_EM;
        loaded.cellDescent = 0;
    }
    loaded.bold = (os2 != nullptr && os2->usWeightClass >= 600) || (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    return true;
}

}  // namespace

FreeTypeFontRenderer::FreeTypeFontRenderer() : library_(std::make_unique<Library>()) {
    if (FT_Init_FreeType(&library_->handle) != 0) {
        library_->handle = nullptr;
    }
}

FreeTypeFontRenderer::~FreeTypeFontRenderer() {
    for (auto& [file, loaded] : byFile_) {
        FT_Done_Face(loaded->face);
    }
    if (library_->handle != nullptr) {
        FT_Done_FreeType(library_->handle);
    }
}

LoadedFace* FreeTypeFontRenderer::face(const std::string& name, std::int32_t weight, std::string& error) {
    const auto request = std::make_pair(lowered(name), weight);
    if (const auto known = byRequest_.find(request); known != byRequest_.end()) {
        return known->second;
    }
    FontFile file;
    if (!findFontFile(name, weight, file, error)) {
        return nullptr;
    }
    const auto fileKey = std::make_pair(file.path, file.index);
    auto opened = byFile_.find(fileKey);
    if (opened == byFile_.end()) {
        auto loaded = std::make_unique<LoadedFace>();
        loaded->family = file.family;
        if (FT_New_Face(library_->handle, file.path.c_str(), file.index, &loaded->face) != 0) {
            error = "FreeType cannot open " + file.path;
            return nullptr;
        }
        if (!describe(*loaded)) {
            FT_Done_Face(loaded->face);
            error = file.path + " has no outlines";
            return nullptr;
        }
        opened = byFile_.emplace(fileKey, std::move(loaded)).first;
    }
    if (file.substituted && reportedSubstitutes_.insert(request.first).second) {
        texture::reportTextureProblem("text", "font face '" + name + "' is not installed; drawing with '" +
                                                  file.family + "' instead");
    }
    byRequest_.emplace(request, opened->second.get());
    return opened->second.get();
}

std::unique_ptr<texture::TextSurface> FreeTypeFontRenderer::createSurface(std::int32_t width, std::int32_t height,
                                                                          const texture::FontSpec& font,
                                                                          std::string& error) {
    if (library_->handle == nullptr) {
        error = "FreeType did not start";
        return nullptr;
    }
    LoadedFace* loaded = face(font.face, font.weight, error);
    if (loaded == nullptr) {
        return nullptr;
    }
    auto surface = std::make_unique<FreeTypeTextSurface>(library_->handle, *loaded, width, height, font);
    if (!surface->ready()) {
        error = "FreeType cannot size '" + loaded->family + "' for height " + std::to_string(font.height);
        return nullptr;
    }
    return surface;
}

}  // namespace freetype
