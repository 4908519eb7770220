// Wrappers that give the engine's resource interfaces a real Direct3D 9 object behind them: surfaces,
// textures, vertex and index buffers, vertex declarations. Each holds one reference to its COM object.
#pragma once

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"
#include "device/ref_counted.h"
#include "platform/win32/d3d9_convert.h"

#include <new>

namespace win32 {

// The engine's reference count on top of the COM object's: the wrapper owns exactly one COM reference and
// drops it when the engine's last reference goes.
template <class Interface, class Real>
class ComWrapper : public device::RefCounted<Interface> {
public:
    using RealInterface = Real;

    explicit ComWrapper(Real* real) : real_(device::DeviceRef<Real>::adopt(real)) {}

    Real* real() const { return real_.get(); }

private:
    device::DeviceRef<Real> real_;
};

class Surface final : public ComWrapper<device::IDirect3DSurface9, ::IDirect3DSurface9> {
public:
    using ComWrapper::ComWrapper;
    device::HRESULT GetDesc(device::D3DSURFACE_DESC* desc) override;
    device::HRESULT LockRect(device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect,
                             device::DWORD flags) override;
    device::HRESULT UnlockRect() override;
};

class Texture final : public ComWrapper<device::IDirect3DTexture9, ::IDirect3DTexture9> {
public:
    using ComWrapper::ComWrapper;
    device::DWORD GetLevelCount() override;
    device::HRESULT GetLevelDesc(device::UINT level, device::D3DSURFACE_DESC* desc) override;
    device::HRESULT LockRect(device::UINT level, device::D3DLOCKED_RECT* lockedRect, const device::RECT* rect,
                             device::DWORD flags) override;
    device::HRESULT UnlockRect(device::UINT level) override;
};

class VertexBuffer final : public ComWrapper<device::IDirect3DVertexBuffer9, ::IDirect3DVertexBuffer9> {
public:
    using ComWrapper::ComWrapper;
    device::HRESULT Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data,
                         device::DWORD flags) override;
    device::HRESULT Unlock() override;
};

class IndexBuffer final : public ComWrapper<device::IDirect3DIndexBuffer9, ::IDirect3DIndexBuffer9> {
public:
    using ComWrapper::ComWrapper;
    device::HRESULT Lock(device::UINT offsetToLock, device::UINT sizeToLock, void** data,
                         device::DWORD flags) override;
    device::HRESULT Unlock() override;
};

class VertexDeclaration final
    : public ComWrapper<device::IDirect3DVertexDeclaration9, ::IDirect3DVertexDeclaration9> {
public:
    using ComWrapper::ComWrapper;
};

// The COM object behind an engine object. A null object maps to null; an object that this backend did not
// create cannot be passed on, which the caller reports as an invalid call.
template <class Wrapper, class Interface>
bool unwrap(Interface* object, typename Wrapper::RealInterface*& real) {
    real = nullptr;
    if (object == nullptr) {
        return true;
    }
    const auto* wrapper = dynamic_cast<const Wrapper*>(object);
    if (wrapper == nullptr) {
        return false;
    }
    real = wrapper->real();
    return true;
}

// Hands a freshly created COM object to the engine inside a new wrapper. On failure, or when the wrapper
// cannot be allocated, *out is null and the COM reference is dropped.
template <class Wrapper, class Out>
device::HRESULT wrapCreated(::HRESULT hr, typename Wrapper::RealInterface* real, Out** out) {
    *out = nullptr;
    if (FAILED(hr)) {
        return toDevice(hr);
    }
    if (real == nullptr) {
        return toDevice(E_FAIL);
    }
    Wrapper* wrapper = new (std::nothrow) Wrapper(real);
    if (wrapper == nullptr) {
        real->Release();
        return toDevice(E_OUTOFMEMORY);
    }
    *out = wrapper;
    return toDevice(hr);
}

}  // namespace win32
