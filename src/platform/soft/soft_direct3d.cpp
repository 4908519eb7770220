// The software Direct3D object and the lost-device simulation hooks.
#include "platform/soft/soft_direct3d.h"

#include <new>

#include "platform/soft/soft_device.h"

namespace soft {

using namespace device;

namespace {

class SoftDirect3D final : public device::RefCounted<IDirect3D9> {
public:
    explicit SoftDirect3D(const DeviceSettings& settings) : settings_(settings) {}

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND, DWORD,
                         D3DPRESENT_PARAMETERS* presentationParameters,
                         IDirect3DDevice9** returnedDeviceInterface) override {
        if (!returnedDeviceInterface) return D3DERR_INVALIDCALL;
        *returnedDeviceInterface = nullptr;
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        if (deviceType != D3DDEVTYPE_HAL && deviceType != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
        SoftDevice* created = nullptr;
        const HRESULT hr = SoftDevice::create(settings_, presentationParameters, &created);
        if (succeeded(hr)) *returnedDeviceInterface = created;
        return hr;
    }

private:
    DeviceSettings settings_;
};

}  // namespace

IDirect3D9* createSoftDirect3D(const SoftDirect3DOptions& options) {
    DeviceSettings settings;
    if (options.windowWidth > 0) settings.windowWidth = options.windowWidth;
    if (options.windowHeight > 0) settings.windowHeight = options.windowHeight;
    settings.presentSink = options.presentSink;
    settings.rasterSink = options.rasterSink;
    settings.raster = options.raster;
    return new (std::nothrow) SoftDirect3D(settings);
}

bool simulateDeviceLoss(IDirect3DDevice9* device) {
    SoftDevice* soft = dynamic_cast<SoftDevice*>(device);
    if (soft) soft->simulateLoss();
    return soft != nullptr;
}

bool simulateDeviceRestore(IDirect3DDevice9* device) {
    SoftDevice* soft = dynamic_cast<SoftDevice*>(device);
    if (soft) soft->simulateRestore();
    return soft != nullptr;
}

}  // namespace soft
