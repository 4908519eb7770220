// Whole pictures from the software device with the real raster stage: an overlay rectangle on exact pixel
// edges, a textured overlay, depth testing between draws, a lit sphere checked against the lighting
// equation at its nearest point, and a large mesh drawn alike on one thread and on several.
#include <gtest/gtest.h>

#include <cmath>

#include "soft_test_util.h"

namespace softtest {
namespace {

constexpr float kPi = 3.14159265358979f;

std::uint32_t rgb(std::uint32_t pixel) { return pixel & 0x00FFFFFF; }

class RenderTest : public ::testing::Test {
protected:
    RenderTest() : device_(nullptr, nullptr, fullScreenParameters(D3DFMT_X8R8G8B8)) { prepareFrame(); }

    // Starts again on a new device whose raster stage runs as raster says.
    void useNewDevice(const soft::RasterSettings& raster) {
        device_ = TestDevice(nullptr, nullptr, fullScreenParameters(D3DFMT_X8R8G8B8), raster);
        prepareFrame();
    }

    void prepareFrame() {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        const D3DVIEWPORT9 viewport{0, 50, 800, 500, 0.0f, 1.0f};
        device_->SetViewport(&viewport);
        setUnlitState(device_.get(), screenProjection());
        device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    }

    // An overlay as the engine draws it: a fan over pixels x..x+width, y..y+height of the 800 x 500 frame.
    void drawOverlay(float x, float y, float width, float height, std::uint32_t colour) {
        const float x0 = x - 0.5f, y0 = y - 0.5f, x1 = x0 + width, y1 = y0 + height;
        const QuadVertex quad[] = {{x0, y0, 1.0f, 0, 0, colour}, {x1, y0, 1.0f, 1, 0, colour},
                                   {x1, y1, 1.0f, 1, 1, colour}, {x0, y1, 1.0f, 0, 1, colour}};
        auto declaration = quadDeclaration(device_.get());
        device_->SetVertexDeclaration(declaration.get());
        device_->BeginScene();
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex)), S_OK);
        device_->EndScene();
    }

    std::uint32_t pixel(const std::vector<std::uint32_t>& image, int x, int y) const {
        return rgb(image[static_cast<std::size_t>(y) * 800 + static_cast<std::size_t>(x)]);
    }

    TestDevice device_;
};

TEST_F(RenderTest, OverlayCoversExactlyItsPixelsOfTheFrame) {
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    drawOverlay(100.0f, 100.0f, 10.0f, 10.0f, 0xFFFF0000);
    const auto image = readBack(device_.get());
    EXPECT_EQ(pixel(image, 100, 150), 0xFF0000u);  // frame row 100 is back-buffer row 150
    EXPECT_EQ(pixel(image, 109, 159), 0xFF0000u);
    EXPECT_EQ(pixel(image, 99, 150), 0u);
    EXPECT_EQ(pixel(image, 110, 150), 0u);
    EXPECT_EQ(pixel(image, 100, 149), 0u);
    EXPECT_EQ(pixel(image, 100, 160), 0u);

    // A rectangle larger than the frame stays inside the viewport: the letterbox rows are untouched.
    drawOverlay(0.0f, 0.0f, 800.0f, 600.0f, 0xFF00FF00);
    const auto covered = readBack(device_.get());
    EXPECT_EQ(pixel(covered, 0, 50), 0x00FF00u);
    EXPECT_EQ(pixel(covered, 799, 549), 0x00FF00u);
    EXPECT_EQ(pixel(covered, 0, 49), 0u);
    EXPECT_EQ(pixel(covered, 0, 550), 0u);
}

TEST_F(RenderTest, TexturedOverlayShowsEachTexelOverItsPixels) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device_->CreateTexture(2, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    auto* texels = static_cast<std::uint8_t*>(locked.pBits);
    const std::uint32_t top[] = {0xFFFF0000, 0xFF00FF00}, bottom[] = {0xFF0000FF, 0xFFFFFFFF};
    std::memcpy(texels, top, 8);
    std::memcpy(texels + locked.Pitch, bottom, 8);
    texture->UnlockRect(0);
    device_->SetTexture(0, texture);
    texture->Release();
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);

    drawOverlay(200.0f, 200.0f, 4.0f, 4.0f, 0xFFFFFFFF);
    const auto image = readBack(device_.get());
    EXPECT_EQ(pixel(image, 200, 250), 0xFF0000u);
    EXPECT_EQ(pixel(image, 203, 250), 0x00FF00u);
    EXPECT_EQ(pixel(image, 200, 253), 0x0000FFu);
    EXPECT_EQ(pixel(image, 203, 253), 0xFFFFFFu);
}

TEST_F(RenderTest, DepthTestKeepsTheNearerSurfaceWhateverTheDrawOrder) {
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device_->CreateDepthStencilSurface(1024, 1024, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                 nullptr),
              S_OK);
    device_->SetDepthStencilSurface(depth);
    depth->Release();
    device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    const D3DMATRIX projection = perspectiveProjection();
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    auto declaration = quadDeclaration(device_.get());
    device_->SetVertexDeclaration(declaration.get());
    auto square = [](float z, std::uint32_t colour) {
        return std::vector<QuadVertex>{{-z, z, z, 0, 0, colour}, {z, z, z, 0, 0, colour}, {z, -z, z, 0, 0, colour},
                                       {-z, -z, z, 0, 0, colour}};
    };
    const auto nearRed = square(2.0f, 0xFFFF0000), farGreen = square(4.0f, 0xFF00FF00);
    device_->BeginScene();
    device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, nearRed.data(), sizeof(QuadVertex));
    device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, farGreen.data(), sizeof(QuadVertex));
    device_->EndScene();
    EXPECT_EQ(pixel(readBack(device_.get()), 400, 300), 0xFF0000u);

    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device_->BeginScene();
    device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, farGreen.data(), sizeof(QuadVertex));
    device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, nearRed.data(), sizeof(QuadVertex));
    device_->EndScene();
    EXPECT_EQ(pixel(readBack(device_.get()), 400, 300), 0xFF0000u);
}

