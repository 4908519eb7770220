// The software IDirect3DDevice9: owns the swap chain's back buffer, the device state and the draw pipeline,
// and turns each call into state changes, clears, draws through the raster sink, or a present.
//
// Supported (everything else is stored and ignored):
//   Vertex stage  world, view, projection (row vectors); declarations with FLOAT1-4 and D3DCOLOR elements on
//                 up to 16 streams, stride 0, DrawPrimitiveUP, 16- and 32-bit indices with BaseVertexIndex;
//                 triangle lists, strips and fans, line lists and strips (point lists draw nothing).
//   Lighting      D3DRS_LIGHTING, AMBIENT, SPECULARENABLE, LOCALVIEWER, NORMALIZENORMALS, COLORVERTEX,
//                 DIFFUSE/AMBIENT/SPECULAR/EMISSIVEMATERIALSOURCE; point, spot and directional lights
//                 (first 8 enabled by index), Range, Attenuation0-2, Falloff, Theta, Phi; SetMaterial.
//   Primitives    clipping to 0 <= z <= w and the guard band (always, whatever D3DRS_CLIPPING says);
//                 D3DRS_CULLMODE NONE/CW/CCW by screen winding; D3DRS_SHADEMODE FLAT/GOURAUD.
//   Pixel stage   (handed to the raster stage) stages 0-1 COLOROP/ARG1/ARG2, ALPHAOP/ARG1/ARG2 with their
//                 textures' level 0; samplers 0-1 MAGFILTER, MINFILTER, ADDRESSU, ADDRESSV; TEXTUREFACTOR;
//                 FOGENABLE with FOGTABLEMODE, FOGCOLOR, FOGSTART, FOGEND, FOGDENSITY (eye depth unless the
//                 projection is affine); ALPHABLENDENABLE, SRCBLEND, DESTBLEND; ZENABLE, ZWRITEENABLE,
//                 ZFUNC; ANTIALIASEDLINEENABLE.
//   Not drawn     alpha test, stencil, scissor, colour write mask, fill modes other than solid, vertex fog,
//                 texture transforms, mip filtering, shaders (only null may be set).
#pragma once

#include <memory>
#include <vector>

#include "platform/soft/device_state.h"
#include "platform/soft/primitive_assembly.h"
#include "platform/soft/soft_present.h"
#include "platform/soft/soft_sinks.h"

namespace soft {

struct DeviceSettings {
    int windowWidth = 800;
    int windowHeight = 500;
    PresentSink* presentSink = nullptr;
    RasterSink* rasterSink = nullptr;  // null: the device's own RasterStageSink
    RasterSettings raster;
};

class SoftDevice final : public device::RefCounted<device::IDirect3DDevice9> {
public:
    // Validates the presentation parameters and fills in the back-buffer size and format they leave open.
    static device::HRESULT create(const DeviceSettings& settings, device::D3DPRESENT_PARAMETERS* parameters,
                                  SoftDevice** device);

    void simulateLoss();
    void simulateRestore();

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
                                              device::D3DMULTISAMPLE_TYPE multiSample,
                                              device::DWORD multisampleQuality, device::BOOL discard,
                                              device::IDirect3DSurface9** surface,
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

private:
    enum class Cooperation { Ready, Lost, NotReset };

    explicit SoftDevice(const DeviceSettings& settings);

    device::HRESULT createSwapChain(device::D3DPRESENT_PARAMETERS* parameters);
    device::HRESULT resolveParameters(device::D3DPRESENT_PARAMETERS& parameters) const;
    bool outstandingReferences() const;
    void clearColor(const device::D3DRECT& area, device::D3DCOLOR color);
    void clearDepth(const device::D3DRECT& area, float z);
    device::HRESULT draw(DrawRequest request, const UserStream* userStream);

    DeviceSettings settings_;
    std::shared_ptr<ResourceTracker> tracker_ = std::make_shared<ResourceTracker>();
    device::D3DPRESENT_PARAMETERS parameters_{};
    device::DeviceRef<SoftSurface> backBuffer_;
    device::DeviceRef<SoftSurface> autoDepthStencil_;
    DeviceState state_;
    RasterStageSink rasterStage_;
    DrawPipeline pipeline_;
    GammaTable gamma_;
    std::vector<std::uint32_t> presentImage_;
    Cooperation cooperation_ = Cooperation::Ready;
    bool inScene_ = false;
};

}  // namespace soft
