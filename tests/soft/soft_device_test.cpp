// The software device's object: creation parameters and caps, render-target bindings, Clear inside the
// viewport, read-back, Present with the gamma ramp, and the lost-device and Reset rules.
#include <gtest/gtest.h>

#include "soft_test_util.h"

namespace softtest {
namespace {

TEST(SoftDeviceTest, WindowedDeviceTakesTheClientAreaAndTheDesktopFormat) {
    CapturingRasterSink sink;
    TestDevice device(&sink);
    EXPECT_EQ(device.parameters().BackBufferWidth, 800u);
    EXPECT_EQ(device.parameters().BackBufferHeight, 500u);
    EXPECT_EQ(device.parameters().BackBufferFormat, D3DFMT_X8R8G8B8);

    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &back), S_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(back->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Width, 800u);
    EXPECT_EQ(desc.Height, 500u);
    EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(back->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);  // not a lockable back buffer
    // GetRenderTarget hands out a reference of its own each time.
    IDirect3DSurface9* again = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &again), S_OK);
    EXPECT_EQ(again, back);
    again->Release();
    back->Release();
    EXPECT_EQ(device->GetRenderTarget(1, &again), D3DERR_INVALIDCALL);

    D3DVIEWPORT9 viewport{};
    ASSERT_EQ(device->GetViewport(&viewport), S_OK);
    EXPECT_EQ(viewport.Width, 800u);
    EXPECT_EQ(viewport.Height, 500u);
    EXPECT_EQ(viewport.MaxZ, 1.0f);

    D3DCAPS9 caps{};
    ASSERT_EQ(device->GetDeviceCaps(&caps), S_OK);
    EXPECT_GE(caps.VertexShaderVersion, D3DVS_VERSION(2, 0));
    EXPECT_GE(caps.PixelShaderVersion, D3DPS_VERSION(2, 0));
    EXPECT_EQ(caps.MaxActiveLights, 8u);
}

TEST(SoftDeviceTest, WindowSizeComesFromTheOptions) {
    soft::SoftDirect3DOptions options;
    options.windowWidth = 320;
    options.windowHeight = 200;
    IDirect3D9* d3d = soft::createSoftDirect3D(options);
    D3DPRESENT_PARAMETERS parameters = windowedParameters();
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device), S_OK);
    EXPECT_EQ(parameters.BackBufferWidth, 320u);
    EXPECT_EQ(parameters.BackBufferHeight, 200u);
    device->Release();
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST(SoftDeviceTest, CreationRefusesParametersDirect3DRefuses) {
    IDirect3D9* d3d = soft::createSoftDirect3D();
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS unknownFullScreen = fullScreenParameters(D3DFMT_UNKNOWN);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &unknownFullScreen, &device), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS noSize = fullScreenParameters(D3DFMT_X8R8G8B8);
    noSize.BackBufferWidth = 0;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &noSize, &device), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS fine = fullScreenParameters(D3DFMT_A8R8G8B8);
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, nullptr, 0, &fine, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_NULLREF, nullptr, 0, &fine, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &fine, &device), S_OK);
    EXPECT_EQ(fine.BackBufferHeight, 600u);
    device->Release();
    d3d->Release();
}

TEST(SoftDeviceTest, AutomaticDepthBufferTurnsDepthTestingOnByDefault) {
    CapturingRasterSink sink;
    D3DPRESENT_PARAMETERS parameters = windowedParameters();
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
    TestDevice device(&sink, nullptr, parameters);
    auto declaration = quadDeclaration(device.get());
    device->SetVertexDeclaration(declaration.get());
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    const QuadVertex triangle[] = {{-0.5f, 0.5f, 0.5f, 0, 0, ~0u}, {0.5f, 0.5f, 0.5f, 0, 0, ~0u},
                                   {-0.5f, -0.5f, 0.5f, 0, 0, ~0u}};
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(QuadVertex));
    device->EndScene();
    ASSERT_EQ(sink.draws.size(), 1u);
    EXPECT_EQ(sink.draws[0].state.zEnable, D3DZB_TRUE);
    ASSERT_NE(sink.draws[0].target.depth, nullptr);
    EXPECT_EQ(sink.draws[0].target.depth->width, 800);
}

class ClearTest : public ::testing::Test {
protected:
    ClearTest() : device_(&sink_, nullptr, fullScreenParameters(D3DFMT_X8R8G8B8)) {}

    CapturingRasterSink sink_;
    TestDevice device_;
};

TEST_F(ClearTest, ClearFillsOnlyTheViewportAndTheGivenRectanglesInsideIt) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0), S_OK);
    const D3DVIEWPORT9 viewport{0, 50, 800, 500, 0.0f, 1.0f};
    ASSERT_EQ(device_->SetViewport(&viewport), S_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), S_OK);
    const D3DRECT rects[] = {{10, 0, 20, 60}, {790, 540, 900, 700}};
    ASSERT_EQ(device_->Clear(2, rects, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), S_OK);

    const std::vector<std::uint32_t> pixels = readBack(device_.get());
    auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * 800 + static_cast<std::size_t>(x)]; };
    EXPECT_EQ(at(0, 0), 0xFF112233u);     // letterbox rows keep the first clear
    EXPECT_EQ(at(15, 49), 0xFF112233u);   // the rectangle is cut at the viewport's top
    EXPECT_EQ(at(15, 50), 0xFF0000FFu);
    EXPECT_EQ(at(15, 59), 0xFF0000FFu);
    EXPECT_EQ(at(15, 60), 0xFFFFFFFFu);
    EXPECT_EQ(at(799, 549), 0xFF0000FFu);
    EXPECT_EQ(at(799, 550), 0xFF112233u);  // and the second at its bottom
    EXPECT_EQ(at(400, 599), 0xFF112233u);
}

