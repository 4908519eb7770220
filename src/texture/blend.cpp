// blendPixel and the channel-mask table.
#include "texture/blend.h"

#include <algorithm>
#include <array>

namespace texture {

namespace {

struct Channels {
    std::int32_t alpha, red, green, blue;
};

Channels unpack(std::uint32_t pixel) {
    return {static_cast<std::int32_t>(pixel >> 24), static_cast<std::int32_t>((pixel >> 16) & 0xFFu),
            static_cast<std::int32_t>((pixel >> 8) & 0xFFu), static_cast<std::int32_t>(pixel & 0xFFu)};
}

std::uint32_t pack(const Channels& c) {
    const auto limit = [](std::int32_t v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
    return limit(c.alpha) << 24 | limit(c.red) << 16 | limit(c.green) << 8 | limit(c.blue);
}

// One colour channel; s and d are the raw channel values, sa the effective source alpha, da the
// destination alpha. The premultiplied forms are S = s * sa / 255 and D = d * da / 255.
std::int32_t blendChannel(std::int32_t s, std::int32_t d, std::int32_t sa, std::int32_t da, BlendMode mode) {
    const std::int32_t premultipliedS = s * sa / 255;
    const std::int32_t premultipliedD = d * da / 255;
    switch (mode) {
        case BlendMode::Add:
            return premultipliedD + premultipliedS;
        case BlendMode::Subtract:
            return premultipliedD - premultipliedS;
        case BlendMode::Multiply:
            return premultipliedS * premultipliedD / 255;
        default:
            // "Over": the straight source colour shows through where the destination is transparent.
            return ((255 - da) * s / 255 + premultipliedD) * (255 - sa) / 255 + premultipliedS;
    }
}

std::int32_t blendAlpha(std::int32_t sa, std::int32_t da, BlendMode mode) {
    switch (mode) {
        case BlendMode::Add:
            return sa + da;
        case BlendMode::Subtract:
            return std::max(da - sa, 0);
        case BlendMode::Multiply:
            return da * sa / 255;
        default:
            return da * da / 255 + (255 - da) * sa / 255 + sa;
    }
}

}  // namespace

BlendMode blendModeFromScript(std::int32_t value) {
    return value >= 0 && value <= 3 ? static_cast<BlendMode>(value) : BlendMode::Over;
}

std::uint32_t blendPixel(std::uint32_t source, std::uint32_t destination, std::int32_t opacity, BlendMode mode) {
    if (mode == BlendMode::Replace) {
        return source;
    }
    const Channels s = unpack(source);
    const Channels d = unpack(destination);
    const std::int32_t sa = s.alpha * std::clamp(opacity, 0, 255) / 255;
    Channels out;
    out.red = blendChannel(s.red, d.red, sa, d.alpha, mode);
    out.green = blendChannel(s.green, d.green, sa, d.alpha, mode);
    out.blue = blendChannel(s.blue, d.blue, sa, d.alpha, mode);
    out.alpha = blendAlpha(sa, d.alpha, mode);
    return pack(out);
}

std::optional<std::uint32_t> channelMask(std::int32_t index) {
    static constexpr std::array<std::uint32_t, 6> kMasks = {0x00FFFFFFu, 0xFFFFFFFFu, 0x00FF0000u,
                                                            0x0000FF00u, 0x000000FFu, 0xFF000000u};
    if (index < -2 || index > 3) {
        return std::nullopt;
    }
    return kMasks[static_cast<std::size_t>(index + 2)];
}

}  // namespace texture
