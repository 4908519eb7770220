// Device start-up with its five user-facing failures, the render buffers and lost-device recovery.
#include "device/device_startup.h"

#include <span>
#include <utility>

#include "device/device_state.h"
#include "device/shared_render_state.h"

namespace device {

namespace {

constexpr UINT kFullscreenWidth = 800;
constexpr UINT kDepthStencilHeight = 1024;
constexpr DWORD kLostDeviceSleepMs = 500;

// Full screen falls back from the exact 32-bit formats to whatever the driver offers; a window always
// uses the desktop's format, so only the last candidate applies to it.
constexpr D3DFORMAT kBackBufferFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN};

constexpr const char* kNoDirect3D = "Direct3D 9 not available.";
constexpr const char* kNoDevice = "No suitable Direct3D device found.";
constexpr const char* kNoShaderModel2 = "Pixel shaders 2.0 not supported.";  // vertex shaders too
constexpr const char* kNoRenderBuffers = "Unable to acquire render buffers.";
constexpr const char* kNoDeclarations = "Unable to create vertex declarations.";

// The window goes first so that the message box is not hidden behind a full-screen window. Whatever was
// created on the way is released, so no half-built device stays in the shared state.
bool reportFailure(DeviceHost& host, const char* message) {
    host.hideWindow();
    host.showCursor();
    host.showErrorMessage(message);
    releaseDeviceObjects(deviceState());
    return false;
}

bool createDevice(DeviceHost& host, bool fullscreen, UINT backBufferHeight) {
    DeviceState& state = deviceState();
    HWND window = host.window();
    std::span<const D3DFORMAT> formats(kBackBufferFormats);
    if (!fullscreen) {
        formats = formats.last(1);
    }
    for (D3DFORMAT format : formats) {
        fillPresentParameters(fullscreen, window, backBufferHeight, format);
        const HRESULT hr = state.direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                        D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                                        &state.presentParameters, state.device.out());
        if (succeeded(hr) && state.device) {
            return true;
        }
    }
    return false;
}

// The presentation draws fixed-function only, but refuses hardware older than shader model 2.0. The
// version words carry a type tag in their high half, so they compare as plain unsigned numbers.
bool supportsShaderModel2(IDirect3DDevice9& device) {
    D3DCAPS9 caps{};
    device.GetDeviceCaps(&caps);
    return caps.VertexShaderVersion >= D3DVS_VERSION(2, 0) && caps.PixelShaderVersion >= D3DPS_VERSION(2, 0);
}

// Blackens the whole back buffer while the viewport is still the device's default: the letterbox rows
// outside the frame's viewport are never cleared again.
void showBlackScreen(IDirect3DDevice9& device) {
    device.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    device.Present(nullptr, nullptr, nullptr, nullptr);
    device.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
}

void releaseRenderBuffers(DeviceState& state) {
    state.device->SetDepthStencilSurface(nullptr);
    state.device->SetRenderTarget(0, nullptr);
    state.backBuffer.reset();
    state.depthStencil.reset();
}

}  // namespace

HRESULT loadDirect3D(DeviceRef<IDirect3D9> direct3D) {
    DeviceState& state = deviceState();
    state.direct3D = std::move(direct3D);
    return state.direct3D ? S_OK : E_FAIL;
}

void fillPresentParameters(bool fullscreen, HWND window, UINT backBufferHeight, D3DFORMAT backBufferFormat) {
    D3DPRESENT_PARAMETERS& parameters = deviceState().presentParameters;
    parameters = D3DPRESENT_PARAMETERS{};
    if (fullscreen) {
        parameters.BackBufferWidth = kFullscreenWidth;
        parameters.BackBufferHeight = backBufferHeight;
        parameters.BackBufferFormat = backBufferFormat;
    }
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = fullscreen ? FALSE : TRUE;
    parameters.EnableAutoDepthStencil = FALSE;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
}

bool startDevice(DeviceHost& host, DeviceRef<IDirect3D9> direct3D, bool fullscreen, UINT backBufferHeight) {
    DeviceState& state = deviceState();
    releaseDeviceObjects(state);
    if (failed(loadDirect3D(std::move(direct3D)))) {
        return reportFailure(host, kNoDirect3D);
    }
    if (!createDevice(host, fullscreen, backBufferHeight)) {
        return reportFailure(host, kNoDevice);
    }
    if (!supportsShaderModel2(*state.device)) {
        return reportFailure(host, kNoShaderModel2);
    }
    if (!acquireRenderBuffers()) {
        return reportFailure(host, kNoRenderBuffers);
    }
    showBlackScreen(*state.device);
    initSharedRenderState(backBufferHeight);
    if (!createVertexDeclarations()) {
        return reportFailure(host, kNoDeclarations);
    }
    state.device->SetViewport(&state.viewport);
    return true;
}

bool acquireRenderBuffers() {
    DeviceState& state = deviceState();
    if (!state.device) {
        return false;
    }
    DeviceRef<IDirect3DSurface9> backBuffer;
    if (failed(state.device->GetRenderTarget(0, backBuffer.out())) || !backBuffer) {
        return false;
    }
    // Larger than any back buffer of the presentation; anti-aliasing only widens it.
    const UINT depthWidth = state.antiAliasing ? 2048 : 1024;
    DeviceRef<IDirect3DSurface9> depthStencil;
    if (failed(state.device->CreateDepthStencilSurface(depthWidth, kDepthStencilHeight, D3DFMT_D24X8,
                                                       D3DMULTISAMPLE_NONE, 0, TRUE, depthStencil.out(),
                                                       nullptr)) ||
        !depthStencil) {
        return false;
    }
    if (failed(state.device->SetDepthStencilSurface(depthStencil.get()))) {
        return false;  // the depth-stencil surface is released first, then the back buffer
    }
    state.backBuffer = std::move(backBuffer);
    state.depthStencil = std::move(depthStencil);
    return true;
}

bool deviceReady(DeviceHost& host) {
    DeviceState& state = deviceState();
    if (!state.device) {
        return false;
    }
    const HRESULT hr = state.device->TestCooperativeLevel();
    if (succeeded(hr)) {
        return true;
    }
    // Reset refuses to run while we still hold the back buffer or our depth-stencil surface.
    if (!state.deviceLost) {
        releaseRenderBuffers(state);
        state.deviceLost = true;
    }
    if (hr == D3DERR_DEVICELOST) {
        host.sleep(kLostDeviceSleepMs);
        return false;
    }
    if (hr == D3DERR_DEVICENOTRESET) {
        if (failed(state.device->Reset(&state.presentParameters))) {
            return false;  // still lost; tried again next frame
        }
        state.deviceLost = false;
        // A failure leaves the frame without a depth buffer rather than without a picture.
        acquireRenderBuffers();
        state.device->SetViewport(&state.viewport);
        return true;
    }
    return false;
}

}  // namespace device
