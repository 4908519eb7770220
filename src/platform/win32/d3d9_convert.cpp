// Field-by-field conversions between the engine's Direct3D 9 structures and the real ones.
#include "platform/win32/d3d9_convert.h"

#include <cstddef>
#include <cstring>

namespace win32 {
namespace {

// Structures copied as raw bytes must agree in size and member placement on both targets.
static_assert(sizeof(device::D3DMATRIX) == sizeof(::D3DMATRIX));
static_assert(sizeof(device::D3DMATERIAL9) == sizeof(::D3DMATERIAL9));
static_assert(offsetof(device::D3DMATERIAL9, Power) == offsetof(::D3DMATERIAL9, Power));
static_assert(sizeof(device::D3DGAMMARAMP) == sizeof(::D3DGAMMARAMP));
static_assert(sizeof(device::D3DCOLORVALUE) == sizeof(::D3DCOLORVALUE));
static_assert(sizeof(device::D3DVECTOR) == sizeof(::D3DVECTOR));

// Structures converted member by member still keep the published layout, which callers may rely on.
static_assert(sizeof(device::RECT) == sizeof(::RECT));
static_assert(sizeof(device::D3DRECT) == sizeof(::D3DRECT));
static_assert(sizeof(device::D3DVIEWPORT9) == sizeof(::D3DVIEWPORT9));
static_assert(sizeof(device::D3DLIGHT9) == sizeof(::D3DLIGHT9));
static_assert(offsetof(device::D3DLIGHT9, Phi) == offsetof(::D3DLIGHT9, Phi));
static_assert(sizeof(device::D3DVERTEXELEMENT9) == sizeof(::D3DVERTEXELEMENT9));
static_assert(sizeof(device::D3DPRESENT_PARAMETERS) == sizeof(::D3DPRESENT_PARAMETERS));
static_assert(offsetof(device::D3DPRESENT_PARAMETERS, PresentationInterval) ==
              offsetof(::D3DPRESENT_PARAMETERS, PresentationInterval));
static_assert(sizeof(device::D3DLOCKED_RECT) == sizeof(::D3DLOCKED_RECT));
static_assert(sizeof(device::D3DSURFACE_DESC) == sizeof(::D3DSURFACE_DESC));
static_assert(sizeof(device::D3DFORMAT) == sizeof(::D3DFORMAT));
static_assert(sizeof(device::HRESULT) == sizeof(::HRESULT));

constexpr device::WORD kEndOfDeclaration = 0xFF;

::D3DCOLORVALUE toD3D(const device::D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }
::D3DVECTOR toD3D(const device::D3DVECTOR& v) { return {v.x, v.y, v.z}; }

}  // namespace

::RECT toD3D(const device::RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

::D3DRECT toD3D(const device::D3DRECT& rect) { return {rect.x1, rect.y1, rect.x2, rect.y2}; }

::D3DMATRIX toD3D(const device::D3DMATRIX& matrix) {
    ::D3DMATRIX result;
    std::memcpy(&result, &matrix, sizeof result);
    return result;
}

::D3DVIEWPORT9 toD3D(const device::D3DVIEWPORT9& viewport) {
    return {viewport.X, viewport.Y, viewport.Width, viewport.Height, viewport.MinZ, viewport.MaxZ};
}

::D3DMATERIAL9 toD3D(const device::D3DMATERIAL9& material) {
    return {toD3D(material.Diffuse), toD3D(material.Ambient), toD3D(material.Specular),
            toD3D(material.Emissive), material.Power};
}

::D3DLIGHT9 toD3D(const device::D3DLIGHT9& light) {
    ::D3DLIGHT9 result{};
    result.Type = toD3DEnum<::D3DLIGHTTYPE>(light.Type);
    result.Diffuse = toD3D(light.Diffuse);
    result.Specular = toD3D(light.Specular);
    result.Ambient = toD3D(light.Ambient);
    result.Position = toD3D(light.Position);
    result.Direction = toD3D(light.Direction);
    result.Range = light.Range;
    result.Falloff = light.Falloff;
    result.Attenuation0 = light.Attenuation0;
    result.Attenuation1 = light.Attenuation1;
    result.Attenuation2 = light.Attenuation2;
    result.Theta = light.Theta;
    result.Phi = light.Phi;
    return result;
}

::D3DGAMMARAMP toD3D(const device::D3DGAMMARAMP& ramp) {
    ::D3DGAMMARAMP result;
    std::memcpy(&result, &ramp, sizeof result);
    return result;
}

::D3DPRESENT_PARAMETERS toD3D(const device::D3DPRESENT_PARAMETERS& p) {
    ::D3DPRESENT_PARAMETERS result{};
    result.BackBufferWidth = p.BackBufferWidth;
    result.BackBufferHeight = p.BackBufferHeight;
    result.BackBufferFormat = toD3DEnum<::D3DFORMAT>(p.BackBufferFormat);
    result.BackBufferCount = p.BackBufferCount;
    result.MultiSampleType = toD3DEnum<::D3DMULTISAMPLE_TYPE>(p.MultiSampleType);
    result.MultiSampleQuality = p.MultiSampleQuality;
    result.SwapEffect = toD3DEnum<::D3DSWAPEFFECT>(p.SwapEffect);
    result.hDeviceWindow = static_cast<::HWND>(p.hDeviceWindow);
    result.Windowed = p.Windowed;
    result.EnableAutoDepthStencil = p.EnableAutoDepthStencil;
    result.AutoDepthStencilFormat = toD3DEnum<::D3DFORMAT>(p.AutoDepthStencilFormat);
    result.Flags = p.Flags;
    result.FullScreen_RefreshRateInHz = p.FullScreen_RefreshRateInHz;
    result.PresentationInterval = p.PresentationInterval;
    return result;
}

device::D3DVIEWPORT9 toDevice(const ::D3DVIEWPORT9& viewport) {
    return {static_cast<device::DWORD>(viewport.X), static_cast<device::DWORD>(viewport.Y),
            static_cast<device::DWORD>(viewport.Width), static_cast<device::DWORD>(viewport.Height),
            viewport.MinZ, viewport.MaxZ};
}

device::D3DPRESENT_PARAMETERS toDevice(const ::D3DPRESENT_PARAMETERS& p) {
    device::D3DPRESENT_PARAMETERS result{};
    result.BackBufferWidth = p.BackBufferWidth;
    result.BackBufferHeight = p.BackBufferHeight;
    result.BackBufferFormat = static_cast<device::D3DFORMAT>(p.BackBufferFormat);
    result.BackBufferCount = p.BackBufferCount;
    result.MultiSampleType = static_cast<device::D3DMULTISAMPLE_TYPE>(p.MultiSampleType);
    result.MultiSampleQuality = static_cast<device::DWORD>(p.MultiSampleQuality);
    result.SwapEffect = static_cast<device::D3DSWAPEFFECT>(p.SwapEffect);
    result.hDeviceWindow = p.hDeviceWindow;
    result.Windowed = p.Windowed;
    result.EnableAutoDepthStencil = p.EnableAutoDepthStencil;
    result.AutoDepthStencilFormat = static_cast<device::D3DFORMAT>(p.AutoDepthStencilFormat);
    result.Flags = static_cast<device::DWORD>(p.Flags);
    result.FullScreen_RefreshRateInHz = p.FullScreen_RefreshRateInHz;
    result.PresentationInterval = p.PresentationInterval;
    return result;
}

device::D3DSURFACE_DESC toDevice(const ::D3DSURFACE_DESC& desc) {
    device::D3DSURFACE_DESC result{};
    result.Format = static_cast<device::D3DFORMAT>(desc.Format);
    result.Type = static_cast<device::D3DRESOURCETYPE>(desc.Type);
    result.Usage = static_cast<device::DWORD>(desc.Usage);
    result.Pool = static_cast<device::D3DPOOL>(desc.Pool);
    result.MultiSampleType = static_cast<device::D3DMULTISAMPLE_TYPE>(desc.MultiSampleType);
    result.MultiSampleQuality = static_cast<device::DWORD>(desc.MultiSampleQuality);
    result.Width = desc.Width;
    result.Height = desc.Height;
    return result;
}

device::D3DLOCKED_RECT toDevice(const ::D3DLOCKED_RECT& locked) { return {locked.Pitch, locked.pBits}; }

device::D3DCAPS9 toDevice(const ::D3DCAPS9& caps) {
    device::D3DCAPS9 result{};
    result.DeviceType = static_cast<device::D3DDEVTYPE>(caps.DeviceType);
    result.AdapterOrdinal = caps.AdapterOrdinal;
    result.MaxTextureWidth = static_cast<device::DWORD>(caps.MaxTextureWidth);
    result.MaxTextureHeight = static_cast<device::DWORD>(caps.MaxTextureHeight);
    result.MaxActiveLights = static_cast<device::DWORD>(caps.MaxActiveLights);
    result.MaxPrimitiveCount = static_cast<device::DWORD>(caps.MaxPrimitiveCount);
    result.MaxVertexIndex = static_cast<device::DWORD>(caps.MaxVertexIndex);
    result.MaxStreams = static_cast<device::DWORD>(caps.MaxStreams);
    result.MaxStreamStride = static_cast<device::DWORD>(caps.MaxStreamStride);
    result.VertexShaderVersion = static_cast<device::DWORD>(caps.VertexShaderVersion);
    result.PixelShaderVersion = static_cast<device::DWORD>(caps.PixelShaderVersion);
    return result;
}

bool toD3D(const device::D3DVERTEXELEMENT9* elements, std::vector<::D3DVERTEXELEMENT9>& out) {
    out.clear();
    if (elements == nullptr) {
        return false;
    }
    for (std::size_t i = 0; i <= MAXD3DDECLLENGTH; ++i) {
        const device::D3DVERTEXELEMENT9& e = elements[i];
        out.push_back({e.Stream, e.Offset, e.Type, e.Method, e.Usage, e.UsageIndex});
        if (e.Stream == kEndOfDeclaration) {
            return true;
        }
    }
    return false;
}

}  // namespace win32
