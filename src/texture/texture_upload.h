// A finished canvas as a device texture (script class 15), and the texture interface that overlays and
// materials take: the device texture, its size and the size of its meaningful top-left part.
#pragma once

#include <cstdint>

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"
#include "graph/constructor.h"
#include "texture/canvas.h"

namespace texture {

// Any object that overlays and materials can draw with derives from this class; they call update once
// per frame before they read the texture.
class TextureUpload : public graph::ScriptObject {
public:
    static constexpr const char* kScriptName = "TextureUpload";

    // Creates a width x height A8R8G8B8 texture with its full mip chain in the managed pool (so that it
    // survives a device reset) and, when pixels is not null, writes them into level 0: height rows of
    // width words, 0xAARRGGBB, unchanged. Without a device, or when the device refuses, texture() is null.
    TextureUpload(device::IDirect3DDevice9* device, std::int32_t width, std::int32_t height, std::int32_t contentWidth,
                  std::int32_t contentHeight, const std::uint32_t* pixels);
    TextureUpload(const TextureUpload&) = delete;
    TextureUpload& operator=(const TextureUpload&) = delete;

    // An uploaded canvas never changes.
    virtual void update(float time);

    device::IDirect3DTexture9* texture() const { return texture_.get(); }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t contentWidth() const { return contentWidth_; }
    std::int32_t contentHeight() const { return contentHeight_; }

private:
    device::DeviceRef<device::IDirect3DTexture9> texture_;
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t contentWidth_;
    std::int32_t contentHeight_;
};

// Copies height rows of width words, packed, to a locked surface whose rows start pitch bytes apart
// (a device may pad its rows). pitch must be at least width x 4.
void copyRows(void* destination, std::int32_t pitch, const std::uint32_t* pixels, std::int32_t width,
              std::int32_t height);

// Writes the pixels into level 0 of the texture; false when it cannot be locked or its rows are too short.
bool writeLevel0(device::IDirect3DTexture9& texture, std::int32_t width, std::int32_t height,
                 const std::uint32_t* pixels);

// Class 15: the canvas, uploaded on the process's device (content size = texture size).
TextureUpload* makeTextureUpload(graph::ObjectStore& store, Canvas& canvas);

}  // namespace texture
