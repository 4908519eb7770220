// Texture upload: canvases reach level 0 of a managed full-chain texture byte for byte, through the
// software device and through any device whose rows are padded.
#include "texture/texture_upload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/device_state.h"
#include "graph/graph_builder.h"
#include "platform/soft/soft_direct3d.h"
#include "shell/class_table.h"
#include "support/script_writer.h"

namespace {

using namespace device;
using shell::ClassIndex;
using testsupport::ScriptWriter;

// The process's device is a software device for the length of a test.
class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceState& state = deviceState();
        state.direct3D = DeviceRef<IDirect3D9>::adopt(soft::createSoftDirect3D());
        D3DPRESENT_PARAMETERS parameters{};
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        ASSERT_EQ(state.direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                               D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, state.device.out()),
                  S_OK);
    }
    void TearDown() override { resetDeviceState(); }

    // Builds the records and returns the last object.
    static graph::ScriptObject* build(const ScriptWriter& writer, graph::ObjectStore& store) {
        const auto script = writer.finish();
        const graph::BuildResult result = graph::buildGraph(script, shell::mainClassTable(), nullptr, store);
        EXPECT_TRUE(result.ok()) << result.error;
        return result.root;
    }
};

std::vector<std::uint32_t> readLevel0(IDirect3DTexture9& texture, std::int32_t width, std::int32_t height) {
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture.LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    std::vector<std::uint32_t> texels(static_cast<std::size_t>(width) * height);
    for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(&texels[static_cast<std::size_t>(y) * width], static_cast<const std::byte*>(locked.pBits) + y * locked.Pitch,
                    static_cast<std::size_t>(width) * 4);
    }
    texture.UnlockRect(0);
    return texels;
}

