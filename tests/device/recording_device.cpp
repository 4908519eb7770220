// The recording Direct3D object and device: each method logs, applies its scripted result, checks its
// arguments as Direct3D 9 would, and keeps the state it sets.
#include "device/recording_device.h"

#include <cstring>

#include "device/recording_format.h"

namespace recording {

using namespace device;

namespace {

// Direct3D refuses a declaration without an end marker; this bounds the search for it.
constexpr int kMaxDeclarationElements = 64;

std::string transformName(D3DTRANSFORMSTATETYPE state) {
    switch (state) {
    case D3DTS_VIEW: return "VIEW";
    case D3DTS_PROJECTION: return "PROJECTION";
    case D3DTS_WORLD: return "WORLD";
    default: break;
    }
    if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8) {
        return "TEXTURE" + std::to_string(state - D3DTS_TEXTURE0);
    }
    return std::to_string(static_cast<UINT>(state));
}

UINT verticesOf(D3DPRIMITIVETYPE type, UINT primitiveCount) {
    if (primitiveCount == 0) {
        return 0;
    }
    switch (type) {
    case D3DPT_POINTLIST: return primitiveCount;
    case D3DPT_LINELIST: return primitiveCount * 2;
    case D3DPT_LINESTRIP: return primitiveCount + 1;
    case D3DPT_TRIANGLELIST: return primitiveCount * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitiveCount + 2;
    }
    return 0;
}

std::string rectsText(DWORD count, const D3DRECT* rects) {
    if (rects == nullptr) {
        return "null";
    }
    std::string text = "[";
    for (DWORD i = 0; i < count; ++i) {
        text += (i == 0 ? "{" : " {") + args(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2) + "}";
    }
    return text + "]";
}

template <class Object>
HRESULT noObject(HRESULT hr, Object** out) {
    if (out != nullptr) {
        *out = nullptr;
    }
    return hr;
}

}  // namespace

template <class Object>
HRESULT RecordingDevice::refuse(HRESULT hr, Object** out) {
    return noObject(failed(hr) ? hr : invalidCall(), out);
}

template <class Object, class Created>
HRESULT RecordingDevice::deliver(Created* created, D3DPOOL pool, Object** out) {
    if (pool == D3DPOOL_DEFAULT) {
        defaultPool_.push_back(created);
    }
    backend_.lastCall().result = created->name();
    *out = created;
    return S_OK;
}

HRESULT RecordingDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                        D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** out) {
    const std::string parametersText =
        parameters == nullptr ? "null" : toText(*parameters, backend_.windowName(parameters->hDeviceWindow));
    const HRESULT hr = call("CreateDevice", args(adapter, deviceType, backend_.windowName(focusWindow),
                                                 hex(behaviorFlags), parametersText));
    if (parameters != nullptr) {
        backend_.createDeviceParameters.push_back(*parameters);
    }
    if (failed(hr)) {
        return noObject(hr, out);
    }
    if (parameters == nullptr || out == nullptr) {
        return noObject(invalidCall(), out);
    }
    RecordingDevice* created = backend_.make<RecordingDevice>("device", *parameters);
    backend_.deviceCreated(created);
    backend_.lastCall().result = created->name();
    *out = created;
    return hr;
}

RecordingDevice::RecordingDevice(Backend& backend, std::string name, const D3DPRESENT_PARAMETERS& parameters)
    : Recorded(backend, std::move(name), 1), createParameters(parameters), viewport(fullViewport(parameters)) {
    const D3DFORMAT format = parameters.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8
                                                                           : parameters.BackBufferFormat;
    const D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                               D3DMULTISAMPLE_NONE, 0, viewport.Width, viewport.Height};
    backBuffer = backend.make<RecordingSurface>("backbuffer", desc, true);
    renderTarget = backBuffer;
    defaultPool_.push_back(backBuffer);
}

D3DVIEWPORT9 RecordingDevice::fullViewport(const D3DPRESENT_PARAMETERS& parameters) const {
    const bool windowSize = parameters.Windowed != FALSE;
    const UINT width = windowSize && parameters.BackBufferWidth == 0 ? backend_.windowWidth : parameters.BackBufferWidth;
    const UINT height =
        windowSize && parameters.BackBufferHeight == 0 ? backend_.windowHeight : parameters.BackBufferHeight;
    return {0, 0, width, height, 0.0f, 1.0f};
}

