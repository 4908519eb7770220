// Resource wrappers: each method forwards to the COM object and converts the structures it returns.
#include "platform/win32/d3d9_resources.h"

namespace win32 {
namespace {

// Both lock calls take an optional rectangle; null means the whole surface.
device::HRESULT lockWith(device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect, auto&& lock) {
    if (lockedRect == nullptr) {
        return toDevice(D3DERR_INVALIDCALL);
    }
    ::RECT realRect{};
    if (rect != nullptr) {
        realRect = toD3D(*rect);
    }
    ::D3DLOCKED_RECT locked{};
    const ::HRESULT hr = lock(&locked, rect != nullptr ? &realRect : nullptr);
    *lockedRect = SUCCEEDED(hr) ? toDevice(locked) : device::D3DLOCKED_RECT{};
    return toDevice(hr);
}

device::HRESULT describe(device::D3DSURFACE_DESC* desc, auto&& getDesc) {
    if (desc == nullptr) {
        return toDevice(D3DERR_INVALIDCALL);
    }
    ::D3DSURFACE_DESC real{};
    const ::HRESULT hr = getDesc(&real);
    if (SUCCEEDED(hr)) {
        *desc = toDevice(real);
    }
    return toDevice(hr);
}

}  // namespace

device::HRESULT Surface::GetDesc(device::D3DSURFACE_DESC* desc) {
    return describe(desc, [this](::D3DSURFACE_DESC* real) { return this->real()->GetDesc(real); });
}

device::HRESULT Surface::LockRect(device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect,
                                  device::DWORD flags) {
    return lockWith(lockedRect, rect, [this, flags](::D3DLOCKED_RECT* locked, const ::RECT* area) {
        return real()->LockRect(locked, area, flags);
    });
}

device::HRESULT Surface::UnlockRect() { return toDevice(real()->UnlockRect()); }

device::DWORD Texture::GetLevelCount() { return static_cast<device::DWORD>(real()->GetLevelCount()); }

device::HRESULT Texture::GetLevelDesc(device::UINT level, device::D3DSURFACE_DESC* desc) {
    return describe(desc,
                    [this, level](::D3DSURFACE_DESC* realDesc) { return real()->GetLevelDesc(level, realDesc); });
}

device::HRESULT Texture::LockRect(device::UINT level, device::D3DLOCKED_RECT* lockedRect,
                                  const device::RECT* rect, device::DWORD flags) {
    return lockWith(lockedRect, rect, [this, level, flags](::D3DLOCKED_RECT* locked, const ::RECT* area) {
        return real()->LockRect(level, locked, area, flags);
    });
}

device::HRESULT Texture::UnlockRect(device::UINT level) { return toDevice(real()->UnlockRect(level)); }

device::HRESULT VertexBuffer::Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data,
                                   device::DWORD flags) {
    return toDevice(real()->Lock(offsetToLock, sizeToLock, data, flags));
}

device::HRESULT VertexBuffer::Unlock() { return toDevice(real()->Unlock()); }

device::HRESULT IndexBuffer::Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data,
                                  device::DWORD flags) {
    return toDevice(real()->Lock(offsetToLock, sizeToLock, data, flags));
}

device::HRESULT IndexBuffer::Unlock() { return toDevice(real()->Unlock()); }

}  // namespace win32
