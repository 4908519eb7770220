// Conversions between the engine's Direct3D 9 types (namespace device) and the real ones of <d3d9.h>.
// The two sets share names, values and layouts; these helpers move values across without type punning.
#pragma once

// The engine's types first: they must be seen before <windows.h> turns their names into macros.
#include "device/d3d9_types.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <d3d9.h>

#include <vector>

// From here on the Windows headers define many engine names as macros (TRUE, S_OK, D3DERR_*, D3DCLEAR_*,
// D3DDECL_END ...): this code names device:: types only and takes such values from the real headers.
namespace win32 {

inline device::HRESULT toDevice(::HRESULT hr) { return static_cast<device::HRESULT>(hr); }

::RECT toD3D(const device::RECT& rect);
::D3DRECT toD3D(const device::D3DRECT& rect);
::D3DMATRIX toD3D(const device::D3DMATRIX& matrix);
::D3DVIEWPORT9 toD3D(const device::D3DVIEWPORT9& viewport);
::D3DMATERIAL9 toD3D(const device::D3DMATERIAL9& material);
::D3DLIGHT9 toD3D(const device::D3DLIGHT9& light);
::D3DGAMMARAMP toD3D(const device::D3DGAMMARAMP& ramp);
::D3DPRESENT_PARAMETERS toD3D(const device::D3DPRESENT_PARAMETERS& parameters);

device::D3DVIEWPORT9 toDevice(const ::D3DVIEWPORT9& viewport);
device::D3DPRESENT_PARAMETERS toDevice(const ::D3DPRESENT_PARAMETERS& parameters);
device::D3DSURFACE_DESC toDevice(const ::D3DSURFACE_DESC& desc);
device::D3DLOCKED_RECT toDevice(const ::D3DLOCKED_RECT& locked);
// Only the fields the engine's D3DCAPS9 carries.
device::D3DCAPS9 toDevice(const ::D3DCAPS9& caps);

// Copies a declaration up to and including its end marker. False when no end marker appears within
// MAXD3DDECLLENGTH elements, so a malformed list is refused instead of being read past its end.
bool toD3D(const device::D3DVERTEXELEMENT9* elements, std::vector<::D3DVERTEXELEMENT9>& out);

// Enumerations: the values are the published ones on both sides, so the number passes through unchanged.
template <class Real, class Ours>
Real toD3DEnum(Ours value) {
    return static_cast<Real>(static_cast<std::uint32_t>(value));
}

}  // namespace win32
