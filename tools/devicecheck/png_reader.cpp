// PNG input through stb_image, whose functions stay private to this file.
#include "png_reader.h"

#include <cstddef>

#define STBI_ONLY_PNG
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace devicecheck {

bool readPng(const std::string& path, Picture& picture, std::string& error) {
    int width = 0, height = 0, components = 0;
    unsigned char* rgb = stbi_load(path.c_str(), &width, &height, &components, 3);
    if (rgb == nullptr) {
        error = "cannot read " + path + ": " + stbi_failure_reason();
        return false;
    }
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        picture.pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(rgb[3 * i]) << 16 |
                            static_cast<std::uint32_t>(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
    }
    stbi_image_free(rgb);
    return true;
}

}  // namespace devicecheck
