// Device start-up: creation attempts, the capability check, render buffers, the black screen, the shared
// objects, and the five failures with their messages.
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "device/device_startup.h"
#include "device/device_test_fixture.h"

namespace {

using namespace device;
using recording::Backend;
using recording::RecordingHost;

std::vector<std::string> objectMethods(const Backend& backend) {
    std::vector<std::string> result;
    for (const recording::Call& call : backend.calls()) {
        result.push_back(call.object + "." + call.method);
    }
    return result;
}

using DeviceStartup = DeviceTest;

TEST_F(DeviceStartup, WindowMakesOneAttemptThenSetsUpEverythingInOrder) {
    ASSERT_TRUE(startDevice(host, host.createDirect3D(), false, 500)) << backend.transcript();

    EXPECT_EQ(objectMethods(backend),
              (std::vector<std::string>{"host.Direct3DCreate9", "d3d1.CreateDevice", "device1.GetDeviceCaps",
                                        "device1.GetRenderTarget", "device1.CreateDepthStencilSurface",
                                        "device1.SetDepthStencilSurface", "device1.Clear", "device1.Present",
                                        "device1.Clear", "device1.CreateVertexBuffer", "vb1.Lock", "vb1.Unlock",
                                        "device1.CreateVertexDeclaration", "device1.CreateVertexDeclaration",
                                        "device1.SetViewport"}))
        << backend.transcript();
    EXPECT_EQ(backend.lines("CreateDevice"),
              std::vector<std::string>{"d3d1.CreateDevice(0, 1, window, 0x40, {0, 0, UNKNOWN, 1, 0, 0, 1, window, "
                                       "1, 0, UNKNOWN, 0x0, 0, 0x80000000}) -> device1"});
    EXPECT_EQ(backend.lines("Clear"), std::vector<std::string>(2, "device1.Clear(0, null, 0x3, 0x00000000, 1, 0)"));
    EXPECT_EQ(backend.lines("Present"), std::vector<std::string>{"device1.Present(null, null, null, null)"});
    EXPECT_EQ(backend.lines("SetViewport"), std::vector<std::string>{"device1.SetViewport({0, 0, 800, 500, 0, 1})"});
    EXPECT_EQ(backend.lines("CreateVertexBuffer"),
              std::vector<std::string>{"device1.CreateVertexBuffer(4, 0x0, 0x0, MANAGED) -> vb1"});

    const DeviceState& state = deviceState();
    recording::RecordingDevice* created = backend.device();
    EXPECT_EQ(state.device.get(), created);
    EXPECT_EQ(state.backBuffer.get(), created->backBuffer);
    EXPECT_EQ(state.depthStencil.get(), created->depthStencil);
    EXPECT_FALSE(state.deviceLost);
    EXPECT_EQ(state.viewWidth, 800.0f);
    EXPECT_EQ(state.viewHeight, 500.0f);
    EXPECT_TRUE(backend.violations().empty());
}

TEST_F(DeviceStartup, ConstantColorBufferHoldsOpaqueYellow) {
    ASSERT_TRUE(startDevice(host, host.createDirect3D(), false, 500));
    auto* buffer = backend.find<recording::RecordingVertexBuffer>(deviceState().constantColorBuffer.get());
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->contents.size(), 4u);
    const std::vector<std::byte> expected{std::byte{0x00}, std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}};
    EXPECT_EQ(buffer->contents, expected);  // 0xFFFFFF00, little-endian
    EXPECT_FALSE(buffer->locked);
}

