// Device pass-through: converts arguments, unwraps engine objects and forwards to IDirect3DDevice9.
#include "platform/win32/d3d9_device.h"

#include <vector>

namespace win32 {

namespace {

const device::HRESULT kInvalidCall = toDevice(D3DERR_INVALIDCALL);

}  // namespace

device::HRESULT Device::TestCooperativeLevel() { return toDevice(real()->TestCooperativeLevel()); }

device::HRESULT Device::GetDeviceCaps(device::D3DCAPS9* caps) {
    if (caps == nullptr) {
        return kInvalidCall;
    }
    ::D3DCAPS9 realCaps{};
    const ::HRESULT hr = real()->GetDeviceCaps(&realCaps);
    if (SUCCEEDED(hr)) {
        *caps = toDevice(realCaps);
    }
    return toDevice(hr);
}

device::HRESULT Device::Reset(device::D3DPRESENT_PARAMETERS* presentationParameters) {
    if (presentationParameters == nullptr) {
        return kInvalidCall;
    }
    // Direct3D fills in the sizes and format it chose; the caller sees them as with the real interface.
    ::D3DPRESENT_PARAMETERS parameters = toD3D(*presentationParameters);
    const ::HRESULT hr = real()->Reset(&parameters);
    *presentationParameters = toDevice(parameters);
    return toDevice(hr);
}

device::HRESULT Device::Present(const device::RECT* sourceRect, const device::RECT* destRect,
                                device::HWND destWindowOverride, const device::RGNDATA* dirtyRegion) {
    ::RECT source{};
    ::RECT dest{};
    if (sourceRect != nullptr) {
        source = toD3D(*sourceRect);
    }
    if (destRect != nullptr) {
        dest = toD3D(*destRect);
    }
    // The engine never builds a region itself: a non-null one can only be a Windows RGNDATA.
    return toDevice(real()->Present(sourceRect != nullptr ? &source : nullptr,
                                    destRect != nullptr ? &dest : nullptr, static_cast<::HWND>(destWindowOverride),
                                    reinterpret_cast<const ::RGNDATA*>(dirtyRegion)));
}

void Device::SetGammaRamp(device::UINT swapChain, device::DWORD flags, const device::D3DGAMMARAMP* ramp) {
    if (ramp == nullptr) {
        return;
    }
    const ::D3DGAMMARAMP realRamp = toD3D(*ramp);
    real()->SetGammaRamp(swapChain, flags, &realRamp);
}

device::HRESULT Device::CreateTexture(device::UINT width, device::UINT height, device::UINT levels,
                                      device::DWORD usage, device::D3DFORMAT format, device::D3DPOOL pool,
                                      device::IDirect3DTexture9** texture, device::HANDLE* sharedHandle) {
    if (texture == nullptr) {
        return kInvalidCall;
    }
    ::IDirect3DTexture9* created = nullptr;
    const ::HRESULT hr = real()->CreateTexture(width, height, levels, usage, toD3DEnum<::D3DFORMAT>(format),
                                               toD3DEnum<::D3DPOOL>(pool), &created, sharedHandle);
    return wrapCreated<Texture>(hr, created, texture);
}

device::HRESULT Device::CreateVertexBuffer(device::UINT length, device::DWORD usage, device::DWORD fvf,
                                           device::D3DPOOL pool, device::IDirect3DVertexBuffer9** vertexBuffer,
                                           device::HANDLE* sharedHandle) {
    if (vertexBuffer == nullptr) {
        return kInvalidCall;
    }
    ::IDirect3DVertexBuffer9* created = nullptr;
    const ::HRESULT hr =
        real()->CreateVertexBuffer(length, usage, fvf, toD3DEnum<::D3DPOOL>(pool), &created, sharedHandle);
    return wrapCreated<VertexBuffer>(hr, created, vertexBuffer);
}

device::HRESULT Device::CreateIndexBuffer(device::UINT length, device::DWORD usage, device::D3DFORMAT format,
                                          device::D3DPOOL pool, device::IDirect3DIndexBuffer9** indexBuffer,
                                          device::HANDLE* sharedHandle) {
    if (indexBuffer == nullptr) {
        return kInvalidCall;
    }
    ::IDirect3DIndexBuffer9* created = nullptr;
    const ::HRESULT hr = real()->CreateIndexBuffer(length, usage, toD3DEnum<::D3DFORMAT>(format),
                                                   toD3DEnum<::D3DPOOL>(pool), &created, sharedHandle);
    return wrapCreated<IndexBuffer>(hr, created, indexBuffer);
}

device::HRESULT Device::CreateDepthStencilSurface(device::UINT width, device::UINT height,
                                                  device::D3DFORMAT format,
                                                  device::D3DMULTISAMPLE_TYPE multiSample,
                                                  device::DWORD multisampleQuality, device::BOOL discard,
                                                  device::IDirect3DSurface9** surface,
                                                  device::HANDLE* sharedHandle) {
    if (surface == nullptr) {
        return kInvalidCall;
    }
    ::IDirect3DSurface9* created = nullptr;
    const ::HRESULT hr = real()->CreateDepthStencilSurface(
        width, height, toD3DEnum<::D3DFORMAT>(format), toD3DEnum<::D3DMULTISAMPLE_TYPE>(multiSample),
        multisampleQuality, discard, &created, sharedHandle);
    return wrapCreated<Surface>(hr, created, surface);
}

device::HRESULT Device::CreateOffscreenPlainSurface(device::UINT width, device::UINT height,
                                                    device::D3DFORMAT format, device::D3DPOOL pool,
                                                    device::IDirect3DSurface9** surface,
                                                    device::HANDLE* sharedHandle) {
    if (surface == nullptr) {
        return kInvalidCall;
    }
    ::IDirect3DSurface9* created = nullptr;
    const ::HRESULT hr = real()->CreateOffscreenPlainSurface(width, height, toD3DEnum<::D3DFORMAT>(format),
                                                             toD3DEnum<::D3DPOOL>(pool), &created, sharedHandle);
    return wrapCreated<Surface>(hr, created, surface);
}

device::HRESULT Device::CreateVertexDeclaration(const device::D3DVERTEXELEMENT9* vertexElements,
                                                device::IDirect3DVertexDeclaration9** declaration) {
    if (declaration == nullptr) {
        return kInvalidCall;
    }
    *declaration = nullptr;
    std::vector<::D3DVERTEXELEMENT9> elements;
    if (!toD3D(vertexElements, elements)) {
        return kInvalidCall;
    }
    ::IDirect3DVertexDeclaration9* created = nullptr;
    const ::HRESULT hr = real()->CreateVertexDeclaration(elements.data(), &created);
    return wrapCreated<VertexDeclaration>(hr, created, declaration);
}

device::HRESULT Device::SetRenderTarget(device::DWORD renderTargetIndex,
                                        device::IDirect3DSurface9* renderTarget) {
    ::IDirect3DSurface9* surface = nullptr;
    if (!unwrap<Surface>(renderTarget, surface)) {
        return kInvalidCall;
    }
    return toDevice(real()->SetRenderTarget(renderTargetIndex, surface));
}

device::HRESULT Device::GetRenderTarget(device::DWORD renderTargetIndex,
                                        device::IDirect3DSurface9** renderTarget) {
    if (renderTarget == nullptr) {
        return kInvalidCall;
    }
    ::IDirect3DSurface9* surface = nullptr;
    const ::HRESULT hr = real()->GetRenderTarget(renderTargetIndex, &surface);
    return wrapCreated<Surface>(hr, surface, renderTarget);
}

device::HRESULT Device::SetDepthStencilSurface(device::IDirect3DSurface9* newZStencil) {
    ::IDirect3DSurface9* surface = nullptr;
    if (!unwrap<Surface>(newZStencil, surface)) {
        return kInvalidCall;
    }
    return toDevice(real()->SetDepthStencilSurface(surface));
}

device::HRESULT Device::GetRenderTargetData(device::IDirect3DSurface9* renderTarget,
                                            device::IDirect3DSurface9* destSurface) {
    ::IDirect3DSurface9* source = nullptr;
    ::IDirect3DSurface9* dest = nullptr;
    if (!unwrap<Surface>(renderTarget, source) || !unwrap<Surface>(destSurface, dest)) {
        return kInvalidCall;
    }
    return toDevice(real()->GetRenderTargetData(source, dest));
}

device::HRESULT Device::BeginScene() { return toDevice(real()->BeginScene()); }

device::HRESULT Device::EndScene() { return toDevice(real()->EndScene()); }

device::HRESULT Device::Clear(device::DWORD count, const device::D3DRECT* rects, device::DWORD flags,
                              device::D3DCOLOR color, float z, device::DWORD stencil) {
    std::vector<::D3DRECT> realRects;
    if (rects != nullptr) {
        realRects.reserve(count);
        for (device::DWORD i = 0; i < count; ++i) {
            realRects.push_back(toD3D(rects[i]));
        }
    }
    return toDevice(real()->Clear(count, rects != nullptr ? realRects.data() : nullptr, flags, color, z, stencil));
}

device::HRESULT Device::SetViewport(const device::D3DVIEWPORT9* viewport) {
    if (viewport == nullptr) {
        return kInvalidCall;
    }
    const ::D3DVIEWPORT9 realViewport = toD3D(*viewport);
    return toDevice(real()->SetViewport(&realViewport));
}

device::HRESULT Device::GetViewport(device::D3DVIEWPORT9* viewport) {
    if (viewport == nullptr) {
        return kInvalidCall;
    }
    ::D3DVIEWPORT9 realViewport{};
    const ::HRESULT hr = real()->GetViewport(&realViewport);
    if (SUCCEEDED(hr)) {
        *viewport = toDevice(realViewport);
    }
    return toDevice(hr);
}

device::HRESULT Device::SetTransform(device::D3DTRANSFORMSTATETYPE state, const device::D3DMATRIX* matrix) {
    if (matrix == nullptr) {
        return kInvalidCall;
    }
    const ::D3DMATRIX realMatrix = toD3D(*matrix);
    return toDevice(real()->SetTransform(toD3DEnum<::D3DTRANSFORMSTATETYPE>(state), &realMatrix));
}

device::HRESULT Device::SetMaterial(const device::D3DMATERIAL9* material) {
    if (material == nullptr) {
        return kInvalidCall;
    }
    const ::D3DMATERIAL9 realMaterial = toD3D(*material);
    return toDevice(real()->SetMaterial(&realMaterial));
}

device::HRESULT Device::SetLight(device::DWORD index, const device::D3DLIGHT9* light) {
    if (light == nullptr) {
        return kInvalidCall;
    }
    const ::D3DLIGHT9 realLight = toD3D(*light);
    return toDevice(real()->SetLight(index, &realLight));
}

device::HRESULT Device::LightEnable(device::DWORD index, device::BOOL enable) {
    return toDevice(real()->LightEnable(index, enable));
}

device::HRESULT Device::SetRenderState(device::D3DRENDERSTATETYPE state, device::DWORD value) {
    return toDevice(real()->SetRenderState(toD3DEnum<::D3DRENDERSTATETYPE>(state), value));
}

device::HRESULT Device::SetTexture(device::DWORD stage, device::IDirect3DBaseTexture9* texture) {
    ::IDirect3DTexture9* realTexture = nullptr;
    if (!unwrap<Texture>(texture, realTexture)) {
        return kInvalidCall;
    }
    return toDevice(real()->SetTexture(stage, realTexture));
}

device::HRESULT Device::SetTextureStageState(device::DWORD stage, device::D3DTEXTURESTAGESTATETYPE type,
                                             device::DWORD value) {
    return toDevice(real()->SetTextureStageState(stage, toD3DEnum<::D3DTEXTURESTAGESTATETYPE>(type), value));
}

device::HRESULT Device::SetSamplerState(device::DWORD sampler, device::D3DSAMPLERSTATETYPE type,
                                        device::DWORD value) {
    return toDevice(real()->SetSamplerState(sampler, toD3DEnum<::D3DSAMPLERSTATETYPE>(type), value));
}

// This backend creates no shader objects, so only null (the fixed-function pipeline) can be passed on.
device::HRESULT Device::SetVertexShader(device::IDirect3DVertexShader9* shader) {
    return shader == nullptr ? toDevice(real()->SetVertexShader(nullptr)) : kInvalidCall;
}

device::HRESULT Device::SetPixelShader(device::IDirect3DPixelShader9* shader) {
    return shader == nullptr ? toDevice(real()->SetPixelShader(nullptr)) : kInvalidCall;
}

device::HRESULT Device::SetVertexDeclaration(device::IDirect3DVertexDeclaration9* declaration) {
    ::IDirect3DVertexDeclaration9* realDeclaration = nullptr;
    if (!unwrap<VertexDeclaration>(declaration, realDeclaration)) {
        return kInvalidCall;
    }
    return toDevice(real()->SetVertexDeclaration(realDeclaration));
}

device::HRESULT Device::SetStreamSource(device::UINT streamNumber, device::IDirect3DVertexBuffer9* streamData,
                                        device::UINT offsetInBytes, device::UINT stride) {
    ::IDirect3DVertexBuffer9* buffer = nullptr;
    if (!unwrap<VertexBuffer>(streamData, buffer)) {
        return kInvalidCall;
    }
    return toDevice(real()->SetStreamSource(streamNumber, buffer, offsetInBytes, stride));
}

device::HRESULT Device::SetIndices(device::IDirect3DIndexBuffer9* indexData) {
    ::IDirect3DIndexBuffer9* buffer = nullptr;
    if (!unwrap<IndexBuffer>(indexData, buffer)) {
        return kInvalidCall;
    }
    return toDevice(real()->SetIndices(buffer));
}

device::HRESULT Device::DrawPrimitive(device::D3DPRIMITIVETYPE primitiveType, device::UINT startVertex,
                                      device::UINT primitiveCount) {
    return toDevice(
        real()->DrawPrimitive(toD3DEnum<::D3DPRIMITIVETYPE>(primitiveType), startVertex, primitiveCount));
}

device::HRESULT Device::DrawIndexedPrimitive(device::D3DPRIMITIVETYPE primitiveType, device::INT baseVertexIndex,
                                             device::UINT minVertexIndex, device::UINT numVertices,
                                             device::UINT startIndex, device::UINT primitiveCount) {
    return toDevice(real()->DrawIndexedPrimitive(toD3DEnum<::D3DPRIMITIVETYPE>(primitiveType), baseVertexIndex,
                                                 minVertexIndex, numVertices, startIndex, primitiveCount));
}

device::HRESULT Device::DrawPrimitiveUP(device::D3DPRIMITIVETYPE primitiveType, device::UINT primitiveCount,
                                        const void* vertexStreamZeroData, device::UINT vertexStreamZeroStride) {
    return toDevice(real()->DrawPrimitiveUP(toD3DEnum<::D3DPRIMITIVETYPE>(primitiveType), primitiveCount,
                                            vertexStreamZeroData, vertexStreamZeroStride));
}

}  // namespace win32
