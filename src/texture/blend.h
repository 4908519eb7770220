// Pixel compositing shared by the combiner and the text operator: blendPixel with its integer
// arithmetic, and the channel-mask table through which a composited pixel is merged back.
#pragma once

#include <cstdint>
#include <optional>

namespace texture {

// Script values 0 to 3; every other value composites "over".
enum class BlendMode : std::int32_t { Replace = 0, Add = 1, Subtract = 2, Multiply = 3, Over = 4 };

BlendMode blendModeFromScript(std::int32_t value);

// Composites source over destination with an opacity of 0..255. Integer arithmetic throughout, every
// division by 255 truncating; colour channels and alpha are limited to 0..255.
std::uint32_t blendPixel(std::uint32_t source, std::uint32_t destination, std::int32_t opacity, BlendMode mode);

// The mask of a channel-mask index: -2 red, green and blue; -1 all four; 0 red; 1 green; 2 blue;
// 3 alpha. Not the byte-channel numbering (there 0 is blue). Nothing for any other index.
std::optional<std::uint32_t> channelMask(std::int32_t index);

// The blended pixel where the mask is set, the old pixel elsewhere.
constexpr std::uint32_t mergeMasked(std::uint32_t blended, std::uint32_t old, std::uint32_t mask) {
    return (blended & mask) | (old & ~mask);
}

}  // namespace texture
