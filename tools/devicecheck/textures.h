// Procedural A8R8G8B8 images for the device check and their upload into managed textures, as the engine
// uploads its canvases: a full mip chain requested, only level 0 written.
#pragma once

#include <cstdint>
#include <vector>

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"

namespace devicecheck {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows top first
};

// Opaque squares of cellSize texels in two colours.
Image makeChecker(int size, int cellSize, std::uint32_t first, std::uint32_t second);
// Every texel different: red follows x, green follows y, blue a diagonal pattern, with a one-texel grid
// line every 16 texels, so that any shift or filtering of a texel-per-pixel mapping shows.
Image makeTexelPattern(int size);
// Colour bands across, alpha falling from 255 at the top to 32 at the bottom.
Image makeAlphaBands(int size);
// A white disc whose alpha falls off smoothly from the centre to the rim: the sprite image.
Image makeSoftDot(int size);

// Creates the texture (levels 0, usage 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED) and writes level 0 row by row
// at the returned pitch. Empty on failure.
device::DeviceRef<device::IDirect3DTexture9> uploadTexture(device::IDirect3DDevice9& device, const Image& image);

}  // namespace devicecheck
