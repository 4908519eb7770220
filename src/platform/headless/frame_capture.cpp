// Back-buffer read-back: render target -> system-memory surface -> locked rows -> packed pixels.
#include "platform/headless/frame_capture.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "device/device_ref.h"

namespace headless {
namespace {

std::string describe(const char* call, device::HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return std::string(call) + " failed with " + code;
}

bool copyRows(device::IDirect3DSurface9& surface, Frame& frame, std::string& error) {
    device::D3DLOCKED_RECT locked{};
    const device::HRESULT hr = surface.LockRect(&locked, nullptr, device::D3DLOCK_READONLY);
    if (device::failed(hr)) {
        error = describe("LockRect", hr);
        return false;
    }
    const std::size_t rowWords = static_cast<std::size_t>(frame.width);
    if (locked.pBits == nullptr || locked.Pitch < static_cast<device::INT>(rowWords * 4)) {
        surface.UnlockRect();
        error = "LockRect returned an unusable pitch";
        return false;
    }
    frame.pixels.resize(rowWords * static_cast<std::size_t>(frame.height));
    const auto* source = static_cast<const unsigned char*>(locked.pBits);
    for (int y = 0; y < frame.height; ++y) {
        std::memcpy(&frame.pixels[static_cast<std::size_t>(y) * rowWords],
                    source + static_cast<std::ptrdiff_t>(y) * locked.Pitch, rowWords * 4);
    }
    surface.UnlockRect();
    return true;
}

}  // namespace

bool captureFrame(device::IDirect3DDevice9& device, Frame& frame, std::string& error) {
    device::DeviceRef<device::IDirect3DSurface9> target;
    device::HRESULT hr = device.GetRenderTarget(0, target.out());
    if (device::failed(hr) || target.get() == nullptr) {
        error = describe("GetRenderTarget", hr);
        return false;
    }
    device::D3DSURFACE_DESC desc{};
    hr = target->GetDesc(&desc);
    if (device::failed(hr)) {
        error = describe("GetDesc", hr);
        return false;
    }
    if (desc.Format != device::D3DFMT_X8R8G8B8 && desc.Format != device::D3DFMT_A8R8G8B8) {
        error = "render target format " + std::to_string(desc.Format) + " is not a 32-bit RGB format";
        return false;
    }
    device::DeviceRef<device::IDirect3DSurface9> copy;
    hr = device.CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, device::D3DPOOL_SYSTEMMEM,
                                            copy.out(), nullptr);
    if (device::failed(hr) || copy.get() == nullptr) {
        error = describe("CreateOffscreenPlainSurface", hr);
        return false;
    }
    hr = device.GetRenderTargetData(target.get(), copy.get());
    if (device::failed(hr)) {
        error = describe("GetRenderTargetData", hr);
        return false;
    }
    frame.width = static_cast<int>(desc.Width);
    frame.height = static_cast<int>(desc.Height);
    return copyRows(*copy.get(), frame, error);
}

}  // namespace headless
