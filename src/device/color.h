// Conversions between float colour channels (0..1) and D3DCOLOR words 0xAARRGGBB.
#pragma once

#include "device/d3d9_types.h"

namespace device {

// A channel v becomes round(v x 255) with ties to even, clamped to 0..255; NaN becomes 0.
D3DCOLOR packRGB(float r, float g, float b);  // alpha 255
D3DCOLOR packRGBA(float r, float g, float b, float a);
// The colour's red, green and blue bytes with a new alpha byte.
D3DCOLOR withAlpha(D3DCOLOR color, float a);
// Each byte times the float32 value of 1/255.
D3DCOLORVALUE unpackColor(D3DCOLOR color);

}  // namespace device
