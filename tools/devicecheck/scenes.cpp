// The fixed scene suite, in the order the program draws and names it.
#include "scenes.h"

namespace devicecheck {
namespace {

constexpr Scene kScenes[] = {
    {"lit_sphere_gouraud", drawLitSphereGouraud},
    {"lit_cube_flat", drawLitCubeFlat},
    {"fog_linear_blended", drawFogLinearBlended},
    {"textured_wrap_quads", drawTexturedWrapQuads},
    {"overlay_texel_exact", drawOverlayTexelExact},
    {"depth_less", drawDepthLess},
    {"depth_lessequal", drawDepthLessEqual},
    {"depth_always", drawDepthAlways},
    {"depth_write_off", drawDepthWriteOff},
    {"depth_zenable_off", drawDepthDisabled},
    {"cull_ccw", drawCullCcw},
    {"cull_none", drawCullNone},
    {"lines_antialiased", drawLinesAntialiased},
    {"sprites_fan", drawSpritesFan},
    {"stride0_color", drawStrideZeroColor},
    {"clear_viewport", drawClearViewport},
};

}  // namespace

std::span<const Scene> sceneSuite() { return kScenes; }

}  // namespace devicecheck
