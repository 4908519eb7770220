// 2D textures of the software device.
#include "platform/soft/soft_texture.h"

#include <algorithm>
#include <new>

#include "platform/soft/soft_limits.h"
#include "platform/soft/soft_surface.h"

namespace soft {

using namespace device;

int fullMipChainLength(int width, int height) {
    int levels = 1;
    for (int side = std::max(width, height); side > 1; side >>= 1) ++levels;
    return levels;
}

SoftTexture* SoftTexture::create(const TextureSpec& spec, std::shared_ptr<ResourceTracker> tracker) {
    if (spec.format != D3DFMT_A8R8G8B8 && spec.format != D3DFMT_X8R8G8B8) return nullptr;
    if (spec.width <= 0 || spec.height <= 0) return nullptr;
    if (spec.width > kMaxImageDimension || spec.height > kMaxImageDimension) return nullptr;
    if (spec.levels < 0 || spec.levels > fullMipChainLength(spec.width, spec.height)) return nullptr;
    try {
        return new SoftTexture(spec, std::move(tracker));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SoftTexture::SoftTexture(const TextureSpec& spec, std::shared_ptr<ResourceTracker> tracker)
    : spec_(spec), poolToken_(std::move(tracker), spec.pool) {
    const int count = spec.levels == 0 ? fullMipChainLength(spec.width, spec.height) : spec.levels;
    levels_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int w = std::max(1, spec.width >> i);
        const int h = std::max(1, spec.height >> i);
        const std::uint32_t initial = spec.format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u;
        levels_.push_back({w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, initial), false});
    }
}

DWORD SoftTexture::GetLevelCount() { return static_cast<DWORD>(levels_.size()); }

HRESULT SoftTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
    *desc = {};
    desc->Format = spec_.format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = spec_.usage;
    desc->Pool = spec_.pool;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = static_cast<UINT>(levels_[level].width);
    desc->Height = static_cast<UINT>(levels_[level].height);
    return S_OK;
}

HRESULT SoftTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD) {
    if (!lockedRect || level >= levels_.size()) return D3DERR_INVALIDCALL;
    if (spec_.pool == D3DPOOL_DEFAULT && !(spec_.usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
    Level& target = levels_[level];
    RECT area{};
    if (target.locked || !validLockRect(rect, target.width, target.height, area)) return D3DERR_INVALIDCALL;
    const std::size_t first = static_cast<std::size_t>(area.top) * static_cast<std::size_t>(target.width) +
                              static_cast<std::size_t>(area.left);
    lockedRect->pBits = target.texels.data() + first;
    lockedRect->Pitch = target.width * 4;
    target.locked = true;
    return S_OK;
}

// The unused byte of an X8R8G8B8 texel reads as opaque alpha when sampled; writing 0xFF there on unlock lets
// the raster stage sample every texture as A8R8G8B8.
HRESULT SoftTexture::UnlockRect(UINT level) {
    if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
    levels_[level].locked = false;
    if (spec_.format == D3DFMT_X8R8G8B8) {
        for (std::uint32_t& texel : levels_[level].texels) texel |= 0xFF000000u;
    }
    return S_OK;
}

}  // namespace soft
