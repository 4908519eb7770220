// The device-check scenes: each draws one small frame through the device interface, which the program
// saves as <name>.png. Scenes set every state they use, so they run the same on a fresh device.
#pragma once

#include <span>

#include "scene_kit.h"

namespace devicecheck {

struct Scene {
    const char* name;
    // Called between BeginScene and EndScene; clears and draws the whole frame.
    void (*draw)(const SceneContext& context);
};

std::span<const Scene> sceneSuite();

// Lighting, shading, specular and fog (scenes_lit.cpp).
void drawLitSphereGouraud(const SceneContext& context);
void drawLitCubeFlat(const SceneContext& context);
void drawFogLinearBlended(const SceneContext& context);

// Texturing and screen overlays (scenes_textured.cpp).
void drawTexturedWrapQuads(const SceneContext& context);
void drawOverlayTexelExact(const SceneContext& context);

// Depth modes and culling (scenes_depth.cpp).
void drawDepthLess(const SceneContext& context);
void drawDepthLessEqual(const SceneContext& context);
void drawDepthAlways(const SceneContext& context);
void drawDepthWriteOff(const SceneContext& context);
void drawDepthDisabled(const SceneContext& context);
void drawCullCcw(const SceneContext& context);
void drawCullNone(const SceneContext& context);

// Anti-aliased lines and sprites (scenes_lines_sprites.cpp).
void drawLinesAntialiased(const SceneContext& context);
void drawSpritesFan(const SceneContext& context);

// Stride-0 colour streams and viewports (scenes_misc.cpp).
void drawStrideZeroColor(const SceneContext& context);
void drawClearViewport(const SceneContext& context);

}  // namespace devicecheck