HRESULT RecordingDevice::TestCooperativeLevel() { return call("TestCooperativeLevel"); }

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* caps) {
    const HRESULT hr = call("GetDeviceCaps");
    if (succeeded(hr) && caps != nullptr) {
        *caps = backend_.caps;
    }
    return hr;
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* parameters) {
    const HRESULT hr = call("Reset", parameters == nullptr ? "null"
                                                         : toText(*parameters, backend_.windowName(parameters->hDeviceWindow)));
    if (parameters != nullptr) {
        resetParameters.push_back(*parameters);
    }
    if (failed(hr)) {
        return hr;
    }
    // Direct3D refuses to reset while the caller holds the back buffer or a default-pool surface.
    bool held = false;
    for (const RecordedObject* object : defaultPool_) {
        if (object->references() > 0) {
            backend_.violation("Reset while " + object->name() + " is still held");
            held = true;
        }
    }
    if (held || parameters == nullptr) {
        return invalidCall();
    }
    viewport = fullViewport(*parameters);
    backBuffer->desc.Width = viewport.Width;
    backBuffer->desc.Height = viewport.Height;
    renderTarget = backBuffer;
    depthStencil = nullptr;
    renderStates.clear();
    transforms.clear();
    textureStageStates.clear();
    samplerStates.clear();
    textures.clear();
    streams.clear();
    indices = nullptr;
    declaration = nullptr;
    material.reset();
    lights.clear();
    lightEnabled.clear();
    return hr;
}

HRESULT RecordingDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                                 const RGNDATA* dirtyRegion) {
    return call("Present", args(toText(sourceRect), toText(destRect), backend_.windowName(destWindowOverride),
                                dirtyRegion ? "region" : "null"));
}

void RecordingDevice::SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) {
    note("SetGammaRamp", args(swapChain, hex(flags), ramp ? "ramp" : "null"));
    if (ramp != nullptr) {
        gammaRamp = *ramp;
    }
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* /*sharedHandle*/) {
    const HRESULT hr = call("CreateTexture", args(width, height, levels, hex(usage), format, pool));
    if (failed(hr) || texture == nullptr || width == 0 || height == 0) {
        return refuse(hr, texture);
    }
    auto* created = backend_.make<RecordingTexture>("texture", width, height, levels, usage, format, pool);
    return deliver(created, pool, texture);
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** vertexBuffer, HANDLE* /*sharedHandle*/) {
    const HRESULT hr = call("CreateVertexBuffer", args(length, hex(usage), hex(fvf), pool));
    if (failed(hr) || vertexBuffer == nullptr || length == 0) {
        return refuse(hr, vertexBuffer);
    }
    auto* created = backend_.make<RecordingVertexBuffer>("vb", length, usage, fvf, pool);
    return deliver(created, pool, vertexBuffer);
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** indexBuffer, HANDLE* /*sharedHandle*/) {
    const HRESULT hr = call("CreateIndexBuffer", args(length, hex(usage), format, pool));
    if (failed(hr) || indexBuffer == nullptr || length == 0) {
        return refuse(hr, indexBuffer);
    }
    auto* created = backend_.make<RecordingIndexBuffer>("ib", length, usage, static_cast<DWORD>(format), pool);
    return deliver(created, pool, indexBuffer);
}

HRESULT RecordingDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                   D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality,
                                                   BOOL discard, IDirect3DSurface9** surface,
                                                   HANDLE* /*sharedHandle*/) {
    const HRESULT hr = call("CreateDepthStencilSurface",
                            args(width, height, format, multiSample, multisampleQuality, discard));
    if (failed(hr) || surface == nullptr || width == 0 || height == 0) {
        return refuse(hr, surface);
    }
    const D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                               multiSample, multisampleQuality, width, height};
    auto* created = backend_.make<RecordingSurface>("depth", desc, false);
    created->discard = discard != FALSE;
    return deliver(created, D3DPOOL_DEFAULT, surface);
}

