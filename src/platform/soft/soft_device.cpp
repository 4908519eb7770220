// The software device's lifetime: creation, the swap chain, caps, lost-device states, Reset and Present.
#include "platform/soft/soft_device.h"

#include <new>
#include <utility>

#include "platform/soft/soft_limits.h"

namespace soft {

using namespace device;

SoftDevice::SoftDevice(const DeviceSettings& settings)
    : settings_(settings), rasterStage_(settings.raster), pipeline_(rasterThreadCount(settings.raster)) {}

HRESULT SoftDevice::create(const DeviceSettings& settings, D3DPRESENT_PARAMETERS* parameters, SoftDevice** device) {
    if (!parameters || !device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    SoftDevice* created = nullptr;
    try {
        created = new SoftDevice(settings);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = created->createSwapChain(parameters);
    if (failed(hr)) {
        created->Release();
        return hr;
    }
    *device = created;
    return S_OK;
}

// A windowed device takes a zero width or height from the window's client area and D3DFMT_UNKNOWN as the
// desktop's X8R8G8B8; a full-screen device needs both sizes and an explicit format.
HRESULT SoftDevice::resolveParameters(D3DPRESENT_PARAMETERS& p) const {
    if (p.Windowed) {
        if (p.BackBufferWidth == 0) p.BackBufferWidth = static_cast<UINT>(settings_.windowWidth);
        if (p.BackBufferHeight == 0) p.BackBufferHeight = static_cast<UINT>(settings_.windowHeight);
        if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth > static_cast<UINT>(kMaxImageDimension) ||
        p.BackBufferHeight > static_cast<UINT>(kMaxImageDimension)) {
        return D3DERR_INVALIDCALL;
    }
    if (p.BackBufferFormat != D3DFMT_X8R8G8B8 && p.BackBufferFormat != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
    if (p.BackBufferCount > 3) return D3DERR_INVALIDCALL;
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24X8) return D3DERR_INVALIDCALL;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    return S_OK;
}

// Creates the back buffer (and the automatic depth buffer when asked for) and puts the state to its
// defaults with the back buffer as render target 0.
HRESULT SoftDevice::createSwapChain(D3DPRESENT_PARAMETERS* parameters) {
    D3DPRESENT_PARAMETERS resolved = *parameters;
    if (const HRESULT hr = resolveParameters(resolved); failed(hr)) return hr;
    const int width = static_cast<int>(resolved.BackBufferWidth);
    const int height = static_cast<int>(resolved.BackBufferHeight);
    // The swap chain's own surfaces are not counted as default-pool resources; Reset checks their
    // references itself.
    DeviceRef<SoftSurface> back = DeviceRef<SoftSurface>::adopt(SoftSurface::create(
        {SurfaceKind::RenderTarget, width, height, resolved.BackBufferFormat, D3DPOOL_DEFAULT}, nullptr));
    if (!back) return D3DERR_OUTOFVIDEOMEMORY;
    DeviceRef<SoftSurface> depth;
    if (resolved.EnableAutoDepthStencil) {
        depth = DeviceRef<SoftSurface>::adopt(SoftSurface::create(
            {SurfaceKind::DepthStencil, width, height, resolved.AutoDepthStencilFormat, D3DPOOL_DEFAULT}, nullptr));
        if (!depth) return D3DERR_OUTOFVIDEOMEMORY;
    }
    backBuffer_ = std::move(back);
    autoDepthStencil_ = std::move(depth);
    resetToDefaults(state_, resolved.EnableAutoDepthStencil != FALSE);
    state_.renderTarget = backBuffer_;
    state_.depthStencil = autoDepthStencil_;
    state_.viewport = fullViewport(*backBuffer_);
    gamma_.reset();
    inScene_ = false;
    parameters_ = resolved;
    *parameters = resolved;
    return S_OK;
}

void SoftDevice::simulateLoss() { cooperation_ = Cooperation::Lost; }

void SoftDevice::simulateRestore() {
    if (cooperation_ == Cooperation::Lost) cooperation_ = Cooperation::NotReset;
}

HRESULT SoftDevice::TestCooperativeLevel() {
    switch (cooperation_) {
        case Cooperation::Lost: return D3DERR_DEVICELOST;
        case Cooperation::NotReset: return D3DERR_DEVICENOTRESET;
        default: return S_OK;
    }
}

HRESULT SoftDevice::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = {};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = D3DADAPTER_DEFAULT;
    caps->MaxTextureWidth = static_cast<DWORD>(kMaxImageDimension);
    caps->MaxTextureHeight = static_cast<DWORD>(kMaxImageDimension);
    caps->MaxActiveLights = kMaxActiveLights;
    caps->MaxPrimitiveCount = kMaxPrimitiveCount;
    caps->MaxVertexIndex = kMaxVertexIndex;
    caps->MaxStreams = kMaxStreams;
    caps->MaxStreamStride = kMaxStreamStride;
    caps->VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps->PixelShaderVersion = D3DPS_VERSION(3, 0);
    return S_OK;
}

// Direct3D refuses to Reset while the application still holds default-pool resources or references to the
// back buffer; bindings are dropped first, since Reset clears them anyway.
bool SoftDevice::outstandingReferences() const {
    if (tracker_->liveDefaultPoolResources > 0) return true;
    if (backBuffer_ && backBuffer_->referenceCount() > 1) return true;
    return autoDepthStencil_ && autoDepthStencil_->referenceCount() > 1;
}

HRESULT SoftDevice::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    if (!presentationParameters) return D3DERR_INVALIDCALL;
    if (cooperation_ == Cooperation::Lost) return D3DERR_DEVICELOST;
    resetToDefaults(state_, false);
    state_.renderTarget.reset();
    state_.depthStencil.reset();
    inScene_ = false;
    if (outstandingReferences()) {
        cooperation_ = Cooperation::NotReset;
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = createSwapChain(presentationParameters);
    cooperation_ = succeeded(hr) ? Cooperation::Ready : Cooperation::NotReset;
    return hr;
}

HRESULT SoftDevice::Present(const RECT*, const RECT*, HWND, const RGNDATA*) {
    if (cooperation_ != Cooperation::Ready) return D3DERR_DEVICELOST;
    if (!settings_.presentSink || !backBuffer_) return S_OK;
    const SoftSurface& back = *backBuffer_;
    gamma_.apply(back.words(), back.width(), back.height(), back.width(), presentImage_);
    settings_.presentSink->present(presentImage_.data(), back.width(), back.height(), back.width());
    return S_OK;
}

void SoftDevice::SetGammaRamp(UINT swapChain, DWORD, const D3DGAMMARAMP* ramp) {
    if (swapChain != 0 || !ramp) return;
    gamma_.set(*ramp);
}

}  // namespace soft
