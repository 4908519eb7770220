// The recording backend itself: scripted results, reference checks and lockable memory, which the
// device tests of every subsystem rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "device/recording_device.h"

namespace {

using namespace device;
using recording::Backend;

IDirect3DDevice9* createDevice(Backend& backend, IDirect3D9*& d3d) {
    d3d = backend.createDirect3D();
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.hDeviceWindow = backend.window();
    IDirect3DDevice9* created = nullptr;
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, backend.window(), 0, &parameters, &created);
    return created;
}

TEST(RecordingBackend, ScriptedResultsComeFirstThenTheStandingFailure) {
    Backend backend;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = createDevice(backend, d3d);
    ASSERT_NE(device, nullptr);
    backend.script("BeginScene", {D3DERR_DEVICELOST, S_OK});
    backend.failAlways("BeginScene", E_OUTOFMEMORY);

    EXPECT_EQ(device->BeginScene(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->BeginScene(), S_OK);
    EXPECT_EQ(device->BeginScene(), E_OUTOFMEMORY);
    EXPECT_EQ(backend.lines("BeginScene"),
              (std::vector<std::string>{"device1.BeginScene() -> D3DERR_DEVICELOST", "device1.BeginScene()",
                                        "device1.BeginScene() -> E_OUTOFMEMORY"}));
    device->Release();
    d3d->Release();
}

TEST(RecordingBackend, ReportsOverReleaseUseAfterReleaseAndHeldReferences) {
    Backend backend;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = createDevice(backend, d3d);
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), S_OK);
    EXPECT_EQ(backend.heldReferences(), (std::vector<std::string>{"d3d1 x1", "device1 x1", "vb1 x1"}));

    EXPECT_EQ(buffer->Release(), 0u);
    device->SetStreamSource(0, buffer, 0, 4);
    buffer->Release();
    EXPECT_EQ(backend.violations(), (std::vector<std::string>{"vb1 passed on after its last Release",
                                                              "vb1.Release() without a reference"}));
    device->Release();
    d3d->Release();
    EXPECT_TRUE(backend.heldReferences().empty());
}

TEST(RecordingBackend, BuffersKeepWhatWasWrittenAndRefuseOutOfRangeLocks) {
    Backend backend;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = createDevice(backend, d3d);
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(8, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), S_OK);

    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(4, 4, &data, 0), S_OK);
    const std::uint32_t value = 0xA1B2C3D4u;
    std::memcpy(data, &value, sizeof value);
    buffer->Unlock();
    std::uint32_t stored = 0;
    std::memcpy(&stored, backend.find<recording::RecordingVertexBuffer>(buffer)->contents.data() + 4, 4);
    EXPECT_EQ(stored, value);

    EXPECT_EQ(buffer->Lock(4, 8, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(9, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_TRUE(backend.violations().empty());
    buffer->Release();
    device->Release();
    d3d->Release();
}

TEST(RecordingBackend, ResetIsRefusedWhileDefaultPoolSurfacesAreHeld) {
    Backend backend;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = createDevice(backend, d3d);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &backBuffer), S_OK);
    D3DPRESENT_PARAMETERS parameters = backend.createDeviceParameters.back();

    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);
    EXPECT_EQ(backend.violations(), std::vector<std::string>{"Reset while backbuffer1 is still held"});
    backBuffer->Release();
    EXPECT_EQ(device->Reset(&parameters), S_OK);
    device->Release();
    d3d->Release();
}

}  // namespace
