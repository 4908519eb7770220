// The engine's IDirect3DDevice9 passed through to a real Direct3D 9 device.
// Every call forwards unchanged apart from the conversion of structures and the unwrapping of the engine
// objects it names; objects that another backend created are refused with D3DERR_INVALIDCALL.
// Supported states: all of them, as Direct3D 9 itself handles each render, stage and sampler state.
// Each GetRenderTarget returns a new wrapper around the surface, so compare surfaces by content, not address.
#pragma once

#include "device/d3d9_interfaces.h"
#include "platform/win32/d3d9_resources.h"

namespace win32 {

class Device final : public ComWrapper<device::IDirect3DDevice9, ::IDirect3DDevice9> {
public:
    using ComWrapper::ComWrapper;

    device::HRESULT TestCooperativeLevel() override;
    device::HRESULT GetDeviceCaps(device::D3DCAPS9* caps) override;
    device::HRESULT Reset(device::D3DPRESENT_PARAMETERS* presentationParameters) override;
    device::HRESULT Present(const device::RECT* sourceRect, const device::RECT* destRect,
                            device::HWND destWindowOverride, const device::RGNDATA* dirtyRegion) override;
    void SetGammaRamp(device::UINT swapChain, device::DWORD flags, const device::D3DGAMMARAMP* ramp) override;

    device::HRESULT CreateTexture(device::UINT width, device::UINT height, device::UINT levels,
                                  device::DWORD usage, device::D3DFORMAT format, device::D3DPOOL pool,
                                  device::IDirect3DTexture9** texture, device::HANDLE* sharedHandle) override;
    device::HRESULT CreateVertexBuffer(device::UINT length, device::DWORD usage, device::DWORD fvf,
                                       device::D3DPOOL pool, device::IDirect3DVertexBuffer9** vertexBuffer,
                                       device::HANDLE* sharedHandle) override;
    device::HRESULT CreateIndexBuffer(device::UINT length, device::DWORD usage, device::D3DFORMAT format,
                                      device::D3DPOOL pool, device::IDirect3DIndexBuffer9** indexBuffer,
                                      device::HANDLE* sharedHandle) override;
    device::HRESULT CreateDepthStencilSurface(device::UINT width, device::UINT height, device::D3DFORMAT format,
                                              device::D3DMULTISAMPLE_TYPE multiSample,
                                              device::DWORD multisampleQuality, device::BOOL discard,
                                              device::IDirect3DSurface9** surface,
                                              device::HANDLE* sharedHandle) override;
    device::HRESULT CreateOffscreenPlainSurface(device::UINT width, device::UINT height, device::D3DFORMAT format,
                                                device::D3DPOOL pool, device::IDirect3DSurface9** surface,
                                                device::HANDLE* sharedHandle) override;
    device::HRESULT CreateVertexDeclaration(const device::D3DVERTEXELEMENT9* vertexElements,
                                            device::IDirect3DVertexDeclaration9** declaration) override;

    device::HRESULT SetRenderTarget(device::DWORD renderTargetIndex,
                                    device::IDirect3DSurface9* renderTarget) override;
    device::HRESULT GetRenderTarget(device::DWORD renderTargetIndex,
                                    device::IDirect3DSurface9** renderTarget) override;
    device::HRESULT SetDepthStencilSurface(device::IDirect3DSurface9* newZStencil) override;
    device::HRESULT GetRenderTargetData(device::IDirect3DSurface9* renderTarget,
                                        device::IDirect3DSurface9* destSurface) override;

    device::HRESULT BeginScene() override;
    device::HRESULT EndScene() override;
    device::HRESULT Clear(device::DWORD count, const device::D3DRECT* rects, device::DWORD flags,
                          device::D3DCOLOR color, float z, device::DWORD stencil) override;
    device::HRESULT SetViewport(const device::D3DVIEWPORT9* viewport) override;
    device::HRESULT GetViewport(device::D3DVIEWPORT9* viewport) override;

    device::HRESULT SetTransform(device::D3DTRANSFORMSTATETYPE state, const device::D3DMATRIX* matrix) override;
    device::HRESULT SetMaterial(const device::D3DMATERIAL9* material) override;
    device::HRESULT SetLight(device::DWORD index, const device::D3DLIGHT9* light) override;
    device::HRESULT LightEnable(device::DWORD index, device::BOOL enable) override;
    device::HRESULT SetRenderState(device::D3DRENDERSTATETYPE state, device::DWORD value) override;
    device::HRESULT SetTexture(device::DWORD stage, device::IDirect3DBaseTexture9* texture) override;
    device::HRESULT SetTextureStageState(device::DWORD stage, device::D3DTEXTURESTAGESTATETYPE type,
                                         device::DWORD value) override;
    device::HRESULT SetSamplerState(device::DWORD sampler, device::D3DSAMPLERSTATETYPE type,
                                    device::DWORD value) override;
    device::HRESULT SetVertexShader(device::IDirect3DVertexShader9* shader) override;
    device::HRESULT SetPixelShader(device::IDirect3DPixelShader9* shader) override;

    device::HRESULT SetVertexDeclaration(device::IDirect3DVertexDeclaration9* declaration) override;
    device::HRESULT SetStreamSource(device::UINT streamNumber, device::IDirect3DVertexBuffer9* streamData,
                                    device::UINT offsetInBytes, device::UINT stride) override;
    device::HRESULT SetIndices(device::IDirect3DIndexBuffer9* indexData) override;
    device::HRESULT DrawPrimitive(device::D3DPRIMITIVETYPE primitiveType, device::UINT startVertex,
                                  device::UINT primitiveCount) override;
    device::HRESULT DrawIndexedPrimitive(device::D3DPRIMITIVETYPE primitiveType, device::INT baseVertexIndex,
                                         device::UINT minVertexIndex, device::UINT numVertices,
                                         device::UINT startIndex, device::UINT primitiveCount) override;
    device::HRESULT DrawPrimitiveUP(device::D3DPRIMITIVETYPE primitiveType, device::UINT primitiveCount,
                                    const void* vertexStreamZeroData,
                                    device::UINT vertexStreamZeroStride) override;
};

}  // namespace win32
