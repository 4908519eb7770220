// A recording Direct3D 9 object and device for tests. Every method logs its call to the Backend and can
// be made to fail through Backend::script; the device keeps the state it was given (render states,
// transforms, bound objects) so that tests can check what a draw would have used.
//
// Usage: Backend backend; RecordingHost host(backend); run the code under test with host; then read
// backend.lines(), backend.device()->renderStates, backend.violations(), backend.heldReferences().
#pragma once

#include <array>
#include <map>
#include <optional>
#include <utility>

#include "device/recording_backend.h"
#include "device/recording_resources.h"

namespace recording {

class RecordingDirect3D final : public Recorded<device::IDirect3D9> {
public:
    using Recorded::Recorded;

    // Captures the present parameters into Backend::createDeviceParameters; on success the new device
    // holds the back buffer, sized from them (a window's zero size means Backend::windowWidth/Height).
    device::HRESULT CreateDevice(device::UINT adapter, device::D3DDEVTYPE deviceType, device::HWND focusWindow,
                                 device::DWORD behaviorFlags, device::D3DPRESENT_PARAMETERS* presentationParameters,
                                 device::IDirect3DDevice9** returnedDeviceInterface) override;
};

class RecordingDevice final : public Recorded<device::IDirect3DDevice9> {
public:
    RecordingDevice(Backend& backend, std::string name, const device::D3DPRESENT_PARAMETERS& parameters);

    device::HRESULT TestCooperativeLevel() override;
    device::HRESULT GetDeviceCaps(device::D3DCAPS9* caps) override;
    device::HRESULT Reset(device::D3DPRESENT_PARAMETERS* presentationParameters) override;
    device::HRESULT Present(const device::RECT* sourceRect, const device::RECT* destRect,
                            device::HWND destWindowOverride, const device::RGNDATA* dirtyRegion) override;
    void SetGammaRamp(device::UINT swapChain, device::DWORD flags, const device::D3DGAMMARAMP* ramp) override;

    device::HRESULT CreateTexture(device::UINT width, device::UINT height, device::UINT levels, device::DWORD usage,
                                  device::D3DFORMAT format, device::D3DPOOL pool, device::IDirect3DTexture9** texture,
                                  device::HANDLE* sharedHandle) override;
    device::HRESULT CreateVertexBuffer(device::UINT length, device::DWORD usage, device::DWORD fvf,
                                       device::D3DPOOL pool, device::IDirect3DVertexBuffer9** vertexBuffer,
                                       device::HANDLE* sharedHandle) override;
    device::HRESULT CreateIndexBuffer(device::UINT length, device::DWORD usage, device::D3DFORMAT format,
                                      device::D3DPOOL pool, device::IDirect3DIndexBuffer9** indexBuffer,
                                      device::HANDLE* sharedHandle) override;
    device::HRESULT CreateDepthStencilSurface(device::UINT width, device::UINT height, device::D3DFORMAT format,
                                              device::D3DMULTISAMPLE_TYPE multiSample, device::DWORD multisampleQuality,
                                              device::BOOL discard, device::IDirect3DSurface9** surface,
                                              device::HANDLE* sharedHandle) override;
    device::HRESULT CreateOffscreenPlainSurface(device::UINT width, device::UINT height, device::D3DFORMAT format,
                                                device::D3DPOOL pool, device::IDirect3DSurface9** surface,
                                                device::HANDLE* sharedHandle) override;
    device::HRESULT CreateVertexDeclaration(const device::D3DVERTEXELEMENT9* vertexElements,
                                            device::IDirect3DVertexDeclaration9** declaration) override;

    device::HRESULT SetRenderTarget(device::DWORD renderTargetIndex, device::IDirect3DSurface9* renderTarget) override;
    device::HRESULT GetRenderTarget(device::DWORD renderTargetIndex, device::IDirect3DSurface9** renderTarget) override;
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
                                    const void* vertexStreamZeroData, device::UINT vertexStreamZeroStride) override;

    // The state the device was left in. Pointers are the caller's objects; Backend::find names them.
    struct StreamSource {
        device::IDirect3DVertexBuffer9* buffer = nullptr;
        device::UINT offset = 0;
        device::UINT stride = 0;
    };
    struct UserPrimitive {
        device::D3DPRIMITIVETYPE type;
        device::UINT primitiveCount;
        device::UINT stride;
        std::vector<std::byte> vertices;  // copied at the call
    };

    device::D3DPRESENT_PARAMETERS createParameters;
    std::vector<device::D3DPRESENT_PARAMETERS> resetParameters;
    RecordingSurface* backBuffer;
    device::IDirect3DSurface9* renderTarget;
    device::IDirect3DSurface9* depthStencil = nullptr;
    device::D3DVIEWPORT9 viewport;
    std::map<device::D3DRENDERSTATETYPE, device::DWORD> renderStates;
    std::map<device::D3DTRANSFORMSTATETYPE, device::D3DMATRIX> transforms;
    std::map<std::pair<device::DWORD, device::D3DTEXTURESTAGESTATETYPE>, device::DWORD> textureStageStates;
    std::map<std::pair<device::DWORD, device::D3DSAMPLERSTATETYPE>, device::DWORD> samplerStates;
    std::map<device::DWORD, device::IDirect3DBaseTexture9*> textures;
    std::map<device::UINT, StreamSource> streams;
    device::IDirect3DIndexBuffer9* indices = nullptr;
    device::IDirect3DVertexDeclaration9* declaration = nullptr;
    std::optional<device::D3DMATERIAL9> material;
    std::map<device::DWORD, device::D3DLIGHT9> lights;
    std::map<device::DWORD, bool> lightEnabled;
    std::optional<device::D3DGAMMARAMP> gammaRamp;
    std::vector<UserPrimitive> userPrimitives;
    bool inScene = false;

private:
    device::D3DVIEWPORT9 fullViewport(const device::D3DPRESENT_PARAMETERS& parameters) const;
    // Ends a Create call without an object: a scripted failure stays, anything else is invalid.
    template <class Object>
    device::HRESULT refuse(device::HRESULT hr, Object** out);
    // Hands out a created object and remembers default-pool resources, which block a Reset.
    template <class Object, class Created>
    device::HRESULT deliver(Created* created, device::D3DPOOL pool, Object** out);

    std::vector<RecordedObject*> defaultPool_;
};

}  // namespace recording
