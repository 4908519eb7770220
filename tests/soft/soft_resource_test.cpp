// Resources of the software device: texture mip chains and level locks, buffer lock ranges, declarations,
// surfaces, and which of them may be bound.
#include <gtest/gtest.h>

#include "soft_test_util.h"

namespace softtest {
namespace {

class ResourceTest : public ::testing::Test {
protected:
    ResourceTest() : device_(&sink_) {}

    CapturingRasterSink sink_;
    TestDevice device_;
};

TEST_F(ResourceTest, TextureWithZeroLevelsGetsTheFullChainEachLevelLockable) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device_->CreateTexture(1024, 128, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
    ASSERT_EQ(texture->GetLevelCount(), 11u);  // 1024 x 128 down to 1 x 1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(7, &desc), S_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(texture->GetLevelDesc(11, &desc), D3DERR_INVALIDCALL);

    D3DLOCKED_RECT level0{};
    ASSERT_EQ(texture->LockRect(0, &level0, nullptr, 0), S_OK);
    EXPECT_GE(level0.Pitch, 1024 * 4);
    auto* row1 = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(level0.pBits) + level0.Pitch);
    row1[5] = 0x20FF8040;
    EXPECT_EQ(texture->LockRect(0, &level0, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    D3DLOCKED_RECT level3{};
    EXPECT_EQ(texture->LockRect(3, &level3, nullptr, 0), S_OK);  // other levels lock on their own
    EXPECT_EQ(texture->UnlockRect(3), S_OK);
    ASSERT_EQ(texture->UnlockRect(0), S_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);

    // A locked sub-rectangle starts at its own top-left texel.
    const RECT rect{5, 1, 6, 2};
    D3DLOCKED_RECT part{};
    ASSERT_EQ(texture->LockRect(0, &part, &rect, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(*static_cast<std::uint32_t*>(part.pBits), 0x20FF8040u);
    texture->UnlockRect(0);
    const RECT outside{1000, 0, 1025, 1};
    EXPECT_EQ(texture->LockRect(0, &part, &outside, 0), D3DERR_INVALIDCALL);
    const RECT empty{4, 4, 4, 5};
    EXPECT_EQ(texture->LockRect(0, &part, &empty, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(11, &part, nullptr, 0), D3DERR_INVALIDCALL);
    texture->Release();
}

TEST_F(ResourceTest, TextureCreationAndBindingFollowDirect3DsRules) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device_->CreateTexture(256, 256, 10, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);  // a 256 chain has 9 levels
    EXPECT_EQ(device_->CreateTexture(0, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(64, 64, 1, 0, D3DFMT_D24X8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(100000, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);

    // Default-pool textures are locked only when dynamic; system-memory ones cannot be sampled.
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr), S_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTexture(0, texture), S_OK);
    texture->Release();
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
              S_OK);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    texture->UnlockRect(0);
    texture->Release();
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture, nullptr), S_OK);
    EXPECT_EQ(device_->SetTexture(0, texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
    texture->Release();
    EXPECT_EQ(device_->SetTexture(0, nullptr), S_OK);

    // The spare byte of an X8R8G8B8 texel samples as opaque alpha.
    ASSERT_EQ(device_->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    *static_cast<std::uint32_t*>(locked.pBits) = 0x00123456;
    texture->UnlockRect(0);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(*static_cast<std::uint32_t*>(locked.pBits), 0xFF123456u);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(ResourceTest, BoundTexturesLiveOnUntilUnbound) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
    ASSERT_EQ(device_->SetTexture(0, texture), S_OK);
    EXPECT_EQ(texture->Release(), 1u);  // the device's reference keeps it alive
    auto declaration = quadDeclaration(device_.get());
    device_->SetVertexDeclaration(declaration.get());
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    const QuadVertex triangle[] = {{-0.5f, 0.5f, 0.5f, 0, 0, ~0u}, {0.5f, 0.5f, 0.5f, 0, 0, ~0u},
                                   {-0.5f, -0.5f, 0.5f, 0, 0, ~0u}};
    device_->BeginScene();
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(QuadVertex));
    device_->EndScene();
    ASSERT_EQ(sink_.draws.size(), 1u);
    const soft::SamplerState& sampler = sink_.draws[0].state.samplers[0];
    ASSERT_NE(sampler.texture.texels, nullptr);
    EXPECT_EQ(sampler.texture.width, 4);
    EXPECT_EQ(sampler.texture.pitchInTexels, 4);
    EXPECT_EQ(sink_.draws[0].state.samplers[1].texture.texels, nullptr);
    device_->SetTexture(0, nullptr);
}

TEST_F(ResourceTest, BufferLocksStayInsideTheBuffer) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), S_OK);
    void* whole = nullptr;
    void* part = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &whole, 0), S_OK);
    ASSERT_EQ(buffer->Lock(16, 0, &part, D3DLOCK_READONLY), S_OK);  // from 16 to the end
    EXPECT_EQ(static_cast<std::uint8_t*>(part) - static_cast<std::uint8_t*>(whole), 16);
    EXPECT_EQ(buffer->Lock(60, 4, &part, 0), S_OK);
    EXPECT_EQ(buffer->Lock(60, 8, &part, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(65, 0, &part, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), S_OK);  // one more than locked is harmless
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(device_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3DERR_INVALIDCALL);

    IDirect3DIndexBuffer9* indices = nullptr;
    EXPECT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices, nullptr),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indices, nullptr), S_OK);
    EXPECT_EQ(indices->Lock(4, 8, &part, 0), S_OK);
    EXPECT_EQ(indices->Lock(4, 9, &part, 0), D3DERR_INVALIDCALL);
    indices->Unlock();
    indices->Release();
}

