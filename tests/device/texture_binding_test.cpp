// The shared stage-0 texture set-up: which calls, with which values, in which order.
#include "device/texture_binding.h"

#include <gtest/gtest.h>

#include "device/recording_device.h"

namespace {

using namespace device;
using recording::Backend;

TEST(TextureBinding, BindsFiltersAndModulatesStageZeroInOrder) {
    Backend backend;
    IDirect3D9* d3d = backend.createDirect3D();
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.hDeviceWindow = backend.window();
    IDirect3DDevice9* device = nullptr;
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backend.window(), 0, &parameters, &device);
    ASSERT_NE(device, nullptr);
    IDirect3DTexture9* texture = nullptr;
    device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    ASSERT_NE(texture, nullptr);
    backend.clearLog();

    bindModulatedTexture(*device, texture);

    // Sampler states 5/6 are MAG/MINFILTER (2 = LINEAR); stage states 2, 3, 1 are COLORARG1, COLORARG2,
    // COLOROP and 5, 6, 4 the alpha ones; D3DTA_TEXTURE is 2, D3DTA_DIFFUSE 0, D3DTOP_MODULATE 4.
    EXPECT_EQ(backend.lines(), (std::vector<std::string>{
                                   "device1.SetTexture(0, texture1)",
                                   "device1.SetSamplerState(0, 5, 0x2)",
                                   "device1.SetSamplerState(0, 6, 0x2)",
                                   "device1.SetTextureStageState(0, 2, 0x2)",
                                   "device1.SetTextureStageState(0, 3, 0x0)",
                                   "device1.SetTextureStageState(0, 1, 0x4)",
                                   "device1.SetTextureStageState(0, 5, 0x2)",
                                   "device1.SetTextureStageState(0, 6, 0x0)",
                                   "device1.SetTextureStageState(0, 4, 0x4)",
                               }));
    texture->Release();
    device->Release();
    d3d->Release();
}

}  // namespace
