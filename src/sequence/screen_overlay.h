// The layer that draws one rectangle of the 800 x 500 frame (scene-script class 22), textured or flat,
// blended over what is already drawn, with an optional fade and texture scroll: every text, title, bar
// and tint of the presentation.
#pragma once

#include <cstdint>

#include "device/d3d9_interfaces.h"
#include "graph/constructor.h"
#include "scene/animated_value.h"
#include "sequence/layer.h"

namespace texture {
class TextureUpload;
}

namespace sequence {

struct OverlayRect {
    float x = 0.0f;  // top-left corner in frame pixels
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

class ScreenOverlay : public Layer {
public:
    // uvScroll, opacity and image may be null. color: the vertex colour, its alpha the base opacity.
    // fitContent: the image's content rectangle is stretched over the rectangle; otherwise one texel per
    // pixel, repeating.
    ScreenOverlay(scene::VectorValue* uvScroll, scene::ScalarValue* opacity, texture::TextureUpload* image,
                  device::D3DCOLOR color, const OverlayRect& rect, bool fitContent);

    // Lets the image advance to t.
    void update(float t) override;
    // Alpha = colour alpha x opacity(t), clamped to 0..1; nothing at all (no device state either) when it is
    // not above 0. Otherwise one blended triangle fan at depth 1 with the depth test and lighting off,
    // shifted half a pixel so that texel centres meet pixel centres. Leaves blending on.
    void render(float t) override;

private:
    void setTextureStage(device::IDirect3DDevice9& device, device::IDirect3DTexture9* texture);
    void spanOf(float& du, float& dv) const;

    scene::VectorValue* uvScroll_;
    scene::ScalarValue* opacity_;
    texture::TextureUpload* image_;
    device::D3DCOLOR color_;
    OverlayRect rect_;
    bool fitContent_;
};

// Class 22: uv scroll (or null), opacity (or null), x, y, width, height (integers, in frame pixels), image
// (or null), colour, fit content.
ScreenOverlay* makeScreenOverlay(graph::ObjectStore& store, scene::VectorValue* uvScroll,
                                 scene::ScalarValue* opacity, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, texture::TextureUpload* image, std::int32_t color,
                                 std::int32_t fitContent);

}  // namespace sequence
