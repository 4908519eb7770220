// Texture creation on the device and the pitch-honouring copy of a canvas into level 0.
#include "texture/texture_upload.h"

#include <cstddef>
#include <cstring>

#include "device/device_state.h"

namespace texture {

TextureUpload::TextureUpload(device::IDirect3DDevice9* device, std::int32_t width, std::int32_t height,
                             std::int32_t contentWidth, std::int32_t contentHeight, const std::uint32_t* pixels)
    : width_(width), height_(height), contentWidth_(contentWidth), contentHeight_(contentHeight) {
    if (device == nullptr || width <= 0 || height <= 0) {
        return;
    }
    // Levels 0 asks for the whole chain; only level 0 is written, because no sampler filters between levels.
    const device::HRESULT created =
        device->CreateTexture(static_cast<device::UINT>(width), static_cast<device::UINT>(height), 0, 0,
                              device::D3DFMT_A8R8G8B8, device::D3DPOOL_MANAGED, texture_.out(), nullptr);
    if (device::failed(created)) {
        texture_.reset();
        return;
    }
    if (pixels != nullptr) {
        writeLevel0(*texture_, width, height, pixels);
    }
}

void TextureUpload::update(float) {}

void copyRows(void* destination, std::int32_t pitch, const std::uint32_t* pixels, std::int32_t width,
              std::int32_t height) {
    auto* out = static_cast<std::byte*>(destination);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
    for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(out + static_cast<std::ptrdiff_t>(y) * pitch, pixels + static_cast<std::size_t>(y) * width,
                    rowBytes);
    }
}

bool writeLevel0(device::IDirect3DTexture9& texture, std::int32_t width, std::int32_t height,
                 const std::uint32_t* pixels) {
    device::D3DLOCKED_RECT locked{};
    if (device::failed(texture.LockRect(0, &locked, nullptr, 0))) {
        return false;
    }
    const bool fits = locked.pBits != nullptr && static_cast<std::int64_t>(locked.Pitch) >= std::int64_t{width} * 4;
    if (fits) {
        copyRows(locked.pBits, locked.Pitch, pixels, width, height);
    }
    texture.UnlockRect(0);
    return fits;
}

TextureUpload* makeTextureUpload(graph::ObjectStore& store, Canvas& canvas) {
    return store.make<TextureUpload>(device::deviceState().device.get(), canvas.width(), canvas.height(),
                                     canvas.width(), canvas.height(), canvas.pixels().data());
}

}  // namespace texture
