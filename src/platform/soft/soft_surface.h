// Surfaces of the software device: the back buffer (X8R8G8B8 or A8R8G8B8), D24X8 depth buffers and
// lockable offscreen plain surfaces, all stored as one 32-bit word per pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/device_ref.h"
#include "device/ref_counted.h"
#include "platform/soft/resource_tracker.h"

namespace soft {

enum class SurfaceKind { RenderTarget, DepthStencil, OffscreenPlain };

struct SurfaceSpec {
    SurfaceKind kind = SurfaceKind::OffscreenPlain;
    int width = 0;
    int height = 0;
    device::D3DFORMAT format = device::D3DFMT_A8R8G8B8;
    device::D3DPOOL pool = device::D3DPOOL_DEFAULT;
};

class SoftSurface final : public device::RefCounted<device::IDirect3DSurface9> {
public:
    // Null when the kind and format do not go together or the size is not positive.
    static SoftSurface* create(const SurfaceSpec& spec, std::shared_ptr<ResourceTracker> tracker);

    device::HRESULT GetDesc(device::D3DSURFACE_DESC* desc) override;
    // Only offscreen plain surfaces are lockable, as in Direct3D without a lockable back buffer.
    device::HRESULT LockRect(device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect,
                             device::DWORD flags) override;
    device::HRESULT UnlockRect() override;

    const SurfaceSpec& spec() const { return spec_; }
    int width() const { return spec_.width; }
    int height() const { return spec_.height; }
    std::uint32_t* words() { return words_.data(); }
    const std::uint32_t* words() const { return words_.data(); }

private:
    SoftSurface(const SurfaceSpec& spec, std::shared_ptr<ResourceTracker> tracker);

    SurfaceSpec spec_;
    std::vector<std::uint32_t> words_;
    DefaultPoolToken poolToken_;
    bool locked_ = false;
};

// A rectangle inside a width x height image, or the whole image when rect is null; false when the rectangle
// is empty or reaches outside.
bool validLockRect(const device::RECT* rect, int width, int height, device::RECT& out);

}  // namespace soft
