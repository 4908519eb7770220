// 2D textures of the software device: A8R8G8B8 or X8R8G8B8 mip chains, each level its own word array.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/device_ref.h"
#include "device/ref_counted.h"
#include "platform/soft/resource_tracker.h"

namespace soft {

struct TextureSpec {
    int width = 0;
    int height = 0;
    int levels = 0;  // 0: the full chain down to 1 x 1
    device::DWORD usage = 0;
    device::D3DFORMAT format = device::D3DFMT_A8R8G8B8;
    device::D3DPOOL pool = device::D3DPOOL_MANAGED;
};

class SoftTexture final : public device::RefCounted<device::IDirect3DTexture9> {
public:
    // Null for a format other than A8R8G8B8 / X8R8G8B8, a size outside 1..kMaxImageDimension or more
    // levels than the chain has.
    static SoftTexture* create(const TextureSpec& spec, std::shared_ptr<ResourceTracker> tracker);

    device::DWORD GetLevelCount() override;
    device::HRESULT GetLevelDesc(device::UINT level, device::D3DSURFACE_DESC* desc) override;
    // Default-pool textures are lockable only when created dynamic, as in Direct3D.
    device::HRESULT LockRect(device::UINT level, device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect,
                             device::DWORD flags) override;
    device::HRESULT UnlockRect(device::UINT level) override;

    struct Level {
        int width;
        int height;
        std::vector<std::uint32_t> texels;  // rows width texels apart
        bool locked = false;
    };
    const Level& level(std::size_t index) const { return levels_[index]; }
    device::D3DPOOL pool() const { return spec_.pool; }

private:
    SoftTexture(const TextureSpec& spec, std::shared_ptr<ResourceTracker> tracker);

    TextureSpec spec_;
    std::vector<Level> levels_;
    DefaultPoolToken poolToken_;
};

// Number of levels of a full chain: halving the larger side until it is 1.
int fullMipChainLength(int width, int height);

}  // namespace soft
