// Direct3D 9 default state of the software device.
#include "platform/soft/device_state.h"

#include "platform/soft/soft_math.h"

namespace soft {

using namespace device;

namespace {

constexpr DWORD kFloatOne = 0x3F800000;  // bits of 1.0f
constexpr DWORD kFloat64 = 0x42800000;   // bits of 64.0f
constexpr DWORD kAllBits = 0xFFFFFFFF;

struct StateDefault {
    DWORD state;
    DWORD value;
};

// Render states whose default is not zero, by published number (several are outside the subset named in
// d3d9_types.h but are kept so that a read-back of any state gives Direct3D's value).
constexpr StateDefault kRenderStateDefaults[] = {
    {D3DRS_FILLMODE, D3DFILL_SOLID},        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_ZWRITEENABLE, TRUE},             {D3DRS_LASTPIXEL, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},         {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},          {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},       {D3DRS_FOGEND, kFloatOne},
    {D3DRS_FOGDENSITY, kFloatOne},          {53, 1} /* STENCILFAIL KEEP */,
    {54, 1} /* STENCILZFAIL KEEP */,        {55, 1} /* STENCILPASS KEEP */,
    {56, D3DCMP_ALWAYS} /* STENCILFUNC */,  {58, kAllBits} /* STENCILMASK */,
    {59, kAllBits} /* STENCILWRITEMASK */,  {D3DRS_TEXTUREFACTOR, kAllBits},
    {D3DRS_CLIPPING, TRUE},                 {D3DRS_LIGHTING, TRUE},
    {D3DRS_COLORVERTEX, TRUE},              {D3DRS_LOCALVIEWER, TRUE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1}, {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {154, kFloatOne} /* POINTSIZE */,       {155, kFloatOne} /* POINTSIZE_MIN */,
    {158, kFloatOne} /* POINTSCALE_A */,    {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
    {162, kAllBits} /* MULTISAMPLEMASK */,  {166, kFloat64} /* POINTSIZE_MAX */,
    {D3DRS_COLORWRITEENABLE, 0xF},          {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {172, 3} /* POSITIONDEGREE CUBIC */,    {173, 1} /* NORMALDEGREE LINEAR */,
    {178, kFloatOne} /* MINTESSELLATIONLEVEL */, {179, kFloatOne} /* MAXTESSELLATIONLEVEL */,
    {182, kFloatOne} /* ADAPTIVETESS_Z */,  {186, 1} /* CCW_STENCILFAIL KEEP */,
    {187, 1} /* CCW_STENCILZFAIL KEEP */,   {188, 1} /* CCW_STENCILPASS KEEP */,
    {189, D3DCMP_ALWAYS} /* CCW_STENCILFUNC */, {190, 0xF} /* COLORWRITEENABLE1 */,
    {191, 0xF} /* COLORWRITEENABLE2 */,     {192, 0xF} /* COLORWRITEENABLE3 */,
    {193, kAllBits} /* BLENDFACTOR */,      {207, D3DBLEND_ONE} /* SRCBLENDALPHA */,
    {208, D3DBLEND_ZERO} /* DESTBLENDALPHA */, {209, D3DBLENDOP_ADD} /* BLENDOPALPHA */,
};

void resetStageStates(DeviceState& state) {
    for (std::size_t stage = 0; stage < kTextureStages; ++stage) {
        auto& s = state.stageStates[stage];
        s.fill(0);
        // Only stage 0 combines by default: texture times diffuse, texture alpha.
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(stage);
        s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
}

void resetSamplerStates(DeviceState& state) {
    for (auto& s : state.samplerStates) {
        s.fill(0);
        s[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        s[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        s[10] = 1;  // MAXANISOTROPY
    }
}

}  // namespace

void resetToDefaults(DeviceState& state, bool autoDepthStencil) {
    state.renderStates.fill(0);
    for (const StateDefault& d : kRenderStateDefaults) state.renderStates[d.state] = d.value;
    state.renderStates[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    resetStageStates(state);
    resetSamplerStates(state);

    state.world = identityMatrix();
    state.view = identityMatrix();
    state.projection = identityMatrix();
    state.material = {};
    state.lights.clear();

    for (auto& texture : state.textures) texture.reset();
    for (auto& stream : state.streams) stream = {};
    state.indices.reset();
    state.declaration.reset();
}

D3DVIEWPORT9 fullViewport(const SoftSurface& surface) {
    return {0, 0, static_cast<DWORD>(surface.width()), static_cast<DWORD>(surface.height()), 0.0f, 1.0f};
}

}  // namespace soft
