// The font renderer on Linux and in headless runs: faces found by fontconfig, glyph outlines hinted and
// rasterised by FreeType, turned by the escapement and clipped to the surface while they are rasterised.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "texture/font_renderer.h"

namespace freetype {

struct LoadedFace;

class FreeTypeFontRenderer final : public texture::FontRenderer {
public:
    FreeTypeFontRenderer();
    ~FreeTypeFontRenderer() override;
    FreeTypeFontRenderer(const FreeTypeFontRenderer&) = delete;
    FreeTypeFontRenderer& operator=(const FreeTypeFontRenderer&) = delete;

    std::unique_ptr<texture::TextSurface> createSurface(std::int32_t width, std::int32_t height,
                                                        const texture::FontSpec& font, std::string& error) override;

private:
    // The face for a name and weight, opened once and kept; null with error set when there is none.
    LoadedFace* face(const std::string& name, std::int32_t weight, std::string& error);

    struct Library;
    std::unique_ptr<Library> library_;
    std::map<std::pair<std::string, std::int32_t>, LoadedFace*> byRequest_;
    std::map<std::pair<std::string, std::int32_t>, std::unique_ptr<LoadedFace>> byFile_;
    std::set<std::string> reportedSubstitutes_;
};

}  // namespace freetype
