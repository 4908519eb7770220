// Fixed-function lighting of the software device, against the Direct3D 9 lighting equation worked out by
// hand for single vertices: ambient, diffuse, attenuation, range, spot cone, specular with and without a
// local viewer, normal scaling, material colour sources and the light limit.
#include <gtest/gtest.h>

#include <cmath>

#include "soft_test_util.h"

namespace softtest {
namespace {

constexpr float kTolerance = 2e-6f;

D3DLIGHT9 pointLight(D3DVECTOR position) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Position = position;
    light.Range = 100.0f;
    light.Attenuation0 = 1.0f;
    return light;
}

D3DLIGHT9 directionalLight(D3DVECTOR direction, D3DCOLORVALUE diffuse) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = direction;
    light.Diffuse = diffuse;
    return light;
}

// Draws one triangle whose first corner is `at` with the normal `normal` (all three corners share it) and
// returns that corner as it reaches the raster stage.
class LightingTest : public ::testing::Test {
protected:
    LightingTest() : device_(&sink_) {
        const D3DMATRIX world = identity(), projection = perspectiveProjection();
        device_->SetTransform(D3DTS_WORLD, &world);
        device_->SetTransform(D3DTS_PROJECTION, &projection);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetVertexDeclaration(mesh_.get());
    }

    soft::ScreenVertex litCorner(Float4 at, Float4 normal) {
        auto positions = makeVertexBuffer<Float4>(
            device_.get(), {at, {at.x + 0.1f, at.y, at.z, 1}, {at.x, at.y + 0.1f, at.z, 1}});
        auto normals = makeVertexBuffer<Float4>(device_.get(), {normal, normal, normal});
        device_->SetStreamSource(0, positions.get(), 0, 16);
        device_->SetStreamSource(2, normals.get(), 0, 16);
        sink_.draws.clear();
        device_->BeginScene();
        EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
        device_->EndScene();
        EXPECT_EQ(sink_.draws.size(), 1u);
        return sink_.draws.empty() ? soft::ScreenVertex{} : sink_.draws[0].vertices[0];
    }

    void setMaterial(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient, D3DCOLORVALUE specular, D3DCOLORVALUE emissive,
                     float power) {
        const D3DMATERIAL9 material{diffuse, ambient, specular, emissive, power};
        device_->SetMaterial(&material);
    }

    void expectColor(const soft::Color4& c, float r, float g, float b, float a) {
        EXPECT_NEAR(c.r, r, kTolerance);
        EXPECT_NEAR(c.g, g, kTolerance);
        EXPECT_NEAR(c.b, b, kTolerance);
        EXPECT_NEAR(c.a, a, kTolerance);
    }

    CapturingRasterSink sink_;
    TestDevice device_;
    device::DeviceRef<IDirect3DVertexDeclaration9> mesh_ = meshDeclaration(device_.get());
};

// Vertex at (0, 0, 5) facing the camera, point light at the eye: d = 5, N.L = 1.
// Attenuation 1 / (0 + 0.5 * 5) = 0.4. Global ambient 64/255 = 0.250980.
//   r = Ca.r (Ga + La 0.4) + Cd.r Ld.r 0.4 + Ce.r = 1 * (0.250980 + 0.2) + 0.5 * 1 * 0.4    = 0.650980
//   g = 0                  + 1 * 0.5 * 0.4                                                  = 0.2
//   b = 0                  + 1 * 0.25 * 0.4 + 0.05                                          = 0.15
TEST_F(LightingTest, AmbientDiffuseAndEmissiveWithDistanceAttenuation) {
    setMaterial({0.5f, 1.0f, 1.0f, 0.7f}, {1.0f, 0.0f, 0.0f, 1.0f}, {0, 0, 0, 0}, {0.0f, 0.0f, 0.05f, 0.0f}, 10.0f);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    D3DLIGHT9 light = pointLight({0.0f, 0.0f, 0.0f});
    light.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    light.Ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    light.Attenuation0 = 0.0f;
    light.Attenuation1 = 0.5f;
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);

    const soft::ScreenVertex v = litCorner({0, 0, 5, 1}, {0, 0, -1, 0});
    expectColor(v.diffuse, 64.0f / 255.0f + 0.2f + 0.2f, 0.2f, 0.15f, 0.7f);
    EXPECT_NEAR(v.x, 400.0f, 1e-3f);

    // Quadratic term: 1 / (1 + 0 * 5 + 0.04 * 25) = 0.5.
    light.Attenuation0 = 1.0f;
    light.Attenuation1 = 0.0f;
    light.Attenuation2 = 0.04f;
    device_->SetLight(0, &light);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 64.0f / 255.0f + 0.25f + 0.25f, 0.25f, 0.175f, 0.7f);

    // A light just short of the vertex reaches nothing, not even with its ambient part.
    light.Range = 4.99f;
    device_->SetLight(0, &light);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 64.0f / 255.0f, 0.0f, 0.05f, 0.7f);

    // A surface facing away gets ambient only: N.L is clamped at 0.
    light.Range = 100.0f;
    device_->SetLight(0, &light);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, 1, 0}).diffuse, 64.0f / 255.0f + 0.25f, 0.0f, 0.05f, 0.7f);
}

