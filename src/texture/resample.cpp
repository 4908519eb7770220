// Row resizing and the anti-diagonal flip that lets the same row code resize columns.
#include "texture/resample.h"

#include <algorithm>
#include <array>

namespace texture {

namespace {

void shrinkRow(std::span<const std::uint32_t> in, std::span<std::uint32_t> out) {
    const std::size_t factor = in.size() / out.size();
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::array<std::uint32_t, 4> sums{};
        for (std::size_t j = 0; j < factor; ++j) {
            const std::uint32_t pixel = in[i * factor + j];
            for (std::int32_t k = 0; k < 4; ++k) {
                sums[static_cast<std::size_t>(k)] += byteOf(pixel, k);
            }
        }
        std::uint32_t mean = 0;
        for (std::int32_t k = 0; k < 4; ++k) {
            mean |= (sums[static_cast<std::size_t>(k)] / static_cast<std::uint32_t>(factor)) << (8 * k);
        }
        out[i] = mean;
    }
}

void enlargeRow(std::span<const std::uint32_t> in, std::span<std::uint32_t> out) {
    const std::uint32_t factor = static_cast<std::uint32_t>(out.size() / in.size());
    for (std::size_t j = 0; j < in.size(); ++j) {
        const std::uint32_t left = in[j];
        const std::uint32_t right = in[(j + 1) % in.size()];
        for (std::uint32_t k = 0; k < factor; ++k) {
            std::uint32_t mixed = 0;
            for (std::int32_t c = 0; c < 4; ++c) {
                mixed |= ((factor - k) * byteOf(left, c) + k * byteOf(right, c)) / factor << (8 * c);
            }
            out[j * factor + k] = mixed;
        }
    }
}

// The canvas with every row brought to width.
Canvas resizedRows(const Canvas& source, std::int32_t width) {
    Canvas result(width, source.height(), 0);
    for (std::int32_t y = 0; y < source.height(); ++y) {
        if (width < source.width()) {
            shrinkRow(source.row(y), result.row(y));
        } else if (width > source.width()) {
            enlargeRow(source.row(y), result.row(y));
        } else {
            std::ranges::copy(source.row(y), result.row(y).begin());
        }
    }
    return result;
}

}  // namespace

Canvas flipAntiDiagonal(const Canvas& source) {
    const std::int32_t oldWidth = source.width();
    const std::int32_t oldHeight = source.height();
    Canvas flipped(oldHeight, oldWidth, 0);
    for (std::int32_t y = 0; y < oldWidth; ++y) {
        std::span<std::uint32_t> row = flipped.row(y);
        for (std::int32_t x = 0; x < oldHeight; ++x) {
            row[static_cast<std::size_t>(x)] = source.pixel(oldWidth - 1 - y, oldHeight - 1 - x);
        }
    }
    return flipped;
}

Canvas resampled(const Canvas& source, std::int32_t width, std::int32_t height) {
    if (height == source.height()) {
        return resizedRows(source, width);
    }
    const Canvas columnsResized = flipAntiDiagonal(resizedRows(flipAntiDiagonal(source), height));
    return resizedRows(columnsResized, width);
}

}  // namespace texture