HRESULT RecordingDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                     IDirect3DSurface9** surface, HANDLE* /*sharedHandle*/) {
    const HRESULT hr = call("CreateOffscreenPlainSurface", args(width, height, format, pool));
    if (failed(hr) || surface == nullptr || width == 0 || height == 0) {
        return refuse(hr, surface);
    }
    const D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
    auto* created = backend_.make<RecordingSurface>("surface", desc, false);
    return deliver(created, pool, surface);
}

HRESULT RecordingDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                                 IDirect3DVertexDeclaration9** declarationOut) {
    int count = 0;
    if (vertexElements != nullptr) {
        while (count < kMaxDeclarationElements && vertexElements[count].Stream != 0xFF) {
            ++count;
        }
    }
    const bool terminated = vertexElements != nullptr && count < kMaxDeclarationElements;
    const HRESULT hr = call("CreateVertexDeclaration",
                            terminated ? toText(vertexElements, count + 1) : std::string("unterminated"));
    if (failed(hr) || !terminated || declarationOut == nullptr) {
        return refuse(hr, declarationOut);
    }
    std::vector<D3DVERTEXELEMENT9> elements(vertexElements, vertexElements + count + 1);
    return deliver(backend_.make<RecordingDeclaration>("decl", std::move(elements)), D3DPOOL_MANAGED,
                   declarationOut);
}

HRESULT RecordingDevice::SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* target) {
    const HRESULT hr = call("SetRenderTarget", args(renderTargetIndex, backend_.argument(target)));
    if (failed(hr)) {
        return hr;
    }
    // Render target 0 can be replaced but never removed.
    if (renderTargetIndex != 0 || target == nullptr) {
        return invalidCall();
    }
    renderTarget = target;
    return hr;
}

HRESULT RecordingDevice::GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** target) {
    const HRESULT hr = call("GetRenderTarget", args(renderTargetIndex));
    if (failed(hr)) {
        return noObject(hr, target);
    }
    RecordedObject* recorded = backend_.find(renderTarget);
    if (renderTargetIndex != 0 || target == nullptr || recorded == nullptr) {
        return refuse(hr, target);
    }
    recorded->handOut();
    backend_.lastCall().result = recorded->name();
    *target = renderTarget;
    return hr;
}

HRESULT RecordingDevice::SetDepthStencilSurface(IDirect3DSurface9* newZStencil) {
    const HRESULT hr = call("SetDepthStencilSurface", backend_.argument(newZStencil));
    if (succeeded(hr)) {
        depthStencil = newZStencil;
    }
    return hr;
}

HRESULT RecordingDevice::GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* destSurface) {
    const HRESULT hr = call("GetRenderTargetData", args(backend_.argument(target), backend_.argument(destSurface)));
    auto* source = backend_.find<RecordingSurface>(target);
    auto* destination = backend_.find<RecordingSurface>(destSurface);
    if (failed(hr) || source == nullptr || destination == nullptr) {
        return hr;
    }
    if (source->desc.Width != destination->desc.Width || source->desc.Height != destination->desc.Height) {
        return invalidCall();
    }
    source->pixels.resize(static_cast<std::size_t>(source->desc.Width) * source->desc.Height);
    destination->pixels = source->pixels;
    return hr;
}

HRESULT RecordingDevice::BeginScene() {
    const HRESULT hr = call("BeginScene");
    if (succeeded(hr) && inScene) {
        return invalidCall();
    }
    inScene = inScene || succeeded(hr);
    return hr;
}

