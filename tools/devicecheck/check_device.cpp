// Device creation for the check, step by step with a message for every failure.
#include "check_device.h"

#include <cstdio>
#include <cstring>

#include "device/shared_render_state.h"
#include "scene_kit.h"

namespace devicecheck {
namespace {

using namespace device;

std::string failure(const char* call, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed with 0x%08X", call, static_cast<unsigned>(hr));
    return text;
}

D3DPRESENT_PARAMETERS windowedParameters(HWND window) {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = kFrameWidth;
    parameters.BackBufferHeight = kFrameHeight;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = FALSE;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return parameters;
}

bool createSharedObjects(IDirect3DDevice9& d, CheckDevice& check, std::string& error) {
    HRESULT hr = d.CreateVertexDeclaration(kMeshDeclarationElements.data(), check.meshDeclaration.out());
    if (failed(hr)) {
        error = failure("CreateVertexDeclaration (mesh)", hr);
        return false;
    }
    hr = d.CreateVertexDeclaration(kQuadDeclarationElements.data(), check.quadDeclaration.out());
    if (failed(hr)) {
        error = failure("CreateVertexDeclaration (quad)", hr);
        return false;
    }
    hr = d.CreateVertexBuffer(4, 0, 0, D3DPOOL_MANAGED, check.constantColorBuffer.out(), nullptr);
    if (failed(hr)) {
        error = failure("CreateVertexBuffer (colour)", hr);
        return false;
    }
    return true;
}

}  // namespace

bool createCheckDevice(IDirect3D9& direct3d, HWND window, CheckDevice& check, std::string& error) {
    D3DPRESENT_PARAMETERS parameters = windowedParameters(window);
    HRESULT hr = direct3d.CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, check.device.out());
    if (failed(hr) || !check.device) {
        error = failure("CreateDevice", hr);
        return false;
    }
    IDirect3DDevice9& d = *check.device.get();
    // Larger than the back buffer, as the presentation's depth buffer is.
    hr = d.CreateDepthStencilSurface(1024, 1024, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                     check.depthStencil.out(), nullptr);
    if (failed(hr)) {
        error = failure("CreateDepthStencilSurface", hr);
        return false;
    }
    hr = d.SetDepthStencilSurface(check.depthStencil.get());
    if (failed(hr)) {
        error = failure("SetDepthStencilSurface", hr);
        return false;
    }
    if (!createSharedObjects(d, check, error)) {
        return false;
    }
    const D3DVIEWPORT9 viewport{0, 0, kFrameWidth, kFrameHeight, 0.0f, 1.0f};
    hr = d.SetViewport(&viewport);
    if (failed(hr)) {
        error = failure("SetViewport", hr);
        return false;
    }
    return true;
}

std::string describeCaps(IDirect3DDevice9& device) {
    D3DCAPS9 caps{};
    if (failed(device.GetDeviceCaps(&caps))) {
        return "device capabilities unavailable";
    }
    char text[160];
    std::snprintf(text, sizeof text, "device type %u, vertex shader %u.%u, pixel shader %u.%u, %u lights",
                  static_cast<unsigned>(caps.DeviceType), (caps.VertexShaderVersion >> 8) & 0xFF,
                  caps.VertexShaderVersion & 0xFF, (caps.PixelShaderVersion >> 8) & 0xFF,
                  caps.PixelShaderVersion & 0xFF, static_cast<unsigned>(caps.MaxActiveLights));
    return text;
}

}  // namespace devicecheck
