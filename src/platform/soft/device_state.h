// Everything a software device draws with: render, texture-stage and sampler states, transforms, material,
// lights and the bound objects. One instance per device; Reset puts it back to Direct3D's defaults.
#pragma once

#include <array>
#include <cstring>
#include <map>

#include "platform/soft/soft_buffers.h"
#include "platform/soft/soft_limits.h"
#include "platform/soft/soft_surface.h"
#include "platform/soft/soft_texture.h"

namespace soft {

struct StreamBinding {
    device::DeviceRef<SoftVertexBuffer> buffer;
    device::UINT offset = 0;
    device::UINT stride = 0;
};

struct LightSlot {
    device::D3DLIGHT9 light{};
    bool enabled = false;
};

struct DeviceState {
    std::array<device::DWORD, kRenderStateCount> renderStates{};
    std::array<std::array<device::DWORD, kStageStateCount>, kTextureStages> stageStates{};
    std::array<std::array<device::DWORD, kSamplerStateCount>, kSamplers> samplerStates{};

    device::D3DMATRIX world{};
    device::D3DMATRIX view{};
    device::D3DMATRIX projection{};
    device::D3DMATERIAL9 material{};
    std::map<device::DWORD, LightSlot> lights;  // by light index; evaluated in index order

    std::array<device::DeviceRef<SoftTexture>, kSamplers> textures;
    std::array<StreamBinding, kMaxStreams> streams;
    device::DeviceRef<SoftIndexBuffer> indices;
    device::DeviceRef<SoftVertexDeclaration> declaration;
    device::DeviceRef<SoftSurface> renderTarget;
    device::DeviceRef<SoftSurface> depthStencil;
    device::D3DVIEWPORT9 viewport{};

    device::DWORD renderState(device::D3DRENDERSTATETYPE state) const { return renderStates[state]; }
    bool renderFlag(device::D3DRENDERSTATETYPE state) const { return renderStates[state] != 0; }
    // States such as D3DRS_FOGSTART carry the bits of a float.
    float renderStateFloat(device::D3DRENDERSTATETYPE state) const {
        float value;
        std::memcpy(&value, &renderStates[state], sizeof value);
        return value;
    }
    device::DWORD stageState(int stage, device::D3DTEXTURESTAGESTATETYPE type) const {
        return stageStates[static_cast<std::size_t>(stage)][type];
    }
    device::DWORD samplerState(int sampler, device::D3DSAMPLERSTATETYPE type) const {
        return samplerStates[static_cast<std::size_t>(sampler)][type];
    }
};

// Direct3D 9's values at device creation and after Reset: every state at its documented default, nothing
// bound, identity transforms, a zero material, no lights. D3DRS_ZENABLE starts TRUE only with an automatic
// depth-stencil surface. The render target, depth-stencil surface and viewport are set by the caller.
void resetToDefaults(DeviceState& state, bool autoDepthStencil);

// The viewport covering a whole surface with depth 0..1 (what Direct3D sets with each new render target).
device::D3DVIEWPORT9 fullViewport(const SoftSurface& surface);

}  // namespace soft