HRESULT RecordingDevice::EndScene() {
    const HRESULT hr = call("EndScene");
    if (succeeded(hr) && !inScene) {
        return invalidCall();
    }
    inScene = inScene && failed(hr);
    return hr;
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                               DWORD stencil) {
    return call("Clear", args(count, rectsText(count, rects), hex(flags), colorText(color), z, stencil));
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT9* newViewport) {
    const HRESULT hr = call("SetViewport", newViewport == nullptr ? "null" : toText(*newViewport));
    if (newViewport == nullptr) {
        return invalidCall();
    }
    if (succeeded(hr)) {
        viewport = *newViewport;
    }
    return hr;
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT9* out) {
    const HRESULT hr = call("GetViewport");
    if (succeeded(hr) && out != nullptr) {
        *out = viewport;
    }
    return out == nullptr && succeeded(hr) ? invalidCall() : hr;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    const HRESULT hr = call("SetTransform", args(transformName(state), matrix ? toText(*matrix) : "null"));
    if (succeeded(hr) && matrix != nullptr) {
        transforms[state] = *matrix;
    }
    return hr;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* newMaterial) {
    const HRESULT hr = call("SetMaterial", newMaterial ? toText(*newMaterial) : "null");
    if (succeeded(hr) && newMaterial != nullptr) {
        material = *newMaterial;
    }
    return hr;
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    const HRESULT hr = call("SetLight", args(index, light ? toText(*light) : "null"));
    if (succeeded(hr) && light != nullptr) {
        lights[index] = *light;
    }
    return hr;
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
    const HRESULT hr = call("LightEnable", args(index, enable));
    if (succeeded(hr)) {
        lightEnabled[index] = enable != FALSE;
    }
    return hr;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    const HRESULT hr = call("SetRenderState", args(state, hex(value)));
    if (succeeded(hr)) {
        renderStates[state] = value;
    }
    return hr;
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    const HRESULT hr = call("SetTexture", args(stage, backend_.argument(texture)));
    if (succeeded(hr)) {
        textures[stage] = texture;
    }
    return hr;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    const HRESULT hr = call("SetTextureStageState", args(stage, type, hex(value)));
    if (succeeded(hr)) {
        textureStageStates[{stage, type}] = value;
    }
    return hr;
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    const HRESULT hr = call("SetSamplerState", args(sampler, type, hex(value)));
    if (succeeded(hr)) {
        samplerStates[{sampler, type}] = value;
    }
    return hr;
}

HRESULT RecordingDevice::SetVertexShader(IDirect3DVertexShader9* shader) {
    return call("SetVertexShader", backend_.argument(shader));
}

HRESULT RecordingDevice::SetPixelShader(IDirect3DPixelShader9* shader) {
    return call("SetPixelShader", backend_.argument(shader));
}

HRESULT RecordingDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* newDeclaration) {
    const HRESULT hr = call("SetVertexDeclaration", backend_.argument(newDeclaration));
    if (succeeded(hr)) {
        declaration = newDeclaration;
    }
    return hr;
}

HRESULT RecordingDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                         UINT stride) {
    const HRESULT hr = call("SetStreamSource", args(streamNumber, backend_.argument(streamData), offsetInBytes, stride));
    if (succeeded(hr)) {
        streams[streamNumber] = {streamData, offsetInBytes, stride};
    }
    return hr;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* indexData) {
    const HRESULT hr = call("SetIndices", backend_.argument(indexData));
    if (succeeded(hr)) {
        indices = indexData;
    }
    return hr;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
    return call("DrawPrimitive", args(primitiveType, startVertex, primitiveCount));
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                              UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                              UINT primitiveCount) {
    return call("DrawIndexedPrimitive",
                args(primitiveType, baseVertexIndex, minVertexIndex, numVertices, startIndex, primitiveCount));
}

HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                         const void* vertexStreamZeroData, UINT vertexStreamZeroStride) {
    const HRESULT hr = call("DrawPrimitiveUP", args(primitiveType, primitiveCount,
                                                    vertexStreamZeroData ? "data" : "null", vertexStreamZeroStride));
    if (failed(hr)) {
        return hr;
    }
    if (vertexStreamZeroData == nullptr && primitiveCount > 0) {
        return invalidCall();
    }
    const std::size_t bytes = std::size_t{verticesOf(primitiveType, primitiveCount)} * vertexStreamZeroStride;
    UserPrimitive primitive{primitiveType, primitiveCount, vertexStreamZeroStride, std::vector<std::byte>(bytes)};
    if (bytes > 0) {
        std::memcpy(primitive.vertices.data(), vertexStreamZeroData, bytes);
    }
    userPrimitives.push_back(std::move(primitive));
    return hr;
}

}  // namespace recording
