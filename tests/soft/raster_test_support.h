// Memory surfaces and vertex helpers for the raster stage tests, which call drawTriangles and drawLines
// directly.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/soft/raster.h"

namespace rastertest {

using soft::Color4;
using soft::PixelState;
using soft::ScreenVertex;

// A colour and depth buffer pair; the viewport is the whole surface unless changed.
struct Surface {
    Surface(int w, int h, std::uint32_t clearColor = 0xFF000000u, std::uint32_t clearDepth = 0xFFFFFFu)
        : width(w), height(h), color(static_cast<std::size_t>(w) * h, clearColor),
          depth(static_cast<std::size_t>(w) * h, clearDepth) {
        depthSurface = {depth.data(), w, h, w};
        target.color = {color.data(), w, h, w};
        target.depth = &depthSurface;
        target.x0 = 0;
        target.y0 = 0;
        target.x1 = w;
        target.y1 = h;
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    std::uint32_t at(int x, int y) const { return color[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t depthAt(int x, int y) const { return depth[static_cast<std::size_t>(y) * width + x]; }

    int width;
    int height;
    std::vector<std::uint32_t> color;
    std::vector<std::uint32_t> depth;
    soft::DepthSurface depthSurface;
    soft::RenderTarget target;
};

inline Color4 rgba(float r, float g, float b, float a) { return {r, g, b, a}; }

inline ScreenVertex vertex(float x, float y, Color4 diffuse = {1, 1, 1, 1}, float z = 0.5f, float u = 0.0f,
                           float v = 0.0f, float rhw = 1.0f) {
    ScreenVertex out{};
    out.x = x;
    out.y = y;
    out.z = z;
    out.rhw = rhw;
    out.diffuse = diffuse;
    out.specular = {0, 0, 0, 0};
    out.u = u;
    out.v = v;
    return out;
}

// Two triangles (0, 1, 2) and (0, 2, 3) of the corners in order, as a D3DPT_TRIANGLEFAN of four.
inline std::vector<ScreenVertex> fanQuad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                                         const ScreenVertex& d) {
    return {a, b, c, a, c, d};
}

// An axis-aligned rectangle with texture coordinates u0..u1, v0..v1 and one colour.
inline std::vector<ScreenVertex> rectangle(float x0, float y0, float x1, float y1, Color4 color = {1, 1, 1, 1},
                                           float z = 0.5f, float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    return fanQuad(vertex(x0, y0, color, z, u0, v0), vertex(x1, y0, color, z, u1, v0),
                   vertex(x1, y1, color, z, u1, v1), vertex(x0, y1, color, z, u0, v1));
}

// No depth, no blending, the diffuse colour drawn unchanged.
inline PixelState plainState() {
    PixelState s;
    s.zEnable = device::D3DZB_FALSE;
    return s;
}

// Additive blending of a colour whose red byte is 1: each draw over a pixel adds one to its red byte.
inline PixelState countingState() {
    PixelState s = plainState();
    s.alphaBlendEnable = true;
    s.srcBlend = device::D3DBLEND_ONE;
    s.destBlend = device::D3DBLEND_ONE;
    return s;
}

constexpr Color4 kCountColor{1.0f / 255.0f, 0.0f, 0.0f, 0.0f};

inline int countAt(const Surface& s, int x, int y) { return static_cast<int>((s.at(x, y) >> 16) & 0xFF); }

inline void draw(Surface& s, const PixelState& state, const std::vector<ScreenVertex>& v,
                 const soft::RasterSettings& settings = {}) {
    soft::drawTriangles(s.target, state, v.data(), v.size() / 3, settings);
}

inline int channel(std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

}  // namespace rastertest