// A unit sphere 4 units in front of the camera, as the engine's meshes are stored: separate 16-byte
// position and normal streams and 32-bit indices.
class SphereTest : public RenderTest {
protected:
    void drawSphere(int rings = 24, int segments = 48) {
        std::vector<Float4> positions, normals;
        for (int ring = 0; ring <= rings; ++ring) {
            const float theta = kPi * static_cast<float>(ring) / static_cast<float>(rings);
            for (int segment = 0; segment <= segments; ++segment) {
                const float phi = 2.0f * kPi * static_cast<float>(segment) / static_cast<float>(segments);
                const Float4 n{std::sin(theta) * std::sin(phi), std::cos(theta), -std::sin(theta) * std::cos(phi), 0};
                normals.push_back(n);
                positions.push_back({n.x, n.y, n.z + 4.0f, 1.0f});
            }
        }
        std::vector<std::uint32_t> indices;
        for (int ring = 0; ring < rings; ++ring) {
            for (int segment = 0; segment < segments; ++segment) {
                const auto a = static_cast<std::uint32_t>(ring * (segments + 1) + segment);
                const auto b = a + static_cast<std::uint32_t>(segments) + 1;
                indices.insert(indices.end(), {a, a + 1, b, a + 1, b + 1, b});
            }
        }
        auto positionBuffer = makeVertexBuffer(device_.get(), positions);
        auto normalBuffer = makeVertexBuffer(device_.get(), normals);
        auto indexBuffer = makeIndexBuffer(device_.get(), indices);
        auto declaration = meshDeclaration(device_.get());
        device_->SetVertexDeclaration(declaration.get());
        device_->SetStreamSource(0, positionBuffer.get(), 0, 16);
        device_->SetStreamSource(2, normalBuffer.get(), 0, 16);
        device_->SetIndices(indexBuffer.get());
        device_->BeginScene();
        EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(positions.size()), 0,
                                                static_cast<UINT>(indices.size() / 3)),
                  S_OK);
        device_->EndScene();
    }

    void lightTheScene() {
        const D3DMATRIX projection = perspectiveProjection();
        device_->SetTransform(D3DTS_PROJECTION, &projection);
        device_->SetRenderState(D3DRS_LIGHTING, TRUE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device_->SetRenderState(D3DRS_AMBIENT, 0xFF303030);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        const D3DMATERIAL9 material{{0.25f, 0.5f, 1.0f, 1.0f}, {0.2f, 0.2f, 0.2f, 1.0f}, {}, {}, 10.0f};
        device_->SetMaterial(&material);
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = light.Specular = light.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        light.Range = 2000.0f;
        light.Attenuation0 = 1.0f;
        device_->SetLight(0, &light);
        device_->LightEnable(0, TRUE);
    }
};

// At the sphere's nearest point N.L = 1 (the light sits at the eye), so each channel is
// Ca Ga + Ca La + Cd Ld = 0.2 * 48/255 + 0.2 + Cd.
TEST_F(SphereTest, LitSphereMatchesTheLightingEquationAtItsNearestPoint) {
    lightTheScene();
    drawSphere();
    const auto image = readBack(device_.get());
    const auto channel = [](std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); };
    const std::uint32_t centre = pixel(image, 400, 300);
    const float base = 0.2f * 48.0f / 255.0f + 0.2f;
    EXPECT_NEAR(channel(centre, 16), (base + 0.25f) * 255.0f, 3.0);
    EXPECT_NEAR(channel(centre, 8), (base + 0.5f) * 255.0f, 3.0);
    EXPECT_EQ(channel(centre, 0), 255);

    // Towards the rim the surface turns away from the light; outside it the background shows.
    const std::uint32_t nearRim = pixel(image, 400 + 90, 300);
    EXPECT_LT(channel(nearRim, 16), channel(centre, 16));
    EXPECT_GT(channel(nearRim, 16), 0);
    EXPECT_EQ(pixel(image, 400 + 120, 300), 0u);  // radius about 103 pixels at this distance
    EXPECT_EQ(pixel(image, 400, 300 - 200), 0u);

    // The same frame again is the same picture.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    drawSphere();
    EXPECT_EQ(readBack(device_.get()), image);
}

// A mesh of over 8192 vertices has them lit on several threads before assembly; the picture must be the
// one a single thread draws.
TEST_F(SphereTest, LargeMeshIsTheSameOnOneThreadAsOnSeveral) {
    std::vector<std::uint32_t> parallel, single;
    for (const int threads : {3, 1}) {
        useNewDevice({.threadCount = threads});
        lightTheScene();
        device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        drawSphere(100, 120);
        (threads == 1 ? single : parallel) = readBack(device_.get());
    }
    EXPECT_EQ(single, parallel);
    EXPECT_NE(pixel(single, 400, 300), 0u);
}

}  // namespace
}  // namespace softtest
