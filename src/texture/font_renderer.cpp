// The process's selected font renderer.
#include "texture/font_renderer.h"

namespace texture {

namespace {

FontRenderer* selectedRenderer = nullptr;

}  // namespace

FontRenderer* fontRenderer() { return selectedRenderer; }

void setFontRenderer(FontRenderer* renderer) { selectedRenderer = renderer; }

}  // namespace texture
