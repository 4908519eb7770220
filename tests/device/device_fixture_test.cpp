// The device fixture's tear-down keeps every device test honest: a test that holds on to a device
// object, or breaks a reference rule, fails even when its own checks pass.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "device/device_startup.h"
#include "device/device_test_fixture.h"

namespace {

using namespace device;

// Starts the device as the shell would and creates one more vertex buffer (vb2; vb1 is the constant
// colour buffer), handing the caller its reference.
IDirect3DVertexBuffer9* startAndCreateBuffer(recording::RecordingHost& host) {
    EXPECT_TRUE(startDevice(host, host.createDirect3D(), false, 500));
    IDirect3DVertexBuffer9* buffer = nullptr;
    deviceState().device->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr);
    return buffer;
}

class TestThatLeaksABuffer : public DeviceTest {
protected:
    void TearDown() override {
        EXPECT_NONFATAL_FAILURE(DeviceTest::TearDown(), "references never released: { \"vb2 x1\" }");
    }
};

TEST_F(TestThatLeaksABuffer, FailsInTearDown) { EXPECT_NE(startAndCreateBuffer(host), nullptr); }

class TestThatReleasesTwice : public DeviceTest {
protected:
    void TearDown() override {
        EXPECT_NONFATAL_FAILURE(DeviceTest::TearDown(), "vb2.Release() without a reference");
    }
};

TEST_F(TestThatReleasesTwice, FailsInTearDown) {
    IDirect3DVertexBuffer9* buffer = startAndCreateBuffer(host);
    ASSERT_NE(buffer, nullptr);
    buffer->Release();
    buffer->Release();
}

// The other side: a test that gives back what it took passes, the device state's own objects included.
TEST_F(DeviceTest, TestThatReleasesWhatItTookPasses) { startAndCreateBuffer(host)->Release(); }

}  // namespace
