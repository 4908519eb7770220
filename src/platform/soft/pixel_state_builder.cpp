// Pixel-pipeline state and render target of a draw.
#include "platform/soft/pixel_state_builder.h"

#include <algorithm>

namespace soft {

using namespace device;

namespace {

StageState stageFrom(const DeviceState& state, int stage) {
    StageState s;
    s.colorOp = static_cast<D3DTEXTUREOP>(state.stageState(stage, D3DTSS_COLOROP));
    s.colorArg1 = state.stageState(stage, D3DTSS_COLORARG1);
    s.colorArg2 = state.stageState(stage, D3DTSS_COLORARG2);
    s.alphaOp = static_cast<D3DTEXTUREOP>(state.stageState(stage, D3DTSS_ALPHAOP));
    s.alphaArg1 = state.stageState(stage, D3DTSS_ALPHAARG1);
    s.alphaArg2 = state.stageState(stage, D3DTSS_ALPHAARG2);
    return s;
}

// Fixed-function stage i samples sampler i; only level 0 is read (no mip filtering).
SamplerState samplerFrom(const DeviceState& state, int sampler) {
    SamplerState s;
    if (const SoftTexture* texture = state.textures[static_cast<std::size_t>(sampler)].get()) {
        const SoftTexture::Level& level = texture->level(0);
        s.texture = {level.texels.data(), level.width, level.height, level.width};
    }
    s.magFilter = static_cast<D3DTEXTUREFILTERTYPE>(state.samplerState(sampler, D3DSAMP_MAGFILTER));
    s.minFilter = static_cast<D3DTEXTUREFILTERTYPE>(state.samplerState(sampler, D3DSAMP_MINFILTER));
    s.addressU = static_cast<D3DTEXTUREADDRESS>(state.samplerState(sampler, D3DSAMP_ADDRESSU));
    s.addressV = static_cast<D3DTEXTUREADDRESS>(state.samplerState(sampler, D3DSAMP_ADDRESSV));
    return s;
}

// Pixel fog uses eye depth (w) unless the projection is affine: a fourth column of (0, 0, 0, 1) leaves
// w at 1 and only z carries depth.
bool projectionGivesEyeW(const D3DMATRIX& p) {
    return !(p._14 == 0.0f && p._24 == 0.0f && p._34 == 0.0f && p._44 == 1.0f);
}

}  // namespace

PixelState buildPixelState(const DeviceState& state) {
    PixelState p;
    for (int i = 0; i < kStageCount; ++i) {
        p.stages[i] = stageFrom(state, i);
        p.samplers[i] = samplerFrom(state, i);
    }
    p.textureFactor = state.renderState(D3DRS_TEXTUREFACTOR);
    p.specularEnable = state.renderFlag(D3DRS_SPECULARENABLE);
    p.fogEnable = state.renderFlag(D3DRS_FOGENABLE);
    p.fogTableMode = static_cast<D3DFOGMODE>(state.renderState(D3DRS_FOGTABLEMODE));
    p.fogColor = state.renderState(D3DRS_FOGCOLOR);
    p.fogStart = state.renderStateFloat(D3DRS_FOGSTART);
    p.fogEnd = state.renderStateFloat(D3DRS_FOGEND);
    p.fogDensity = state.renderStateFloat(D3DRS_FOGDENSITY);
    p.fogFromW = projectionGivesEyeW(state.projection);
    p.alphaBlendEnable = state.renderFlag(D3DRS_ALPHABLENDENABLE);
    p.srcBlend = static_cast<D3DBLEND>(state.renderState(D3DRS_SRCBLEND));
    p.destBlend = static_cast<D3DBLEND>(state.renderState(D3DRS_DESTBLEND));
    p.zEnable = state.renderFlag(D3DRS_ZENABLE) ? D3DZB_TRUE : D3DZB_FALSE;
    p.zWriteEnable = state.renderFlag(D3DRS_ZWRITEENABLE);
    p.zFunc = static_cast<D3DCMPFUNC>(state.renderState(D3DRS_ZFUNC));
    p.antialiasedLines = state.renderFlag(D3DRS_ANTIALIASEDLINEENABLE);
    return p;
}

bool buildRenderTarget(DeviceState& state, RenderTarget& target, DepthSurface& depth) {
    SoftSurface* color = state.renderTarget.get();
    if (!color) return false;
    target = {};
    target.color = {color->words(), color->width(), color->height(), color->width()};
    const D3DVIEWPORT9& vp = state.viewport;
    target.x0 = static_cast<int>(std::min<DWORD>(vp.X, static_cast<DWORD>(color->width())));
    target.y0 = static_cast<int>(std::min<DWORD>(vp.Y, static_cast<DWORD>(color->height())));
    target.x1 = static_cast<int>(std::min<std::uint64_t>(std::uint64_t{vp.X} + vp.Width, color->width()));
    target.y1 = static_cast<int>(std::min<std::uint64_t>(std::uint64_t{vp.Y} + vp.Height, color->height()));
    // Without depth testing the depth buffer is neither read nor written, so it is not handed on at all.
    SoftSurface* depthSurface = state.depthStencil.get();
    if (depthSurface && state.renderFlag(D3DRS_ZENABLE)) {
        depth = {depthSurface->words(), depthSurface->width(), depthSurface->height(), depthSurface->width()};
        target.depth = &depth;
        target.x1 = std::min(target.x1, depth.width);
        target.y1 = std::min(target.y1, depth.height);
    }
    return target.x0 < target.x1 && target.y0 < target.y1;
}

}  // namespace soft