TEST_F(ClearTest, DepthAndStencilClearsNeedASuitableDepthBuffer) {
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device_->CreateDepthStencilSurface(1024, 1024, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                 nullptr),
              S_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(depth), S_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), S_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetDepthStencilSurface(nullptr), S_OK);
    EXPECT_EQ(device_->SetRenderTarget(0, depth), D3DERR_INVALIDCALL);
    depth->Release();
}

TEST_F(ClearTest, RenderTargetDataNeedsAMatchingSystemMemorySurface) {
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &back), S_OK);
    auto tryCopy = [&](UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
        IDirect3DSurface9* copy = nullptr;
        EXPECT_EQ(device_->CreateOffscreenPlainSurface(width, height, format, pool, &copy, nullptr), S_OK);
        const HRESULT hr = device_->GetRenderTargetData(back, copy);
        copy->Release();
        return hr;
    };
    EXPECT_EQ(tryCopy(800, 600, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM), S_OK);
    EXPECT_EQ(tryCopy(800, 500, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM), D3DERR_INVALIDCALL);
    EXPECT_EQ(tryCopy(800, 600, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM), D3DERR_INVALIDCALL);
    EXPECT_EQ(tryCopy(800, 600, D3DFMT_X8R8G8B8, D3DPOOL_SCRATCH), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderTargetData(back, nullptr), D3DERR_INVALIDCALL);
    back->Release();
}

TEST(SoftPresentTest, PresentHandsTheWholeBackBufferThroughTheGammaRampAndLeavesItUnchanged) {
    CapturingRasterSink raster;
    CollectingPresentSink present;
    TestDevice device(&raster, &present, fullScreenParameters(D3DFMT_X8R8G8B8));
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00804020, 1.0f, 0), S_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    ASSERT_EQ(present.frames.size(), 1u);
    EXPECT_EQ(present.lastWidth, 800);
    EXPECT_EQ(present.lastHeight, 600);
    EXPECT_EQ(present.frames[0][0], 0xFF804020u);  // alpha forced opaque

    D3DGAMMARAMP ramp{};
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<WORD>(65535 - i * 257);  // inverted red
        ramp.green[i] = static_cast<WORD>(i * 257);
        ramp.blue[i] = static_cast<WORD>(std::min(65535, i * 512 + 255));  // doubled blue
    }
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &ramp);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(present.frames[1][800 * 599], 0xFF7F4040u);
    EXPECT_EQ(readBack(device.get())[0], 0x00804020u);
}

TEST(SoftPresentTest, PresentWithoutASinkSucceeds) {
    CapturingRasterSink raster;
    TestDevice device(&raster);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
}

// The engine's recovery sequence: unbind and release both surfaces, wait for DEVICENOTRESET, Reset.
TEST(SoftLostDeviceTest, ResetWaitsForTheApplicationToReleaseDefaultPoolResources) {
    CapturingRasterSink raster;
    CollectingPresentSink present;
    TestDevice device(&raster, &present, fullScreenParameters(D3DFMT_X8R8G8B8));
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &back), S_OK);
    ASSERT_EQ(device->CreateDepthStencilSurface(1024, 1024, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                nullptr),
              S_OK);
    device->SetDepthStencilSurface(depth);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    ASSERT_TRUE(soft::simulateDeviceLoss(device.get()));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_TRUE(present.frames.empty());
    D3DPRESENT_PARAMETERS parameters = device.parameters();
    EXPECT_EQ(device->Reset(&parameters), D3DERR_DEVICELOST);
    ASSERT_TRUE(soft::simulateDeviceRestore(device.get()));
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);  // both surfaces still held
    device->SetDepthStencilSurface(nullptr);
    device->SetRenderTarget(0, nullptr);
    back->Release();
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);  // the depth buffer is still held
    depth->Release();
    ASSERT_EQ(device->Reset(&parameters), S_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), S_OK);

    // Reset brings back a render target and Direct3D's default states.
    ASSERT_EQ(device->GetRenderTarget(0, &back), S_OK);
    back->Release();
    auto declaration = quadDeclaration(device.get());
    device->SetVertexDeclaration(declaration.get());
    const QuadVertex triangle[] = {{-0.5f, 0.5f, 0.5f, 0, 0, ~0u}, {0.5f, 0.5f, 0.5f, 0, 0, ~0u},
                                   {-0.5f, -0.5f, 0.5f, 0, 0, ~0u}};
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(QuadVertex));
    device->EndScene();
    ASSERT_EQ(raster.draws.size(), 1u);
    EXPECT_EQ(raster.draws[0].vertices[0].diffuse.r, 0.0f);  // lit again, by a black material
    EXPECT_EQ(raster.draws[0].target.depth, nullptr);
}

TEST(SoftLostDeviceTest, NothingIsDrawnOrClearedWhileTheDeviceIsLost) {
    CapturingRasterSink raster;
    TestDevice device(&raster);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), S_OK);
    soft::simulateDeviceLoss(device.get());
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), S_OK);
    auto declaration = quadDeclaration(device.get());
    device->SetVertexDeclaration(declaration.get());
    const QuadVertex triangle[] = {{-0.5f, 0.5f, 0.5f, 0, 0, ~0u}, {0.5f, 0.5f, 0.5f, 0, 0, ~0u},
                                   {-0.5f, -0.5f, 0.5f, 0, 0, ~0u}};
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(QuadVertex)), S_OK);
    device->EndScene();
    EXPECT_TRUE(raster.draws.empty());
    EXPECT_EQ(readBack(device.get())[0], 0xFF00FF00u);
}

}  // namespace
}  // namespace softtest
