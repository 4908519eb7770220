// The one texture set-up that overlays, materials and sprites share: a texture on stage 0, filtered
// bilinearly, its colour and alpha multiplied by the vertex (or lit) colour.
#pragma once

#include "device/d3d9_interfaces.h"

namespace device {

// SetTexture(0, texture); sampler 0 MAGFILTER and MINFILTER LINEAR; stage 0 COLORARG1 TEXTURE,
// COLORARG2 DIFFUSE, COLOROP MODULATE, ALPHAARG1 TEXTURE, ALPHAARG2 DIFFUSE, ALPHAOP MODULATE, in this order.
void bindModulatedTexture(IDirect3DDevice9& device, IDirect3DBaseTexture9* texture);

}  // namespace device
