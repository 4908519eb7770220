// The software device's state setters: viewport, transforms, material, lights, render, stage and sampler
// states, and the bound textures, declaration, streams and indices.
#include "platform/soft/soft_device.h"

namespace soft {

using namespace device;

HRESULT SoftDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    const D3DVIEWPORT9& v = *viewport;
    if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f)) return D3DERR_INVALIDCALL;
    if (const SoftSurface* target = state_.renderTarget.get()) {
        if (std::uint64_t{v.X} + v.Width > static_cast<std::uint64_t>(target->width()) ||
            std::uint64_t{v.Y} + v.Height > static_cast<std::uint64_t>(target->height())) {
            return D3DERR_INVALIDCALL;
        }
    }
    state_.viewport = v;
    return S_OK;
}

HRESULT SoftDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state_.viewport;
    return S_OK;
}

// Texture transforms and the extra world matrices of vertex blending are accepted and not used.
HRESULT SoftDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (type) {
        case D3DTS_WORLD: state_.world = *matrix; return S_OK;
        case D3DTS_VIEW: state_.view = *matrix; return S_OK;
        case D3DTS_PROJECTION: state_.projection = *matrix; return S_OK;
        default: break;
    }
    const bool texture = type >= D3DTS_TEXTURE0 && type < D3DTS_TEXTURE0 + 8;
    const bool blendWorld = type > D3DTS_WORLD && type < D3DTS_WORLD + 256;
    return texture || blendWorld ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT SoftDevice::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    state_.material = *material;
    return S_OK;
}

// Refuses what Direct3D refuses: an unknown type, a negative or NaN range, negative attenuation.
HRESULT SoftDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL) {
        if (!(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
        if (light->Attenuation0 < 0.0f || light->Attenuation1 < 0.0f || light->Attenuation2 < 0.0f) {
            return D3DERR_INVALIDCALL;
        }
    }
    state_.lights[index].light = *light;
    return S_OK;
}

// Enabling an index that was never set creates Direct3D's default light: white diffuse, directional,
// pointing along +z.
HRESULT SoftDevice::LightEnable(DWORD index, BOOL enable) {
    auto found = state_.lights.find(index);
    if (found == state_.lights.end()) {
        if (!enable) return S_OK;
        LightSlot slot;
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        slot.light.Direction = {0.0f, 0.0f, 1.0f};
        found = state_.lights.emplace(index, slot).first;
    }
    found->second.enabled = enable != FALSE;
    return S_OK;
}

HRESULT SoftDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= kRenderStateCount) return D3DERR_INVALIDCALL;
    state_.renderStates[state] = value;
    return S_OK;
}

// System-memory and scratch textures cannot be sampled, as in Direct3D.
HRESULT SoftDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (stage >= kSamplers) return D3DERR_INVALIDCALL;
    SoftTexture* soft = dynamic_cast<SoftTexture*>(texture);
    if (texture && !soft) return D3DERR_INVALIDCALL;
    if (soft && (soft->pool() == D3DPOOL_SYSTEMMEM || soft->pool() == D3DPOOL_SCRATCH)) return D3DERR_INVALIDCALL;
    state_.textures[stage] = DeviceRef<SoftTexture>::share(soft);
    return S_OK;
}

HRESULT SoftDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kTextureStages || type >= kStageStateCount) return D3DERR_INVALIDCALL;
    state_.stageStates[stage][type] = value;
    return S_OK;
}

HRESULT SoftDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= kSamplers || type >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    state_.samplerStates[sampler][type] = value;
    return S_OK;
}

// The device runs the fixed-function pipeline only.
HRESULT SoftDevice::SetVertexShader(IDirect3DVertexShader9* shader) { return shader ? D3DERR_INVALIDCALL : S_OK; }

HRESULT SoftDevice::SetPixelShader(IDirect3DPixelShader9* shader) { return shader ? D3DERR_INVALIDCALL : S_OK; }

HRESULT SoftDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    SoftVertexDeclaration* soft = dynamic_cast<SoftVertexDeclaration*>(declaration);
    if (declaration && !soft) return D3DERR_INVALIDCALL;
    state_.declaration = DeviceRef<SoftVertexDeclaration>::share(soft);
    return S_OK;
}

HRESULT SoftDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                    UINT stride) {
    if (streamNumber >= kMaxStreams || stride > kMaxStreamStride) return D3DERR_INVALIDCALL;
    SoftVertexBuffer* soft = dynamic_cast<SoftVertexBuffer*>(streamData);
    if (streamData && !soft) return D3DERR_INVALIDCALL;
    state_.streams[streamNumber] = {DeviceRef<SoftVertexBuffer>::share(soft), offsetInBytes, stride};
    return S_OK;
}

HRESULT SoftDevice::SetIndices(IDirect3DIndexBuffer9* indexData) {
    SoftIndexBuffer* soft = dynamic_cast<SoftIndexBuffer*>(indexData);
    if (indexData && !soft) return D3DERR_INVALIDCALL;
    state_.indices = DeviceRef<SoftIndexBuffer>::share(soft);
    return S_OK;
}

}  // namespace soft
