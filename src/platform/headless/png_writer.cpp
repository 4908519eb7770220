// PNG output through stb_image_write, whose functions stay private to this file.
#include "platform/headless/png_writer.h"

#include <cstddef>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wcast-align"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace headless {

namespace {

bool toRgb(int width, int height, std::span<const std::uint32_t> pixels, std::vector<unsigned char>& rgb,
           std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "cannot write an empty image";
        return false;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels.size() != count) {
        error = "image of " + std::to_string(width) + " x " + std::to_string(height) + " needs " +
                std::to_string(count) + " pixels, got " + std::to_string(pixels.size());
        return false;
    }
    rgb.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t word = pixels[i];
        rgb[3 * i + 0] = static_cast<unsigned char>(word >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(word >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(word);
    }
    return true;
}

void appendBytes(void* context, void* data, int size) {
    auto& png = *static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    png.insert(png.end(), bytes, bytes + size);
}

}  // namespace

bool writePng(const std::string& path, int width, int height, std::span<const std::uint32_t> pixels,
              std::string& error) {
    std::vector<unsigned char> rgb;
    if (!toRgb(width, height, pixels, rgb, error)) {
        error += " to " + path;
        return false;
    }
    if (stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) == 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool encodePng(int width, int height, std::span<const std::uint32_t> pixels, std::vector<std::uint8_t>& png,
               std::string& error) {
    std::vector<unsigned char> rgb;
    if (!toRgb(width, height, pixels, rgb, error)) {
        return false;
    }
    png.clear();
    if (stbi_write_png_to_func(&appendBytes, &png, width, height, 3, rgb.data(), width * 3) == 0) {
        error = "cannot encode the image as PNG";
        return false;
    }
    return true;
}

}  // namespace headless
