// Pictures through the software device: the device started the way the presentation starts it, frames
// read back as 0xAARRGGBB words, and PNG files written beside the test binary for people to look at.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "device/device_host.h"
#include "device/device_startup.h"
#include "device/device_state.h"
#include "graph/script_object.h"
#include "platform/headless/frame_capture.h"
#include "platform/headless/png_writer.h"
#include "platform/soft/soft_direct3d.h"

namespace softframe {

class SoftDeviceHost final : public device::DeviceHost {
public:
    device::HWND window() override { return nullptr; }
    void hideWindow() override {}
    void showCursor() override {}
    void showErrorMessage(const char* text) override { ADD_FAILURE() << "device start-up: " << text; }
    void sleep(device::DWORD) override {}
};

// One 800 x 500 frame: Clear, BeginScene, the drawing, EndScene, then the pixels read back.
class SoftFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        device::resetDeviceState();
        ASSERT_TRUE(device::startDevice(
            host_, device::DeviceRef<device::IDirect3D9>::adopt(soft::createSoftDirect3D()), false, 500));
        store_ = std::make_unique<graph::ObjectStore>();
    }
    // Objects that hold device resources go before the device.
    void TearDown() override {
        store_.reset();
        device::resetDeviceState();
    }

    device::IDirect3DDevice9& device() { return *device::deviceState().device; }
    graph::ObjectStore& store() { return *store_; }

    template <typename Draw>
    headless::Frame drawFrame(device::D3DCOLOR background, Draw draw) {
        device().Clear(0, nullptr, device::D3DCLEAR_TARGET | device::D3DCLEAR_ZBUFFER, background, 1.0f, 0);
        device().BeginScene();
        draw();
        device().EndScene();
        headless::Frame frame;
        std::string error;
        EXPECT_TRUE(headless::captureFrame(device(), frame, error)) << error;
        return frame;
    }

    // Writes the frame as NAME.png in the test's build folder.
    static void keep(const headless::Frame& frame, const std::string& name) {
        std::string error;
        const std::string path = std::string(VELBRY_PICTURE_DIR) + "/" + name + ".png";
        EXPECT_TRUE(headless::writePng(path, frame.width, frame.height, frame.pixels, error)) << error;
    }

    static std::uint32_t rgb(const headless::Frame& frame, int x, int y) {
        return frame.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                            static_cast<std::size_t>(x)] &
               0x00FFFFFFu;
    }

private:
    SoftDeviceHost host_;
    std::unique_ptr<graph::ObjectStore> store_;
};

}  // namespace softframe
