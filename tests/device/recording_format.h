// Text forms of Direct3D 9 arguments for the recording backend's call log.
#pragma once

#include <string>
#include <type_traits>

#include "device/d3d9_types.h"

namespace recording {

std::string hex(device::DWORD value);         // 0x3
std::string colorText(device::D3DCOLOR value);  // 0xFFFFFF00
std::string resultName(device::HRESULT hr);    // E_FAIL, D3DERR_DEVICELOST, or hex
std::string formatName(device::D3DFORMAT format);
std::string poolName(device::D3DPOOL pool);
std::string quoted(const char* text);

std::string toText(const device::D3DPRESENT_PARAMETERS& parameters, const std::string& windowName);
std::string toText(const device::D3DVIEWPORT9& viewport);
std::string toText(const device::D3DMATRIX& matrix);
std::string toText(const device::D3DVERTEXELEMENT9* elements, int count);
std::string toText(const device::D3DCOLORVALUE& color);
std::string toText(const device::D3DMATERIAL9& material);
std::string toText(const device::D3DLIGHT9& light);
std::string toText(const device::RECT* rect);

inline std::string toText(const std::string& text) { return text; }
inline std::string toText(const char* text) { return text; }
std::string toText(float value);  // shortest text that reads back to the same float
inline std::string toText(device::INT value) { return std::to_string(value); }
inline std::string toText(device::UINT value) { return std::to_string(value); }
inline std::string toText(device::D3DFORMAT format) { return formatName(format); }
inline std::string toText(device::D3DPOOL pool) { return poolName(pool); }
template <class Enum>
    requires std::is_enum_v<Enum>
std::string toText(Enum value) {
    return std::to_string(static_cast<std::underlying_type_t<Enum>>(value));
}

// The arguments of one call, comma separated.
template <class... Values>
std::string args(const Values&... values) {
    std::string text;
    bool first = true;
    auto append = [&](const std::string& part) {
        text += first ? part : ", " + part;
        first = false;
    };
    (append(toText(values)), ...);
    return text;
}

}  // namespace recording
