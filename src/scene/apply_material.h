// The device set-up before an object instance draws its solid surface: blending, depth, culling, the world
// transform, lighting and shading, the material colours and the two texture stages.
#pragma once

#include "device/d3d9_interfaces.h"
#include "scene/material.h"

namespace scene {

// A material without a solid surface (negative surfaceMode) changes nothing. Otherwise it sets, in order:
// ALPHABLENDENABLE; ZENABLE (depth write or depth test), ZWRITEENABLE, ZFUNC (LESS when depth-tested, else
// ALWAYS); CULLMODE (CCW or NONE); the world transform from sharedWorld; LIGHTING and COLORVERTEX; the
// D3DMATERIAL9; when lit, material colour sources, SPECULARENABLE and flat or Gouraud shading, else
// Gouraud; then each stage's texture (bilinear, modulated with the lit colour on stage 0 and with the
// result of stage 0 on stage 1), or a disabled stage. The clip sets the blend factors once per frame.
void applyMaterial(device::IDirect3DDevice9& device, const Material& material, float t);

}  // namespace scene
