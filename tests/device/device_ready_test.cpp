// Per-frame readiness: a lost device gives up its render buffers once, waits, and is reset with the
// parameters it was created with as soon as it can be.
#include <cstring>
#include <string>
#include <vector>

#include "device/device_startup.h"
#include "device/device_test_fixture.h"

namespace {

using namespace device;

class DeviceReady : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_TRUE(startDevice(host, host.createDirect3D(), true, 600));
        backend.clearLog();
    }
};

TEST_F(DeviceReady, WorkingDeviceOnlyAsksTheCooperativeLevel) {
    EXPECT_TRUE(deviceReady(host));
    EXPECT_EQ(backend.lines(), std::vector<std::string>{"device1.TestCooperativeLevel()"});
}

TEST_F(DeviceReady, LostDeviceReleasesBuffersOnceThenResetsAndReacquires) {
    backend.script("TestCooperativeLevel", {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET});

    EXPECT_FALSE(deviceReady(host));
    EXPECT_EQ(backend.lines(), (std::vector<std::string>{
                                   "device1.TestCooperativeLevel() -> D3DERR_DEVICELOST",
                                   "device1.SetDepthStencilSurface(null)",
                                   "device1.SetRenderTarget(0, null) -> D3DERR_INVALIDCALL",
                                   "backbuffer1.Release() -> 0",
                                   "depth1.Release() -> 0",
                                   "host.Sleep(500)",
                               }));
    EXPECT_TRUE(deviceState().deviceLost);
    EXPECT_EQ(deviceState().backBuffer.get(), nullptr);
    EXPECT_EQ(deviceState().depthStencil.get(), nullptr);

    backend.clearLog();
    EXPECT_FALSE(deviceReady(host));
    EXPECT_EQ(backend.lines(), (std::vector<std::string>{"device1.TestCooperativeLevel() -> D3DERR_DEVICELOST",
                                                         "host.Sleep(500)"}));

    backend.clearLog();
    EXPECT_TRUE(deviceReady(host));
    EXPECT_EQ(backend.lines(), (std::vector<std::string>{
                                   "device1.TestCooperativeLevel() -> D3DERR_DEVICENOTRESET",
                                   "device1.Reset({800, 600, X8R8G8B8, 1, 0, 0, 1, window, 0, 0, UNKNOWN, 0x0, 0, "
                                   "0x80000000})",
                                   "device1.GetRenderTarget(0) -> backbuffer1",
                                   "device1.CreateDepthStencilSurface(1024, 1024, D24X8, 0, 0, 1) -> depth2",
                                   "device1.SetDepthStencilSurface(depth2)",
                                   "device1.SetViewport({0, 50, 800, 500, 0, 1})",
                               }));
    const DeviceState& state = deviceState();
    EXPECT_FALSE(state.deviceLost);
    EXPECT_EQ(state.backBuffer.get(), backend.device()->backBuffer);
    EXPECT_EQ(state.depthStencil.get(), backend.device()->depthStencil);
    EXPECT_EQ(host.sleptMilliseconds, 1000u);
    EXPECT_TRUE(backend.violations().empty()) << testing::PrintToString(backend.violations());

    backend.clearLog();
    EXPECT_TRUE(deviceReady(host));
    EXPECT_EQ(backend.lines(), std::vector<std::string>{"device1.TestCooperativeLevel()"});
}

TEST_F(DeviceReady, ResetReusesTheCreationParameters) {
    backend.script("TestCooperativeLevel", {D3DERR_DEVICENOTRESET});
    EXPECT_TRUE(deviceReady(host));
    ASSERT_EQ(backend.device()->resetParameters.size(), 1u);
    EXPECT_EQ(std::memcmp(&backend.device()->resetParameters[0], &backend.createDeviceParameters.back(),
                          sizeof(D3DPRESENT_PARAMETERS)),
              0);
}

TEST_F(DeviceReady, FailedResetStaysLostAndIsRetriedNextFrame) {
    backend.script("TestCooperativeLevel", {D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET});
    backend.script("Reset", {E_FAIL});

    EXPECT_FALSE(deviceReady(host));
    EXPECT_TRUE(deviceState().deviceLost);
    EXPECT_EQ(backend.count("Release"), 2u);
    EXPECT_EQ(backend.count("GetRenderTarget"), 0u);
    EXPECT_EQ(host.sleptMilliseconds, 0u);  // only a device that cannot be reset yet is waited for

    EXPECT_TRUE(deviceReady(host));
    EXPECT_FALSE(deviceState().deviceLost);
    EXPECT_EQ(backend.count("Reset"), 2u);
    EXPECT_EQ(backend.count("Release"), 2u);  // the buffers were released only the first time
    EXPECT_NE(deviceState().depthStencil.get(), nullptr);
    EXPECT_TRUE(backend.violations().empty()) << testing::PrintToString(backend.violations());
}

TEST_F(DeviceReady, ReacquireFailureAfterResetStillDrawsWithoutDanglingBuffers) {
    backend.script("TestCooperativeLevel", {D3DERR_DEVICENOTRESET, D3DERR_DEVICELOST});
    backend.script("CreateDepthStencilSurface", {E_OUTOFMEMORY});

    EXPECT_TRUE(deviceReady(host));
    EXPECT_EQ(deviceState().backBuffer.get(), nullptr);
    EXPECT_EQ(deviceState().depthStencil.get(), nullptr);
    EXPECT_EQ(backend.count("SetViewport"), 1u);

    // Losing the device again must not release anything twice.
    EXPECT_FALSE(deviceReady(host));
    EXPECT_TRUE(backend.violations().empty()) << testing::PrintToString(backend.violations());
    for (const std::string& held : backend.heldReferences()) {
        EXPECT_TRUE(held.rfind("backbuffer", 0) != 0 && held.rfind("depth", 0) != 0) << held;
    }
}

TEST_F(DeviceReady, OtherErrorsSkipTheFrameWithoutWaiting) {
    backend.script("TestCooperativeLevel", {E_FAIL});
    EXPECT_FALSE(deviceReady(host));
    EXPECT_EQ(backend.count("Reset"), 0u);
    EXPECT_EQ(host.sleptMilliseconds, 0u);
    EXPECT_TRUE(deviceState().deviceLost);
}

TEST(DeviceReadyWithoutDevice, IsNeverReady) {
    resetDeviceState();
    recording::Backend backend;
    recording::RecordingHost host(backend);
    EXPECT_FALSE(deviceReady(host));
    EXPECT_FALSE(acquireRenderBuffers());
    EXPECT_TRUE(backend.calls().empty());
}

}  // namespace
