// The platform's font renderer for the text operator: GDI on Windows, FreeType with fontconfig elsewhere.
#pragma once

#include "texture/font_renderer.h"

namespace platform {

// Created at the first call and kept until the process ends.
texture::FontRenderer& systemFontRenderer();

// Makes the system renderer the one text records draw with; call it before the graph is built.
void useSystemFontRenderer();

}  // namespace platform
