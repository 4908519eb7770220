// The one font renderer of the process.
#include "platform/font_factory.h"

#include <memory>

#ifdef _WIN32
#include "platform/win32/gdi_font_renderer.h"
#else
#include "platform/freetype/freetype_font_renderer.h"
#endif

namespace platform {

texture::FontRenderer& systemFontRenderer() {
#ifdef _WIN32
    static win32::GdiFontRenderer renderer;
#else
    static freetype::FreeTypeFontRenderer renderer;
#endif
    return renderer;
}

void useSystemFontRenderer() { texture::setFontRenderer(&systemFontRenderer()); }

}  // namespace platform
