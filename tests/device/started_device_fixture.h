// A recording device started the way the presentation starts its device, with the shared render state
// (declarations, viewport, colour buffer) in place and the start-up calls cleared from the log.
#pragma once

#include "device/device_startup.h"
#include "device/device_test_fixture.h"

class StartedDeviceTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        backend.caps.VertexShaderVersion = device::D3DVS_VERSION(2, 0);
        backend.caps.PixelShaderVersion = device::D3DPS_VERSION(2, 0);
        ASSERT_TRUE(device::startDevice(host, host.createDirect3D(), false, 500)) << backend.transcript();
        backend.clearLog();
    }
};