// Vertex at (0, 0, 5) with N = (0, 0, -1), light at (3, 0, 1): L = (3, 0, -4) / 5, N.L = 0.8. With the
// eye at the origin, E = (0, 0, -1), H = norm(L + E) = norm(0.6, 0, -1.8), N.H = 1.8 / sqrt(3.6), and
// (N.H)^10 = (N.H^2)^5 = 0.9^5 = 0.59049.
TEST_F(LightingTest, SpecularUsesTheHalfVectorTowardsTheCamera) {
    setMaterial({0, 0, 0, 1}, {0, 0, 0, 0}, {1.0f, 0.5f, 0.25f, 1.0f}, {0, 0, 0, 0}, 10.0f);
    D3DLIGHT9 light = pointLight({3.0f, 0.0f, 1.0f});
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    device_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);

    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).specular, 0.59049f, 0.295245f, 0.1476225f, 1.0f);

    // Off the axis the local viewer matters: at (2, 0, 5) the eye direction is norm(-2, 0, -5) with a local
    // viewer and (0, 0, -1) without.
    const double lx = 1.0 / std::sqrt(17.0), lz = -4.0 / std::sqrt(17.0);
    auto specularFor = [&](double ex, double ez) {
        const double hx = lx + ex, hz = lz + ez;
        const double nDotH = -hz / std::sqrt(hx * hx + hz * hz);
        return static_cast<float>(std::pow(nDotH, 10.0));
    };
    const float local = specularFor(-2.0 / std::sqrt(29.0), -5.0 / std::sqrt(29.0));
    const float distant = specularFor(0.0, -1.0);
    ASSERT_GT(std::abs(local - distant), 0.04f);
    EXPECT_NEAR(litCorner({2, 0, 5, 1}, {0, 0, -1, 0}).specular.r, local, 1e-5f);
    device_->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    EXPECT_NEAR(litCorner({2, 0, 5, 1}, {0, 0, -1, 0}).specular.r, distant, 1e-5f);

    // No highlight on a surface the light does not reach.
    EXPECT_EQ(litCorner({2, 0, 5, 1}, {0, 0, 1, 0}).specular.r, 0.0f);
    device_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    EXPECT_EQ(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).specular.r, 0.0f);
}

// Normals go through the inverse transpose of the world matrix: a world scaled by 2 halves their length,
// and without D3DRS_NORMALIZENORMALS that halves N.L.
TEST_F(LightingTest, ScaledWorldScalesNormalsUnlessNormalizeNormalsIsOn) {
    setMaterial({1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f);
    const D3DLIGHT9 light = directionalLight({0.0f, 0.0f, 1.0f}, {0.8f, 0.6f, 0.4f, 1.0f});
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    const D3DMATRIX doubled = scaling(2.0f);
    device_->SetTransform(D3DTS_WORLD, &doubled);

    expectColor(litCorner({0, 0, 2.5f, 1}, {0, 0, -1, 0}).diffuse, 0.4f, 0.3f, 0.2f, 1.0f);
    device_->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    expectColor(litCorner({0, 0, 2.5f, 1}, {0, 0, -1, 0}).diffuse, 0.8f, 0.6f, 0.4f, 1.0f);
    // Longer normals can push a channel past 1; the result is clamped.
    device_->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    const D3DMATRIX halved = scaling(0.25f);
    device_->SetTransform(D3DTS_WORLD, &halved);
    expectColor(litCorner({0, 0, 20, 1}, {0, 0, -1, 0}).diffuse, 1.0f, 1.0f, 1.0f, 1.0f);
}

TEST_F(LightingTest, MaterialSourcesTakeVertexColoursOnlyWhenTheVertexHasThem) {
    setMaterial({0.5f, 0.5f, 0.5f, 0.5f}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f);
    const D3DLIGHT9 light = directionalLight({0.0f, 0.0f, 1.0f}, {1, 1, 1, 1});
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);

    // Defaults: COLORVERTEX on, diffuse from colour 1, but no colour stream: the material is used.
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 0.5f, 0.5f, 0.5f, 0.5f);

    auto colour = makeVertexBuffer<std::uint32_t>(device_.get(), {0x8000FF00});
    device_->SetStreamSource(3, colour.get(), 0, 0);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 0.0f, 1.0f, 0.0f, 128.0f / 255.0f);

    device_->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 0.5f, 0.5f, 0.5f, 0.5f);

    // Emissive from the vertex colour: it shows even where no light falls.
    device_->SetRenderState(D3DRS_COLORVERTEX, TRUE);
    device_->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    device_->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_COLOR1);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, 1, 0}).diffuse, 0.0f, 1.0f, 0.0f, 0.5f);
}

