// Triangle setup for the raster stage: vertices snapped to 24.8 fixed point, edge functions with the
// top-left fill rule, exact spans per pixel row, and attribute planes filled into fragment batches.
#pragma once

#include <cstdint>

#include "platform/soft/pixel_pipeline.h"
#include "platform/soft/raster.h"

namespace soft {

// Interpolated values. Under perspective the colour and texture channels hold value * rhw.
enum Channel : int {
    kChannelRhw,
    kChannelZ,
    kChannelDiffuseR,
    kChannelDiffuseG,
    kChannelDiffuseB,
    kChannelDiffuseA,
    kChannelSpecularR,
    kChannelSpecularG,
    kChannelSpecularB,
    kChannelSpecularA,
    kChannelU,
    kChannelV,
    kChannelCount
};

// E(px, py) = a * px + b * py + c at pixel centre (px, py); the pixel is inside the edge when E >= 0.
// The fill rule's tie-break is folded into c (see triangle_setup.cpp).
struct EdgeFunction {
    std::int64_t a = 0;
    std::int64_t b = 0;
    std::int64_t c = 0;
    double inverseA = 0.0;  // 1 / a, to guess where a row crosses the edge
};

struct TriangleSetup {
    EdgeFunction edges[3];
    int minX = 0, maxX = -1, minY = 0, maxY = -1;  // pixel centres the triangle may cover (inclusive)

    bool perspective = false;  // rhw differs between vertices
    float constantW = 1.0f;    // 1 / rhw when it does not
    bool constantDiffuse = false;
    bool constantSpecular = false;
    std::uint32_t diffuse = 0;   // packed colour when constant
    std::uint32_t specular = 0;
    TextureFilter filter[kStageCount] = {TextureFilter::Point, TextureFilter::Point};

    // Channel c at pixel (px, py) = value[c] + ddx[c] * (px - originX) + ddy[c] * (py - originY).
    bool active[kChannelCount] = {};
    double originX = 0.0, originY = 0.0;
    double value[kChannelCount] = {};
    double ddx[kChannelCount] = {};
    double ddy[kChannelCount] = {};
};

// Pixel-centre bounds a triangle may cover, from the same snapped coordinates as its setup; false when
// it is degenerate, off the coordinate range or has non-finite values.
bool triangleBounds(const ScreenVertex* v, int& minX, int& maxX, int& minY, int& maxY);

// Prepares one triangle for the pixel context; false when nothing can be drawn.
bool setupTriangle(const ScreenVertex* v, const PixelContext& context, TriangleSetup& setup);

// The pixels xl..xr (inclusive) of row py inside the triangle; false when the row is empty.
bool spanForRow(const TriangleSetup& setup, int py, int& xl, int& xr);

// For a row whose v does not change from pixel to pixel: u at pixel xStart, u's step per pixel and v,
// rounded as interpolateSpan rounds them for a span starting at xStart. False when v changes along the
// row. Meaningful only without perspective (setup.perspective false).
bool spanTexCoords(const TriangleSetup& setup, int py, int xStart, float& u, float& du, float& v);

// Fills batch fragments 0..count-1 with the values of pixels (xStart + first + i, py), where xStart is
// the span's first pixel; values depend only on the pixel and xStart, never on how a span is split.
void interpolateSpan(const TriangleSetup& setup, const PixelContext& context, int py, int xStart, int first,
                     int count, FragmentBatch& batch);

}  // namespace soft
