// Frame capture: reading the back buffer through the device interface returns the cleared pixels in row
// order, with the frame's size, on the software device.
#include <gtest/gtest.h>

#include <string>

#include "device/device_ref.h"
#include "platform/headless/frame_capture.h"
#include "platform/soft/soft_direct3d.h"

namespace {

using namespace device;

struct SoftDevice {
    DeviceRef<IDirect3D9> direct3d;
    DeviceRef<IDirect3DDevice9> device;

    SoftDevice(UINT width, UINT height) {
        direct3d = DeviceRef<IDirect3D9>::adopt(soft::createSoftDirect3D());
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferWidth = width;
        parameters.BackBufferHeight = height;
        parameters.BackBufferFormat = D3DFMT_UNKNOWN;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        if (direct3d) {
            direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, device.out());
        }
    }
};

TEST(FrameCapture, ReadsClearedPixelsRowByRow) {
    // An odd width, so that a pitch wider than the row would show as a shift from the second row on.
    SoftDevice soft(13, 5);
    ASSERT_NE(soft.device, nullptr);
    soft.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    const D3DRECT topRight{9, 0, 13, 2};
    soft.device->Clear(1, &topRight, D3DCLEAR_TARGET, 0xFFE0C040, 1.0f, 0);

    headless::Frame frame;
    std::string error;
    ASSERT_TRUE(headless::captureFrame(*soft.device, frame, error)) << error;
    ASSERT_EQ(frame.width, 13);
    ASSERT_EQ(frame.height, 5);
    ASSERT_EQ(frame.pixels.size(), 65u);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 13; ++x) {
            const bool inRect = x >= 9 && y < 2;
            EXPECT_EQ(frame.pixels[static_cast<std::size_t>(y * 13 + x)] & 0x00FFFFFFu,
                      inRect ? 0x00E0C040u : 0x00102030u)
                << "pixel " << x << ", " << y;
        }
    }
}

TEST(FrameCapture, RepeatedCapturesSeeLaterDrawing) {
    SoftDevice soft(800, 500);
    ASSERT_NE(soft.device, nullptr);
    headless::Frame frame;
    std::string error;
    soft.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_TRUE(headless::captureFrame(*soft.device, frame, error)) << error;
    EXPECT_EQ(frame.pixels[799] & 0x00FFFFFFu, 0u);
    soft.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    ASSERT_TRUE(headless::captureFrame(*soft.device, frame, error)) << error;
    EXPECT_EQ(frame.pixels.size(), 800u * 500u);
    EXPECT_EQ(frame.pixels[799] & 0x00FFFFFFu, 0x00FFFFFFu);
    EXPECT_EQ(frame.pixels.back() & 0x00FFFFFFu, 0x00FFFFFFu);
}

}  // namespace
