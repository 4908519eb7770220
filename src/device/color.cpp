// Colour packing with round-half-even channel conversion, independent of the FPU rounding mode.
#include "device/color.h"

#include <cmath>

namespace device {

namespace {

constexpr float kInverse255 = 0.003921568859368563f;

DWORD toChannel(float value) {
    const float scaled = value * 255.0f;
    // Written so that NaN fails the first test: it and everything at or below 0 give 0.
    if (!(scaled > 0.0f)) {
        return 0;
    }
    if (scaled >= 255.0f) {
        return 255;
    }
    // Below 255 both the floor and the fraction are exact, so the tie test sees the true half.
    const float whole = std::floor(scaled);
    const float fraction = scaled - whole;
    DWORD channel = static_cast<DWORD>(whole);
    if (fraction > 0.5f || (fraction == 0.5f && (channel & 1u) != 0)) {
        ++channel;
    }
    return channel;
}

D3DCOLOR pack(DWORD a, DWORD r, DWORD g, DWORD b) { return (a << 24) | (r << 16) | (g << 8) | b; }

float fromChannel(D3DCOLOR color, int shift) {
    return static_cast<float>((color >> shift) & 0xFFu) * kInverse255;
}

}  // namespace

D3DCOLOR packRGB(float r, float g, float b) { return pack(255, toChannel(r), toChannel(g), toChannel(b)); }

D3DCOLOR packRGBA(float r, float g, float b, float a) {
    return pack(toChannel(a), toChannel(r), toChannel(g), toChannel(b));
}

D3DCOLOR withAlpha(D3DCOLOR color, float a) { return (color & 0x00FFFFFFu) | (toChannel(a) << 24); }

D3DCOLORVALUE unpackColor(D3DCOLOR color) {
    return {fromChannel(color, 16), fromChannel(color, 8), fromChannel(color, 0), fromChannel(color, 24)};
}

}  // namespace device
