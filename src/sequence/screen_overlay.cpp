// Fade, texture span and the one blended quad of the screen overlay.
#include "sequence/screen_overlay.h"

#include "device/color.h"
#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "device/texture_binding.h"
#include "texture/texture_upload.h"

namespace sequence {

namespace {

using namespace device;

// 1/255 as a float32: an alpha byte as a fraction.
constexpr float kByteToUnit = 0.003921568859368563f;
// Direct3D 9 samples at pixel centres: moving the quad half a pixel up and left puts texel centres there.
constexpr float kPixelCentre = 0.5f;
constexpr float kQuadDepth = 1.0f;

}  // namespace

ScreenOverlay::ScreenOverlay(scene::VectorValue* uvScroll, scene::ScalarValue* opacity, texture::TextureUpload* image,
                             D3DCOLOR color, const OverlayRect& rect, bool fitContent)
    : uvScroll_(uvScroll), opacity_(opacity), image_(image), color_(color), rect_(rect), fitContent_(fitContent) {}

void ScreenOverlay::update(float t) {
    if (image_ != nullptr) {
        image_->update(t);
    }
}

void ScreenOverlay::setTextureStage(IDirect3DDevice9& device, IDirect3DTexture9* texture) {
    if (texture != nullptr) {
        bindModulatedTexture(device, texture);
        return;
    }
    device.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

// How much of the texture one rectangle spans: its content part stretched over it, or one texel per pixel.
void ScreenOverlay::spanOf(float& du, float& dv) const {
    const auto textureWidth = static_cast<float>(image_->width());
    const auto textureHeight = static_cast<float>(image_->height());
    if (fitContent_) {
        du = static_cast<float>(image_->contentWidth()) / textureWidth;
        dv = static_cast<float>(image_->contentHeight()) / textureHeight;
    } else {
        du = rect_.width / textureWidth;
        dv = rect_.height / textureHeight;
    }
}

void ScreenOverlay::render(float t) {
    IDirect3DDevice9* device = deviceState().device.get();
    if (device == nullptr) {
        return;
    }
    float alpha = static_cast<float>(color_ >> 24) * kByteToUnit;
    if (opacity_ != nullptr) {
        alpha = opacity_->value(t) * alpha;
        // Written so that NaN ends up 0.
        if (!(alpha > 0.0f)) alpha = 0.0f;
        if (!(alpha < 1.0f)) alpha = 1.0f;
    }
    if (alpha <= 0.0f) {
        return;
    }
    float u0 = 0.0f;
    float v0 = 0.0f;
    if (uvScroll_ != nullptr) {
        const math::Vec4 scroll = uvScroll_->value(t);
        u0 = scroll.x;
        v0 = scroll.y;
    }
    // An image whose upload found no device draws as the flat colour.
    IDirect3DTexture9* texture = image_ != nullptr ? image_->texture() : nullptr;
    setTextureStage(*device, texture);

    setScreenProjection();
    const D3DMATRIX projection = toD3DMatrix(deviceState().sharedProjection);
    const D3DMATRIX world = toD3DMatrix(deviceState().sharedWorld);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetVertexDeclaration(deviceState().quadDeclaration.get());

    float du = 1.0f;
    float dv = 1.0f;
    if (texture != nullptr) {
        spanOf(du, dv);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    const D3DCOLOR c = withAlpha(color_, alpha);
    const float x0 = rect_.x - kPixelCentre;
    const float y0 = rect_.y - kPixelCentre;
    const float x1 = x0 + rect_.width;
    const float y1 = y0 + rect_.height;
    const QuadVertex quad[4] = {
        {x0, y0, kQuadDepth, u0, v0, c},
        {x1, y0, kQuadDepth, u0 + du, v0, c},
        {x1, y1, kQuadDepth, u0 + du, v0 + dv, c},
        {x0, y1, kQuadDepth, u0, v0 + dv, c},
    };
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
}

ScreenOverlay* makeScreenOverlay(graph::ObjectStore& store, scene::VectorValue* uvScroll,
                                 scene::ScalarValue* opacity, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, texture::TextureUpload* image, std::int32_t color,
                                 std::int32_t fitContent) {
    const OverlayRect rect{static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                           static_cast<float>(height)};
    return store.make<ScreenOverlay>(uvScroll, opacity, image, static_cast<D3DCOLOR>(color), rect, fitContent != 0);
}

}  // namespace sequence