TEST_F(ResourceTest, DeclarationsAreCopiedUpToTheEndMarkerAndValidated) {
    D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        D3DDECL_END(),
    };
    IDirect3DVertexDeclaration9* declaration = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &declaration), S_OK);
    elements[0].Type = D3DDECLTYPE_UNUSED;  // the device kept its own copy
    device_->SetVertexDeclaration(declaration);
    declaration->Release();
    setUnlitState(device_.get(), identity());
    const float triangle[] = {0, 0, 0.5f, 0.5f, 0, 0.5f, 0, 0.5f, 0.5f};
    device_->BeginScene();
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 12), S_OK);
    device_->EndScene();
    EXPECT_EQ(sink_.draws.size(), 1u);

    EXPECT_EQ(device_->CreateVertexDeclaration(elements, &declaration), D3DERR_INVALIDCALL);  // unreadable type
    const D3DVERTEXELEMENT9 badStream[] = {{16, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(device_->CreateVertexDeclaration(badStream, &declaration), D3DERR_INVALIDCALL);
    std::vector<D3DVERTEXELEMENT9> endless(70, D3DVERTEXELEMENT9{0, 0, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_FOG, 0});
    EXPECT_EQ(device_->CreateVertexDeclaration(endless.data(), &declaration), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateVertexDeclaration(nullptr, &declaration), D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, SurfacesLightsAndViewportsRefuseWhatTheDeviceCannotUse) {
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(device_->CreateDepthStencilSurface(64, 64, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE, &surface, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateOffscreenPlainSurface(64, 64, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &surface, nullptr),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(64, 32, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr),
              S_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), S_OK);
    EXPECT_EQ(locked.Pitch, 256);
    EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(surface->UnlockRect(), S_OK);
    EXPECT_EQ(surface->UnlockRect(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderTarget(0, surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetDepthStencilSurface(surface), D3DERR_INVALIDCALL);
    surface->Release();

    const D3DLIGHT9 negativeRange{D3DLIGHT_POINT, {}, {}, {}, {}, {}, -1.0f, 0, 1.0f, 0, 0, 0, 0};
    EXPECT_EQ(device_->SetLight(0, &negativeRange), D3DERR_INVALIDCALL);
    const D3DVIEWPORT9 tooWide{0, 0, 801, 500, 0.0f, 1.0f};
    EXPECT_EQ(device_->SetViewport(&tooWide), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace softtest
