// Text forms of Direct3D 9 arguments: short, exact and in the order of the structures' fields.
#include "device/recording_format.h"

#include <charconv>
#include <cstdio>

namespace recording {

using namespace device;

std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string colorText(D3DCOLOR value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string resultName(HRESULT hr) {
    switch (hr) {
    case S_OK: return "S_OK";
    case E_FAIL: return "E_FAIL";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case D3DERR_WASSTILLDRAWING: return "D3DERR_WASSTILLDRAWING";
    case D3DERR_OUTOFVIDEOMEMORY: return "D3DERR_OUTOFVIDEOMEMORY";
    case D3DERR_DEVICELOST: return "D3DERR_DEVICELOST";
    case D3DERR_DEVICENOTRESET: return "D3DERR_DEVICENOTRESET";
    case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE";
    case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL";
    default: return hex(static_cast<DWORD>(hr));
    }
}

std::string formatName(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_UNKNOWN: return "UNKNOWN";
    case D3DFMT_A8R8G8B8: return "A8R8G8B8";
    case D3DFMT_X8R8G8B8: return "X8R8G8B8";
    case D3DFMT_D24S8: return "D24S8";
    case D3DFMT_D24X8: return "D24X8";
    case D3DFMT_D16: return "D16";
    case D3DFMT_INDEX16: return "INDEX16";
    case D3DFMT_INDEX32: return "INDEX32";
    }
    return "format" + std::to_string(static_cast<UINT>(format));
}

std::string poolName(D3DPOOL pool) {
    switch (pool) {
    case D3DPOOL_DEFAULT: return "DEFAULT";
    case D3DPOOL_MANAGED: return "MANAGED";
    case D3DPOOL_SYSTEMMEM: return "SYSTEMMEM";
    case D3DPOOL_SCRATCH: return "SCRATCH";
    }
    return "pool" + std::to_string(static_cast<UINT>(pool));
}

std::string quoted(const char* text) { return text == nullptr ? "null" : "\"" + std::string(text) + "\""; }

std::string toText(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string toText(const D3DPRESENT_PARAMETERS& p, const std::string& windowName) {
    return "{" + args(p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat, p.BackBufferCount,
                      p.MultiSampleType, p.MultiSampleQuality, p.SwapEffect, windowName, p.Windowed,
                      p.EnableAutoDepthStencil, p.AutoDepthStencilFormat, hex(p.Flags),
                      p.FullScreen_RefreshRateInHz, hex(p.PresentationInterval)) +
           "}";
}

std::string toText(const D3DVIEWPORT9& v) {
    return "{" + args(v.X, v.Y, v.Width, v.Height, v.MinZ, v.MaxZ) + "}";
}

std::string toText(const D3DMATRIX& m) {
    return "[" + args(m._11, m._12, m._13, m._14) + " | " + args(m._21, m._22, m._23, m._24) + " | " +
           args(m._31, m._32, m._33, m._34) + " | " + args(m._41, m._42, m._43, m._44) + "]";
}

std::string toText(const D3DVERTEXELEMENT9* elements, int count) {
    std::string text = "[";
    for (int i = 0; i < count; ++i) {
        const D3DVERTEXELEMENT9& e = elements[i];
        text += (i == 0 ? "{" : " {") +
                args(e.Stream, e.Offset, UINT{e.Type}, UINT{e.Method}, UINT{e.Usage}, UINT{e.UsageIndex}) + "}";
    }
    return text + "]";
}

std::string toText(const D3DCOLORVALUE& c) { return "(" + args(c.r, c.g, c.b, c.a) + ")"; }

std::string toText(const D3DMATERIAL9& m) {
    return "{diffuse " + toText(m.Diffuse) + ", ambient " + toText(m.Ambient) + ", specular " +
           toText(m.Specular) + ", emissive " + toText(m.Emissive) + ", power " + toText(m.Power) + "}";
}

std::string toText(const D3DLIGHT9& l) {
    return "{type " + toText(l.Type) + ", diffuse " + toText(l.Diffuse) + ", specular " + toText(l.Specular) +
           ", ambient " + toText(l.Ambient) + ", position (" + args(l.Position.x, l.Position.y, l.Position.z) +
           "), direction (" + args(l.Direction.x, l.Direction.y, l.Direction.z) + "), range " +
           toText(l.Range) + ", falloff " + toText(l.Falloff) + ", attenuation (" +
           args(l.Attenuation0, l.Attenuation1, l.Attenuation2) + "), theta " + toText(l.Theta) + ", phi " +
           toText(l.Phi) + "}";
}

std::string toText(const RECT* rect) {
    if (rect == nullptr) {
        return "null";
    }
    return "{" + args(rect->left, rect->top, rect->right, rect->bottom) + "}";
}

}  // namespace recording
