// Run-time loading of d3d9.dll and the engine's IDirect3D9 over the real Direct3D object.
#include "platform/win32/d3d9_direct3d.h"

#include "platform/win32/d3d9_device.h"

namespace win32 {
namespace {

static_assert(D3D_SDK_VERSION == 32, "the engine asks for the Direct3D 9 SDK version 32");

class Direct3D final : public ComWrapper<device::IDirect3D9, ::IDirect3D9> {
public:
    using ComWrapper::ComWrapper;

    device::HRESULT CreateDevice(device::UINT adapter, device::D3DDEVTYPE deviceType, device::HWND focusWindow,
                                 device::DWORD behaviorFlags,
                                 device::D3DPRESENT_PARAMETERS* presentationParameters,
                                 device::IDirect3DDevice9** returnedDeviceInterface) override {
        if (presentationParameters == nullptr || returnedDeviceInterface == nullptr) {
            return toDevice(D3DERR_INVALIDCALL);
        }
        // Direct3D fills in the back-buffer size and format it chose for a window; pass them back.
        ::D3DPRESENT_PARAMETERS parameters = toD3D(*presentationParameters);
        ::IDirect3DDevice9* created = nullptr;
        const ::HRESULT hr = real()->CreateDevice(adapter, toD3DEnum<::D3DDEVTYPE>(deviceType),
                                                  static_cast<::HWND>(focusWindow), behaviorFlags, &parameters,
                                                  &created);
        *presentationParameters = toDevice(parameters);
        return wrapCreated<Device>(hr, created, returnedDeviceInterface);
    }
};

using Direct3DCreate9Function = ::IDirect3D9*(WINAPI*)(UINT sdkVersion);

}  // namespace

device::IDirect3D9* createDirect3D9() {
    // The library stays loaded for the rest of the process: devices created from it may outlive the
    // Direct3D object, and unloading it under them would pull their code away.
    const ::HMODULE library = ::LoadLibraryA("d3d9");
    if (library == nullptr) {
        return nullptr;
    }
    const ::FARPROC entry = ::GetProcAddress(library, "Direct3DCreate9");
    if (entry == nullptr) {
        ::FreeLibrary(library);
        return nullptr;
    }
    // GetProcAddress returns a generic function pointer; going through void(*)() is the documented way to
    // convert it without a cast-function-type warning.
    const auto create = reinterpret_cast<Direct3DCreate9Function>(reinterpret_cast<void (*)()>(entry));
    ::IDirect3D9* direct3d = create(D3D_SDK_VERSION);
    if (direct3d == nullptr) {
        ::FreeLibrary(library);
        return nullptr;
    }
    device::IDirect3D9* wrapped = nullptr;
    if (device::failed(wrapCreated<Direct3D>(S_OK, direct3d, &wrapped))) {
        return nullptr;
    }
    return wrapped;
}

}  // namespace win32