TEST_F(UploadTest, CanvasReachesLevelZeroUnchangedInAManagedFullChain) {
    graph::ObjectStore store;
    ScriptWriter writer;
    writer.record(static_cast<int>(ClassIndex::Canvas)).integer(10).integer(7).integer(0x20FF8040).end();
    auto* canvas = dynamic_cast<texture::Canvas*>(build(writer, store));
    ASSERT_NE(canvas, nullptr);
    // Every texel different, and alpha values that premultiplication or a format change would alter.
    for (std::int32_t i = 0; i < 1024 * 128; ++i) {
        canvas->pixels()[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i) * 2654435761u;
    }
    canvas->setPixel(3, 5, 0x20FF8040u);

    graph::ObjectStore uploads;
    auto* upload = texture::makeTextureUpload(uploads, *canvas);
    ASSERT_NE(upload, nullptr);
    ASSERT_NE(upload->texture(), nullptr);
    EXPECT_EQ(upload->width(), 1024);
    EXPECT_EQ(upload->height(), 128);
    EXPECT_EQ(upload->contentWidth(), 1024);
    EXPECT_EQ(upload->contentHeight(), 128);
    EXPECT_EQ(upload->texture()->GetLevelCount(), 11u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(upload->texture()->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

    const std::vector<std::uint32_t> texels = readLevel0(*upload->texture(), 1024, 128);
    EXPECT_TRUE(std::equal(texels.begin(), texels.end(), canvas->pixels().begin()));
    EXPECT_EQ(texels[5 * 1024 + 3], 0x20FF8040u);

    // A change to the canvas after its upload does not reach the texture.
    canvas->setPixel(0, 0, 0xDEADBEEFu);
    upload->update(1.0f);
    EXPECT_NE(readLevel0(*upload->texture(), 1, 1)[0], 0xDEADBEEFu);
}

TEST_F(UploadTest, ScriptRecordUploadsThePreviousCanvas) {
    graph::ObjectStore store;
    ScriptWriter writer;
    writer.record(static_cast<int>(ClassIndex::Canvas)).integer(3).integer(2).integer(0x7F010203).end();
    writer.record(static_cast<int>(ClassIndex::TextureUpload)).ref(0).end();
    auto* upload = dynamic_cast<texture::TextureUpload*>(build(writer, store));
    ASSERT_NE(upload, nullptr);
    ASSERT_NE(upload->texture(), nullptr);
    const std::vector<std::uint32_t> texels = readLevel0(*upload->texture(), 8, 4);
    EXPECT_EQ(std::count(texels.begin(), texels.end(), 0x7F010203u), 32);
}

TEST_F(UploadTest, NullPixelsOrNoDeviceLeaveTheTextureUnwritten) {
    // Null pixels: created, never written (level 0 keeps what the device started it with).
    texture::TextureUpload blank(deviceState().device.get(), 4, 4, 2, 1, nullptr);
    EXPECT_NE(blank.texture(), nullptr);
    EXPECT_EQ(blank.contentWidth(), 2);
    EXPECT_EQ(blank.contentHeight(), 1);

    const std::uint32_t pixel = 0xFF000000u;
    texture::TextureUpload headless(nullptr, 1, 1, 1, 1, &pixel);
    EXPECT_EQ(headless.texture(), nullptr);
    EXPECT_EQ(headless.width(), 1);
}

// A texture whose level 0 rows are pitch bytes apart, with guard bytes in the padding.
class PaddedTexture final : public IDirect3DTexture9 {
public:
    PaddedTexture(std::int32_t width, std::int32_t height, std::int32_t pitch)
        : width_(width), height_(height), pitch_(pitch), bytes_(static_cast<std::size_t>(pitch) * height, kGuard) {}

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return D3DERR_INVALIDCALL; }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) override {
        if (level != 0 || rect != nullptr || lockCount_ != unlockCount_) {
            return D3DERR_INVALIDCALL;
        }
        ++lockCount_;
        locked->Pitch = pitch_;
        locked->pBits = bytes_.data();
        return S_OK;
    }
    HRESULT UnlockRect(UINT) override {
        ++unlockCount_;
        return S_OK;
    }

    std::uint32_t texel(std::int32_t x, std::int32_t y) const {
        std::uint32_t value = 0;
        std::memcpy(&value, &bytes_[static_cast<std::size_t>(y) * pitch_ + static_cast<std::size_t>(x) * 4], 4);
        return value;
    }
    bool paddingIntact() const {
        for (std::int32_t y = 0; y < height_; ++y) {
            for (std::int32_t b = width_ * 4; b < pitch_; ++b) {
                if (bytes_[static_cast<std::size_t>(y) * pitch_ + b] != kGuard) return false;
            }
        }
        return true;
    }
    int lockCount_ = 0;
    int unlockCount_ = 0;

private:
    static constexpr std::uint8_t kGuard = 0xA5;
    std::int32_t width_, height_, pitch_;
    std::vector<std::uint8_t> bytes_;
};

TEST(UploadRows, EveryRowLandsAtItsPitchWhateverThePadding) {
    for (const std::int32_t padding : {0, 4, 13, 1020}) {
        const std::int32_t width = 32;
        const std::int32_t height = 8;
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x01000000u * static_cast<std::uint32_t>(i) + 7u;
        PaddedTexture texture(width, height, width * 4 + padding);
        ASSERT_TRUE(texture::writeLevel0(texture, width, height, pixels.data())) << padding;
        EXPECT_EQ(texture.lockCount_, 1);
        EXPECT_EQ(texture.unlockCount_, 1);
        EXPECT_TRUE(texture.paddingIntact()) << padding;
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                ASSERT_EQ(texture.texel(x, y), pixels[static_cast<std::size_t>(y) * width + x]) << padding << " " << x << "," << y;
            }
        }
    }
}

TEST(UploadRows, RowsShorterThanTheCanvasAreNotWritten) {
    const std::vector<std::uint32_t> pixels(16 * 2, 0xFFFFFFFFu);
    PaddedTexture texture(8, 2, 8 * 4);  // a device that reports half the width
    EXPECT_FALSE(texture::writeLevel0(texture, 16, 2, pixels.data()));
    EXPECT_EQ(texture.unlockCount_, 1);
    EXPECT_NE(texture.texel(0, 0), 0xFFFFFFFFu);
}

}  // namespace