TEST_F(DeviceStartup, WindowPresentParametersUseClientSizeAndDesktopFormat) {
    ASSERT_TRUE(startDevice(host, host.createDirect3D(), false, 500));
    ASSERT_EQ(backend.createDeviceParameters.size(), 1u);
    const D3DPRESENT_PARAMETERS& p = backend.createDeviceParameters[0];
    EXPECT_EQ(p.BackBufferWidth, 0u);
    EXPECT_EQ(p.BackBufferHeight, 0u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_EQ(p.Windowed, TRUE);
    EXPECT_EQ(p.hDeviceWindow, backend.window());
    EXPECT_EQ(p.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

TEST_F(DeviceStartup, FullScreenTriesFormatsInOrderAndStopsAtFirstSuccess) {
    backend.script("CreateDevice", {E_FAIL});
    ASSERT_TRUE(startDevice(host, host.createDirect3D(), true, 600));

    ASSERT_EQ(backend.createDeviceParameters.size(), 2u);
    EXPECT_EQ(backend.createDeviceParameters[0].BackBufferFormat, D3DFMT_X8R8G8B8);
    const D3DPRESENT_PARAMETERS& p = backend.createDeviceParameters[1];
    D3DPRESENT_PARAMETERS expected{};
    expected.BackBufferWidth = 800;
    expected.BackBufferHeight = 600;
    expected.BackBufferFormat = D3DFMT_A8R8G8B8;
    expected.BackBufferCount = 1;
    expected.MultiSampleType = D3DMULTISAMPLE_NONE;
    expected.SwapEffect = D3DSWAPEFFECT_DISCARD;
    expected.hDeviceWindow = backend.window();
    expected.Windowed = FALSE;
    expected.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    EXPECT_EQ(std::memcmp(&p, &expected, sizeof p), 0) << backend.transcript();
    // The device was created with the parameters that a later Reset will reuse.
    EXPECT_EQ(std::memcmp(&deviceState().presentParameters, &expected, sizeof expected), 0);

    // The 800 x 500 frame sits in the middle of the 600 rows.
    EXPECT_EQ(backend.lines("SetViewport"), std::vector<std::string>{"device1.SetViewport({0, 50, 800, 500, 0, 1})"});
    EXPECT_EQ(backend.calls().back().method, "SetViewport");
}

TEST_F(DeviceStartup, FullScreenGivesUpAfterThreeFormats) {
    backend.failAlways("CreateDevice");
    EXPECT_FALSE(startDevice(host, host.createDirect3D(), true, 600));
    ASSERT_EQ(backend.createDeviceParameters.size(), 3u);
    EXPECT_EQ(backend.createDeviceParameters[0].BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(backend.createDeviceParameters[1].BackBufferFormat, D3DFMT_A8R8G8B8);
    EXPECT_EQ(backend.createDeviceParameters[2].BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_EQ(host.messages, std::vector<std::string>{"No suitable Direct3D device found."});
}

TEST_F(DeviceStartup, DepthStencilIsWiderWithAntiAliasing) {
    for (bool antiAliasing : {false, true}) {
        resetDeviceState();
        deviceState().antiAliasing = antiAliasing;
        ASSERT_TRUE(startDevice(host, host.createDirect3D(), true, 600));
        auto* depth = backend.find<recording::RecordingSurface>(deviceState().depthStencil.get());
        ASSERT_NE(depth, nullptr);
        EXPECT_EQ(depth->desc.Width, antiAliasing ? 2048u : 1024u);
        EXPECT_EQ(depth->desc.Height, 1024u);
        EXPECT_EQ(depth->desc.Format, D3DFMT_D24X8);
        EXPECT_EQ(depth->desc.MultiSampleType, D3DMULTISAMPLE_NONE);
        EXPECT_EQ(depth->desc.MultiSampleQuality, 0u);
        EXPECT_TRUE(depth->discard);
        EXPECT_EQ(backend.device()->depthStencil, depth);
    }
}

TEST_F(DeviceStartup, VertexAndPixelShaderModel2AreEnough) {
    backend.caps.VertexShaderVersion = D3DVS_VERSION(2, 0);
    backend.caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
    EXPECT_TRUE(startDevice(host, host.createDirect3D(), false, 500));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(DeviceStartup, DeclarationsCarryTheExactElements) {
    ASSERT_TRUE(startDevice(host, host.createDirect3D(), false, 500));
    auto* mesh = backend.find<recording::RecordingDeclaration>(deviceState().meshDeclaration.get());
    auto* quad = backend.find<recording::RecordingDeclaration>(deviceState().quadDeclaration.get());
    ASSERT_NE(mesh, nullptr);
    ASSERT_NE(quad, nullptr);

    // {stream, offset, type, method, usage, usage index}; the end marker is {0xFF, 0, UNUSED (17), 0, 0, 0}.
    using Row = std::array<int, 6>;
    auto rows = [](const recording::RecordingDeclaration& declaration) {
        std::vector<Row> result;
        for (const D3DVERTEXELEMENT9& e : declaration.elements) {
            result.push_back({e.Stream, e.Offset, e.Type, e.Method, e.Usage, e.UsageIndex});
        }
        return result;
    };
    EXPECT_EQ(rows(*mesh), (std::vector<Row>{{0, 0, 2, 0, 0, 0},
                                             {1, 0, 1, 0, 5, 0},
                                             {2, 0, 2, 0, 3, 0},
                                             {3, 0, 4, 0, 10, 0},
                                             {4, 0, 2, 0, 6, 0},
                                             {5, 0, 2, 0, 7, 0},
                                             {0xFF, 0, 17, 0, 0, 0}}));
    EXPECT_EQ(rows(*quad), (std::vector<Row>{{0, 0, 2, 0, 0, 0},
                                             {0, 12, 1, 0, 5, 0},
                                             {0, 20, 4, 0, 10, 0},
                                             {0xFF, 0, 17, 0, 0, 0}}));
}

// Start-up failures: the message, and before it the hidden window and the visible cursor.
struct FailureCase {
    const char* name;
    std::function<void(Backend&, RecordingHost&)> arrange;
    const char* message;
    std::size_t clears;  // the black screen is drawn only once the render buffers exist
};

void PrintTo(const FailureCase& failure, std::ostream* out) { *out << failure.name; }

class DeviceStartupFailure : public DeviceTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DeviceStartupFailure, ReportsOnceAndLeavesNothingBehind) {
    GetParam().arrange(backend, host);
    EXPECT_FALSE(startDevice(host, host.createDirect3D(), false, 500));

    EXPECT_EQ(host.messages, std::vector<std::string>{GetParam().message});
    const std::vector<std::string> lines = backend.lines();
    const auto hide = std::find(lines.begin(), lines.end(), "host.ShowWindow(window, SW_HIDE)");
    ASSERT_NE(hide, lines.end()) << backend.transcript();
    const std::size_t at = static_cast<std::size_t>(hide - lines.begin());
    ASSERT_GE(lines.size(), at + 3);
    EXPECT_EQ(lines[at + 1], "host.ShowCursor(TRUE)");
    EXPECT_EQ(lines[at + 2], "host.MessageBoxA(null, \"" + std::string(GetParam().message) + "\", \"Error\", MB_OK)");
    for (std::size_t i = at + 3; i < lines.size(); ++i) {
        EXPECT_EQ(backend.calls()[i].method, "Release") << "after the message box: " << lines[i];
    }
    EXPECT_EQ(backend.count("Clear"), GetParam().clears);
    EXPECT_EQ(backend.count("SetViewport"), 0u);

    const DeviceState& state = deviceState();
    EXPECT_EQ(state.direct3D.get(), nullptr);
    EXPECT_EQ(state.device.get(), nullptr);
    EXPECT_EQ(state.backBuffer.get(), nullptr);
    EXPECT_EQ(state.depthStencil.get(), nullptr);
    EXPECT_EQ(state.constantColorBuffer.get(), nullptr);
    EXPECT_EQ(state.meshDeclaration.get(), nullptr);
    EXPECT_EQ(state.quadDeclaration.get(), nullptr);
    EXPECT_TRUE(backend.heldReferences().empty()) << testing::PrintToString(backend.heldReferences());
    EXPECT_TRUE(backend.violations().empty()) << testing::PrintToString(backend.violations());
}

void withShaderVersions(Backend& backend, DWORD vertex, DWORD pixel) {
    backend.caps.VertexShaderVersion = vertex;
    backend.caps.PixelShaderVersion = pixel;
}

INSTANTIATE_TEST_SUITE_P(
    AllMessages, DeviceStartupFailure,
    ::testing::Values(
        FailureCase{"NoDirect3D", [](Backend&, RecordingHost& h) { h.direct3DAvailable = false; },
                    "Direct3D 9 not available.", 0},
        FailureCase{"NoDevice", [](Backend& b, RecordingHost&) { b.failAlways("CreateDevice"); },
                    "No suitable Direct3D device found.", 0},
        FailureCase{"VertexShader11",
                    [](Backend& b, RecordingHost&) { withShaderVersions(b, D3DVS_VERSION(1, 1), D3DPS_VERSION(2, 0)); },
                    "Pixel shaders 2.0 not supported.", 0},
        FailureCase{"PixelShader14",
                    [](Backend& b, RecordingHost&) { withShaderVersions(b, D3DVS_VERSION(3, 0), D3DPS_VERSION(1, 4)); },
                    "Pixel shaders 2.0 not supported.", 0},
        FailureCase{"NoShadersAtAll", [](Backend& b, RecordingHost&) { withShaderVersions(b, 0, 0); },
                    "Pixel shaders 2.0 not supported.", 0},
        FailureCase{"CapsUnreadable", [](Backend& b, RecordingHost&) { b.failAlways("GetDeviceCaps"); },
                    "Pixel shaders 2.0 not supported.", 0},
        FailureCase{"NoRenderTarget", [](Backend& b, RecordingHost&) { b.failAlways("GetRenderTarget"); },
                    "Unable to acquire render buffers.", 0},
        FailureCase{"NoDepthStencil", [](Backend& b, RecordingHost&) { b.failAlways("CreateDepthStencilSurface"); },
                    "Unable to acquire render buffers.", 0},
        FailureCase{"DepthStencilRefused", [](Backend& b, RecordingHost&) { b.failAlways("SetDepthStencilSurface"); },
                    "Unable to acquire render buffers.", 0},
        FailureCase{"NoMeshDeclaration", [](Backend& b, RecordingHost&) { b.script("CreateVertexDeclaration", {E_FAIL}); },
                    "Unable to create vertex declarations.", 2},
        FailureCase{"NoQuadDeclaration",
                    [](Backend& b, RecordingHost&) { b.script("CreateVertexDeclaration", {S_OK, E_OUTOFMEMORY}); },
                    "Unable to create vertex declarations.", 2}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

}  // namespace
