// applyMaterial.
#include "scene/apply_material.h"

#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "device/texture_binding.h"
#include "texture/texture_upload.h"

namespace scene {

namespace {

using namespace device;

// A texture object whose upload found no device draws as no texture.
IDirect3DTexture9* deviceTexture(const texture::TextureUpload* texture) {
    return texture != nullptr ? texture->texture() : nullptr;
}

void setLightingState(IDirect3DDevice9& device, const Material& material) {
    device.SetRenderState(D3DRS_LIGHTING, material.lighting ? TRUE : FALSE);
    device.SetRenderState(D3DRS_COLORVERTEX, material.lighting ? TRUE : FALSE);
    device.SetMaterial(&material.surface);
    if (!material.lighting) {
        device.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
        return;
    }
    device.SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    device.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    device.SetRenderState(D3DRS_SPECULARENABLE, material.specular ? TRUE : FALSE);
    if (material.specular) {
        device.SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    }
    // Flat for surface mode 0, Gouraud for every smooth mode.
    device.SetRenderState(D3DRS_SHADEMODE, material.surfaceMode == 0 ? D3DSHADE_FLAT : D3DSHADE_GOURAUD);
}

// Stage 1 multiplies its texture into what stage 0 produced.
void bindSecondStage(IDirect3DDevice9& device, IDirect3DTexture9* texture) {
    device.SetTexture(1, texture);
    device.SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device.SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device.SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device.SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device.SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device.SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device.SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    device.SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

void setTextureStages(IDirect3DDevice9& device, const Material& material) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        IDirect3DTexture9* texture = deviceTexture(material.stageTextures[stage]);
        if (texture == nullptr) {
            device.SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
            device.SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        } else if (stage == 0) {
            bindModulatedTexture(device, texture);
        } else {
            bindSecondStage(device, texture);
        }
    }
}

}  // namespace

void applyMaterial(IDirect3DDevice9& device, const Material& material, float) {
    if (material.surfaceMode < 0) {
        return;
    }
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, material.alphaBlend ? TRUE : FALSE);
    device.SetRenderState(D3DRS_ZENABLE, material.depthWrite || material.depthTest ? D3DZB_TRUE : D3DZB_FALSE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, material.depthWrite ? TRUE : FALSE);
    device.SetRenderState(D3DRS_ZFUNC, material.depthTest ? D3DCMP_LESS : D3DCMP_ALWAYS);
    device.SetRenderState(D3DRS_CULLMODE, material.cull ? D3DCULL_CCW : D3DCULL_NONE);
    const D3DMATRIX world = toD3DMatrix(deviceState().sharedWorld);
    device.SetTransform(D3DTS_WORLD, &world);
    setLightingState(device, material);
    setTextureStages(device, material);
}

}  // namespace scene
