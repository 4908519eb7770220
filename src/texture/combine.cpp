// Per-byte combination modes and the blended merge of the combiner.
#include "texture/combine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "texture/resample.h"

namespace texture {

namespace {

// round(factor x b) for every byte value b, kept within int32 (the arithmetic is done in 64 bits).
std::array<std::int64_t, 256> scaledBytes(float factor) {
    std::array<std::int64_t, 256> table{};
    constexpr double kLimit = std::numeric_limits<std::int32_t>::max();
    for (std::size_t b = 0; b < table.size(); ++b) {
        const float scaled = factor * static_cast<float>(b);
        const double bounded = std::isnan(scaled) ? 0.0 : std::clamp(static_cast<double>(scaled), -kLimit, kLimit);
        table[b] = static_cast<std::int64_t>(std::nearbyint(bounded));
    }
    return table;
}

void combineBytes(std::span<std::uint32_t> out, std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                  const Combine& combine) {
    const std::array<std::int64_t, 256> scaled = scaledBytes(combine.factor);
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::uint32_t pixel = a[i];
        for (std::int32_t k = 0; k < 4; ++k) {
            if (combine.channel < 0 || combine.channel == k) {
                const std::int64_t d = byteOf(a[i], k);
                pixel = withByte(pixel, k, combineByte(combine.mode, d, scaled[byteOf(b[i], k)]));
            }
        }
        out[i] = pixel;
    }
}

}  // namespace

CombineMode combineModeFromScript(std::int32_t value) {
    return value >= 0 && value <= 5 ? static_cast<CombineMode>(value) : CombineMode::KeepA;
}

std::uint32_t combineByte(CombineMode mode, std::int64_t d, std::int64_t e) {
    std::int64_t value = d;
    switch (mode) {
        case CombineMode::Multiply:
            value = d * e / 255;
            break;
        case CombineMode::Add:
            value = d + e;
            break;
        case CombineMode::AddThenMultiply:
            value = (d + e) * e / 255;
            break;
        case CombineMode::Subtract:
            value = d - e;
            break;
        case CombineMode::Fold:
            // The sum's low nine bits, folded back from 512 when they pass 255.
            value = (d + e) & 511;
            if (value > 255) {
                value = 512 - value;
            }
            break;
        default:
            break;
    }
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, 255));
}

bool combineInto(Canvas& result, const Canvas& a, const Canvas& b, const Combine& combine) {
    // An input already of the result's size is read in place rather than copied.
    std::optional<Canvas> resampledA;
    std::optional<Canvas> resampledB;
    if (a.width() != result.width() || a.height() != result.height()) {
        resampledA.emplace(resampled(a, result.width(), result.height()));
    }
    if (b.width() != result.width() || b.height() != result.height()) {
        resampledB.emplace(resampled(b, result.width(), result.height()));
    }
    const std::span<const std::uint32_t> pixelsA = resampledA ? resampledA->pixels() : a.pixels();
    const std::span<const std::uint32_t> pixelsB = resampledB ? resampledB->pixels() : b.pixels();
    std::span<std::uint32_t> out = result.pixels();
    if (combine.mode != CombineMode::Blend) {
        combineBytes(out, pixelsA, pixelsB, combine);
        return true;
    }
    const std::optional<std::uint32_t> mask = channelMask(combine.channel);
    if (!mask) {
        std::ranges::copy(pixelsA, out.begin());
        return false;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = mergeMasked(blendPixel(pixelsB[i], pixelsA[i], 255, combine.blendMode), pixelsA[i], *mask);
    }
    return true;
}

Canvas* makeCombine(graph::ObjectStore& store, Canvas& a, Canvas& b, std::int32_t mode, std::int32_t blendMode,
                    float factor, std::int32_t channel) {
    const std::int32_t width = std::max(a.width(), b.width());
    const std::int32_t height = std::max(a.height(), b.height());
    if (std::int64_t{width} * height > (std::int64_t{1} << kMaxCanvasLog2Pixels)) {
        store.rejectRecord("Combine: the common size " + std::to_string(width) + " x " + std::to_string(height) +
                           " is larger than a canvas may be");
        return nullptr;
    }
    const Combine combine{combineModeFromScript(mode), blendModeFromScript(blendMode), factor, channel};
    if (combine.mode == CombineMode::Blend && !channelMask(channel)) {
        store.rejectRecord("Combine: channel-mask index " + std::to_string(channel) + " is not -2..3");
        return nullptr;
    }
    Canvas* result = store.make<Canvas>(width, height, 0);
    combineInto(*result, a, b, combine);
    return result;
}

}  // namespace texture