TEST_F(LightingTest, VerticesWithoutNormalsGetAmbientAndEmissiveOnly) {
    setMaterial({1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 1}, {0, 0, 0, 0}, {0.1f, 0.0f, 0.0f, 0}, 0.0f);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    const D3DLIGHT9 light = directionalLight({0.0f, 0.0f, 1.0f}, {1, 1, 1, 1});
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    const soft::ScreenVertex withNormal = litCorner({0, 0, 5, 1}, {0, 0, -1, 0});
    expectColor(withNormal.diffuse, 1.0f, 1.0f, 1.0f, 1.0f);
    device_->SetStreamSource(2, nullptr, 0, 0);
    auto positions = makeVertexBuffer<Float4>(device_.get(), {{0, 0, 5, 1}, {0.1f, 0, 5, 1}, {0, 0.1f, 5, 1}});
    device_->SetStreamSource(0, positions.get(), 0, 16);
    device_->BeginScene();
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    device_->EndScene();
    expectColor(sink_.draws.back().vertices[0].diffuse, 0.6f, 0.5f, 0.5f, 1.0f);
}

TEST_F(LightingTest, OnlyTheFirstEightEnabledLightsShine) {
    setMaterial({1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f);
    const D3DLIGHT9 light = directionalLight({0.0f, 0.0f, 1.0f}, {0.1f, 0.0f, 0.0f, 1});
    for (DWORD i = 0; i < 10; ++i) {
        device_->SetLight(i * 3, &light);
        device_->LightEnable(i * 3, TRUE);
    }
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 0.8f, 0.0f, 0.0f, 1.0f);
    // Enabling a light that was never set gives Direct3D's default: white, directional along +z.
    for (DWORD i = 0; i < 10; ++i) device_->LightEnable(i * 3, FALSE);
    device_->LightEnable(100, TRUE);
    expectColor(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse, 1.0f, 1.0f, 1.0f, 1.0f);
}

// Spot at the eye shining along +z with inner cone 0.4 and outer cone 1.0 radians, falloff 2.
TEST_F(LightingTest, SpotLightsFadeBetweenTheirInnerAndOuterCones) {
    setMaterial({1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f);
    D3DLIGHT9 spot = pointLight({0.0f, 0.0f, 0.0f});
    spot.Type = D3DLIGHT_SPOT;
    spot.Direction = {0.0f, 0.0f, 1.0f};
    spot.Diffuse = {1, 1, 1, 1};
    spot.Theta = 0.4f;
    spot.Phi = 1.0f;
    spot.Falloff = 2.0f;
    device_->SetLight(0, &spot);
    device_->LightEnable(0, TRUE);

    // Normals point back at the light, so N.L = 1 and only the spot factor remains.
    EXPECT_NEAR(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse.r, 1.0f, kTolerance);
    const double angle = 0.35;  // between the half angles 0.2 and 0.5
    const float x = static_cast<float>(5.0 * std::tan(angle));
    const float length = std::sqrt(x * x + 25.0f);
    const double expected = std::pow((std::cos(angle) - std::cos(0.5)) / (std::cos(0.2) - std::cos(0.5)), 2.0);
    EXPECT_NEAR(litCorner({x, 0, 5, 1}, {-x / length, 0, -5.0f / length, 0}).diffuse.r, expected, 1e-5);
    EXPECT_EQ(litCorner({5, 0, 5, 1}, {-0.7071f, 0, -0.7071f, 0}).diffuse.r, 0.0f);  // 45 degrees: outside
}

TEST_F(LightingTest, LightsAreGivenInWorldSpaceAndFollowTheViewMatrix) {
    setMaterial({1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f);
    D3DLIGHT9 light = pointLight({0.0f, 0.0f, 10.0f});
    light.Diffuse = {1, 1, 1, 1};
    device_->SetLight(0, &light);
    device_->LightEnable(0, TRUE);
    // Behind the vertex: the front face gets nothing.
    EXPECT_EQ(litCorner({0, 0, 5, 1}, {0, 0, -1, 0}).diffuse.r, 0.0f);
    // A view turned half around about y: the light goes to camera z = -10, behind the camera, and the
    // vertex at world z = -5 to camera z = 5, in front of it. Normals turn with the world-view matrix, so
    // the one along world +z now faces the light.
    D3DMATRIX view = identity();
    view._11 = -1.0f;
    view._33 = -1.0f;
    device_->SetTransform(D3DTS_VIEW, &view);
    EXPECT_NEAR(litCorner({0, 0, -5, 1}, {0, 0, -1, 0}).diffuse.r, 0.0f, kTolerance);
    EXPECT_NEAR(litCorner({0, 0, -5, 1}, {0, 0, 1, 0}).diffuse.r, 1.0f, kTolerance);
}

}  // namespace
}  // namespace softtest
