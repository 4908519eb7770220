// Generated test images and the level-0 texture upload.
#include "textures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace devicecheck {
namespace {

std::uint32_t argb(int a, int r, int g, int b) {
    const auto byte = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

Image blank(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return image;
}

std::uint32_t& at(Image& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                        static_cast<std::size_t>(x)];
}

}  // namespace

Image makeChecker(int size, int cellSize, std::uint32_t first, std::uint32_t second) {
    Image image = blank(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            at(image, x, y) = ((x / cellSize + y / cellSize) % 2 == 0) ? first : second;
        }
    }
    return image;
}

Image makeTexelPattern(int size) {
    Image image = blank(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool grid = x % 16 == 0 || y % 16 == 0;
            at(image, x, y) = grid ? argb(255, 255, 255, 255)
                                   : argb(255, x * 255 / (size - 1), y * 255 / (size - 1), ((x + 2 * y) % 7) * 40);
        }
    }
    return image;
}

Image makeAlphaBands(int size) {
    Image image = blank(size, size);
    for (int y = 0; y < size; ++y) {
        const int alpha = 255 - (255 - 32) * y / (size - 1);
        for (int x = 0; x < size; ++x) {
            const int band = x * 4 / size;
            const int r = band == 0 || band == 3 ? 255 : 40;
            const int g = band == 1 || band == 3 ? 255 : 60;
            const int b = band == 2 ? 255 : 80;
            at(image, x, y) = argb(alpha, r, g, b);
        }
    }
    return image;
}

Image makeSoftDot(int size) {
    Image image = blank(size, size);
    const float centre = static_cast<float>(size - 1) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (static_cast<float>(x) - centre) / centre;
            const float dy = (static_cast<float>(y) - centre) / centre;
            const float fall = std::max(0.0f, 1.0f - (dx * dx + dy * dy));
            at(image, x, y) = argb(static_cast<int>(fall * fall * 255.0f + 0.5f), 255, 255, 255);
        }
    }
    return image;
}

device::DeviceRef<device::IDirect3DTexture9> uploadTexture(device::IDirect3DDevice9& device, const Image& image) {
    device::DeviceRef<device::IDirect3DTexture9> texture;
    if (device::failed(device.CreateTexture(static_cast<device::UINT>(image.width),
                                            static_cast<device::UINT>(image.height), 0, 0,
                                            device::D3DFMT_A8R8G8B8, device::D3DPOOL_MANAGED, texture.out(),
                                            nullptr))) {
        return {};
    }
    device::D3DLOCKED_RECT locked{};
    if (device::failed(texture->LockRect(0, &locked, nullptr, 0)) || locked.pBits == nullptr) {
        return {};
    }
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    auto* destination = static_cast<unsigned char*>(locked.pBits);
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(destination + static_cast<std::ptrdiff_t>(y) * locked.Pitch,
                    &image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width)], rowBytes);
    }
    texture->UnlockRect(0);
    return texture;
}

}  // namespace devicecheck
