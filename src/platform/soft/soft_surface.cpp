// Surfaces of the software device.
#include "platform/soft/soft_surface.h"

#include <new>

#include "platform/soft/soft_limits.h"

namespace soft {

using namespace device;

namespace {

bool formatFits(SurfaceKind kind, D3DFORMAT format) {
    if (kind == SurfaceKind::DepthStencil) return format == D3DFMT_D24X8;
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

}  // namespace

bool validLockRect(const RECT* rect, int width, int height, RECT& out) {
    if (!rect) {
        out = {0, 0, width, height};
        return true;
    }
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom) return false;
    if (rect->right > width || rect->bottom > height) return false;
    out = *rect;
    return true;
}

SoftSurface* SoftSurface::create(const SurfaceSpec& spec, std::shared_ptr<ResourceTracker> tracker) {
    if (spec.width <= 0 || spec.height <= 0) return nullptr;
    if (spec.width > kMaxImageDimension || spec.height > kMaxImageDimension) return nullptr;
    if (!formatFits(spec.kind, spec.format)) return nullptr;
    try {
        return new SoftSurface(spec, std::move(tracker));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

SoftSurface::SoftSurface(const SurfaceSpec& spec, std::shared_ptr<ResourceTracker> tracker)
    : spec_(spec),
      words_(static_cast<std::size_t>(spec.width) * static_cast<std::size_t>(spec.height), 0u),
      poolToken_(std::move(tracker), spec.pool) {}

HRESULT SoftSurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {};
    desc->Format = spec_.format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = spec_.kind == SurfaceKind::RenderTarget   ? D3DUSAGE_RENDERTARGET
                  : spec_.kind == SurfaceKind::DepthStencil ? D3DUSAGE_DEPTHSTENCIL
                                                            : 0;
    desc->Pool = spec_.pool;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = static_cast<UINT>(spec_.width);
    desc->Height = static_cast<UINT>(spec_.height);
    return S_OK;
}

HRESULT SoftSurface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD) {
    if (!lockedRect || spec_.kind != SurfaceKind::OffscreenPlain || locked_) return D3DERR_INVALIDCALL;
    RECT area{};
    if (!validLockRect(rect, spec_.width, spec_.height, area)) return D3DERR_INVALIDCALL;
    const std::size_t first = static_cast<std::size_t>(area.top) * static_cast<std::size_t>(spec_.width) +
                              static_cast<std::size_t>(area.left);
    lockedRect->pBits = words_.data() + first;
    lockedRect->Pitch = spec_.width * 4;
    locked_ = true;
    return S_OK;
}

HRESULT SoftSurface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return S_OK;
}

}  // namespace soft
