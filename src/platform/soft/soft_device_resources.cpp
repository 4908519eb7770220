// The software device's resource creation, render-target bindings and render-target read-back.
#include <algorithm>

#include "platform/soft/soft_device.h"

namespace soft {

using namespace device;

namespace {

template <typename Interface, typename Object>
HRESULT handOut(Object* object, Interface** out) {
    if (!object) return D3DERR_INVALIDCALL;
    *out = object;
    return S_OK;
}

SoftSurface* asSurface(IDirect3DSurface9* surface) { return dynamic_cast<SoftSurface*>(surface); }

}  // namespace

HRESULT SoftDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture9** texture, HANDLE* sharedHandle) {
    if (!texture || sharedHandle) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width > static_cast<UINT>(kMaxImageDimension) || height > static_cast<UINT>(kMaxImageDimension)) {
        return D3DERR_INVALIDCALL;
    }
    const TextureSpec spec{static_cast<int>(width), static_cast<int>(height),
                           static_cast<int>(std::min<UINT>(levels, 64)), usage, format, pool};
    return handOut(SoftTexture::create(spec, tracker_), texture);
}

HRESULT SoftDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL pool, IDirect3DVertexBuffer9** vertexBuffer,
                                       HANDLE* sharedHandle) {
    if (!vertexBuffer || sharedHandle) return D3DERR_INVALIDCALL;
    *vertexBuffer = nullptr;
    return handOut(SoftVertexBuffer::create(length, pool, tracker_), vertexBuffer);
}

HRESULT SoftDevice::CreateIndexBuffer(UINT length, DWORD, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) {
    if (!indexBuffer || sharedHandle) return D3DERR_INVALIDCALL;
    *indexBuffer = nullptr;
    return handOut(SoftIndexBuffer::create(length, format, pool, tracker_), indexBuffer);
}

HRESULT SoftDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                              D3DMULTISAMPLE_TYPE multiSample, DWORD, BOOL,
                                              IDirect3DSurface9** surface, HANDLE* sharedHandle) {
    if (!surface || sharedHandle) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (multiSample != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (width > static_cast<UINT>(kMaxImageDimension) || height > static_cast<UINT>(kMaxImageDimension)) {
        return D3DERR_INVALIDCALL;
    }
    const SurfaceSpec spec{SurfaceKind::DepthStencil, static_cast<int>(width), static_cast<int>(height), format,
                           D3DPOOL_DEFAULT};
    return handOut(SoftSurface::create(spec, tracker_), surface);
}

HRESULT SoftDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** surface, HANDLE* sharedHandle) {
    if (!surface || sharedHandle || pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width > static_cast<UINT>(kMaxImageDimension) || height > static_cast<UINT>(kMaxImageDimension)) {
        return D3DERR_INVALIDCALL;
    }
    const SurfaceSpec spec{SurfaceKind::OffscreenPlain, static_cast<int>(width), static_cast<int>(height), format,
                           pool};
    return handOut(SoftSurface::create(spec, tracker_), surface);
}

HRESULT SoftDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                            IDirect3DVertexDeclaration9** declaration) {
    if (!declaration) return D3DERR_INVALIDCALL;
    *declaration = nullptr;
    return handOut(SoftVertexDeclaration::create(vertexElements), declaration);
}

// Binding a render target sets the viewport to cover it, as Direct3D does. Render target 0 may be unbound
// (lost-device handling does it); draws and clears then do nothing.
HRESULT SoftDevice::SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) {
    if (renderTargetIndex != 0) return renderTarget ? D3DERR_INVALIDCALL : S_OK;
    SoftSurface* surface = asSurface(renderTarget);
    if (renderTarget && (!surface || surface->spec().kind != SurfaceKind::RenderTarget)) return D3DERR_INVALIDCALL;
    state_.renderTarget = DeviceRef<SoftSurface>::share(surface);
    if (surface) state_.viewport = fullViewport(*surface);
    return S_OK;
}

HRESULT SoftDevice::GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) {
    if (!renderTarget) return D3DERR_INVALIDCALL;
    *renderTarget = nullptr;
    if (renderTargetIndex != 0 || !state_.renderTarget) return D3DERR_INVALIDCALL;
    *renderTarget = DeviceRef<SoftSurface>(state_.renderTarget).detach();
    return S_OK;
}

HRESULT SoftDevice::SetDepthStencilSurface(IDirect3DSurface9* newZStencil) {
    SoftSurface* surface = asSurface(newZStencil);
    if (newZStencil && (!surface || surface->spec().kind != SurfaceKind::DepthStencil)) return D3DERR_INVALIDCALL;
    state_.depthStencil = DeviceRef<SoftSurface>::share(surface);
    return S_OK;
}

// Copies a render target into a system-memory offscreen surface of the same size and format.
HRESULT SoftDevice::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) {
    const SoftSurface* source = asSurface(renderTarget);
    SoftSurface* destination = asSurface(destSurface);
    if (!source || !destination || source->spec().kind != SurfaceKind::RenderTarget) return D3DERR_INVALIDCALL;
    const SurfaceSpec& to = destination->spec();
    if (to.kind != SurfaceKind::OffscreenPlain || to.pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (to.width != source->width() || to.height != source->height() || to.format != source->spec().format) {
        return D3DERR_INVALIDCALL;
    }
    const std::size_t count = static_cast<std::size_t>(to.width) * static_cast<std::size_t>(to.height);
    std::copy(source->words(), source->words() + count, destination->words());
    return S_OK;
}

}  // namespace soft
