// Limits of the software device, reported in its caps and enforced by its calls.
#pragma once

#include <cstdint>

namespace soft {

constexpr int kMaxImageDimension = 8192;          // textures and surfaces, each side
constexpr std::uint32_t kMaxStreams = 16;
constexpr std::uint32_t kMaxStreamStride = 255;
constexpr std::uint32_t kMaxActiveLights = 8;
constexpr std::uint32_t kMaxPrimitiveCount = 0x00FFFFFF;
constexpr std::uint32_t kMaxVertexIndex = 0x00FFFFFF;
constexpr std::uint32_t kTextureStages = 8;
constexpr std::uint32_t kSamplers = 16;
constexpr std::uint32_t kRenderStateCount = 256;
constexpr std::uint32_t kStageStateCount = 33;
constexpr std::uint32_t kSamplerStateCount = 14;

}  // namespace soft
