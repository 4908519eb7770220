// The hand-off between the software device's vertex stage and its raster stage: screen-space vertices,
// the pixel-pipeline state captured from the device at draw time, and the surfaces drawn into.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/d3d9_types.h"
#include "platform/soft/raster_settings.h"

namespace soft {

// Colour channels as floats in 0..1.
struct Color4 {
    float r, g, b, a;
};

// A vertex after transformation, lighting, clipping and the viewport mapping.
// Direct3D 9 puts pixel centres on integer coordinates: pixel (i, j) is sampled at (i, j), so a rectangle
// from -0.5 to 799.5 covers exactly the pixels 0..799.
struct ScreenVertex {
    float x, y;         // render-target pixel coordinates; the vertex stage keeps |x|, |y| <= kGuardBand
    float z;            // depth after the viewport's MinZ..MaxZ mapping, 0..1
    float rhw;          // 1 / clip-space w (> 0), for perspective-correct interpolation
    Color4 diffuse;     // vertex or lit colour, each channel clamped to 0..1
    Color4 specular;    // lit specular colour (r, g, b clamped to 0..1); added when specular is enabled
    float u, v;         // texture coordinate set 0
};

// Largest screen coordinate the vertex stage hands on; primitives reaching further are clipped first.
constexpr float kGuardBand = 16384.0f;

// An X8R8G8B8 or A8R8G8B8 surface: 32-bit words 0xAARRGGBB, rows pitchInPixels apart.
struct ColorSurface {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitchInPixels = 0;
};

// A D24X8 depth buffer: each word holds depth as a 24-bit unsigned fraction (0 = near, 0xFFFFFF = far).
struct DepthSurface {
    std::uint32_t* values = nullptr;
    int width = 0;
    int height = 0;
    int pitchInValues = 0;
};

// Where a draw may write: the colour target, the optional depth buffer and the viewport rectangle
// (pixels x0 <= x < x1, y0 <= y < y1, already intersected with both surfaces).
struct RenderTarget {
    ColorSurface color;
    DepthSurface* depth = nullptr;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Level 0 of a bound A8R8G8B8 texture as the sampler reads it.
struct TextureLevel {
    const std::uint32_t* texels = nullptr;  // null: no texture bound (samples read as opaque white)
    int width = 0;
    int height = 0;
    int pitchInTexels = 0;
};

struct SamplerState {
    TextureLevel texture;
    device::D3DTEXTUREFILTERTYPE magFilter = device::D3DTEXF_POINT;
    device::D3DTEXTUREFILTERTYPE minFilter = device::D3DTEXF_POINT;
    device::D3DTEXTUREADDRESS addressU = device::D3DTADDRESS_WRAP;
    device::D3DTEXTUREADDRESS addressV = device::D3DTADDRESS_WRAP;
};

// One texture stage's combiner (D3DTSS_COLOROP and friends); arguments are D3DTA_* values.
struct StageState {
    device::D3DTEXTUREOP colorOp = device::D3DTOP_DISABLE;
    device::DWORD colorArg1 = device::D3DTA_TEXTURE;
    device::DWORD colorArg2 = device::D3DTA_CURRENT;
    device::D3DTEXTUREOP alphaOp = device::D3DTOP_DISABLE;
    device::DWORD alphaArg1 = device::D3DTA_TEXTURE;
    device::DWORD alphaArg2 = device::D3DTA_CURRENT;
};

constexpr int kStageCount = 2;

// Everything after the vertex stage that decides a pixel's colour, captured at draw time.
struct PixelState {
    StageState stages[kStageCount];
    SamplerState samplers[kStageCount];
    device::D3DCOLOR textureFactor = 0xFFFFFFFF;

    bool specularEnable = false;

    // Table (per-pixel) fog on eye depth. Eye depth is 1 / rhw when fogFromW is set (a projection whose
    // _34 is 1), otherwise the vertex depth z.
    bool fogEnable = false;
    device::D3DFOGMODE fogTableMode = device::D3DFOG_NONE;
    device::D3DCOLOR fogColor = 0;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    float fogDensity = 1.0f;
    bool fogFromW = true;

    bool alphaBlendEnable = false;
    device::D3DBLEND srcBlend = device::D3DBLEND_ONE;
    device::D3DBLEND destBlend = device::D3DBLEND_ZERO;

    device::D3DZBUFFERTYPE zEnable = device::D3DZB_TRUE;
    bool zWriteEnable = true;
    device::D3DCMPFUNC zFunc = device::D3DCMP_LESSEQUAL;

    bool antialiasedLines = false;
};

// Draws triangleCount triangles from vertices (three per triangle, in order). Culling and flat shading
// have been resolved by the vertex stage; the raster stage fills with the top-left rule and applies the
// pixel pipeline. Primitives reach each pixel in the order given, whatever the stage does internally, so
// the settings change only the speed.
void drawTriangles(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                   std::size_t triangleCount, const RasterSettings& settings = {});

// Draws lineCount lines from vertices (two per line). Colours and depth interpolate along the line;
// with state.antialiasedLines the line is drawn smooth, its coverage multiplying the source alpha.
void drawLines(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
               std::size_t lineCount, const RasterSettings& settings = {});

}  // namespace soft
