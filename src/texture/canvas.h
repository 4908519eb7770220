// The CPU image every texture starts as: 32-bit 0xAARRGGBB pixels of power-of-two size, addressed with
// wrap-around so that every operator tiles. Built by script class 13 and changed by the texture operators.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graph/constructor.h"

namespace texture {

// Largest side, as log2, and largest pixel count a canvas may have: far above what any texture needs
// (the scene uses at most 1024 x 128), low enough that a malformed script cannot exhaust memory.
constexpr std::int32_t kMaxCanvasLog2Side = 12;
constexpr std::int32_t kMaxCanvasLog2Pixels = 22;

// Byte channels as operators number them: the bytes of a pixel word in memory order.
constexpr std::int32_t kBlue = 0;
constexpr std::int32_t kGreen = 1;
constexpr std::int32_t kRed = 2;
constexpr std::int32_t kAlpha = 3;

constexpr std::uint32_t byteOf(std::uint32_t pixel, std::int32_t channel) {
    return (pixel >> (8 * channel)) & 0xFFu;
}

constexpr std::uint32_t withByte(std::uint32_t pixel, std::int32_t channel, std::uint32_t value) {
    const std::uint32_t shift = 8u * static_cast<std::uint32_t>(channel);
    return (pixel & ~(0xFFu << shift)) | ((value & 0xFFu) << shift);
}

class Canvas : public graph::ScriptObject {
public:
    static constexpr const char* kScriptName = "Canvas";

    // width and height must be powers of two within the limits above.
    Canvas(std::int32_t width, std::int32_t height, std::uint32_t fill);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // Coordinates wrap: (x, y) and (x + width, y - height) are the same pixel.
    std::int32_t indexOf(std::int32_t x, std::int32_t y) const {
        return width_ * (y & (height_ - 1)) + (x & (width_ - 1));
    }
    std::uint32_t pixel(std::int32_t x, std::int32_t y) const { return pixels_[static_cast<std::size_t>(indexOf(x, y))]; }
    void setPixel(std::int32_t x, std::int32_t y, std::uint32_t value) {
        pixels_[static_cast<std::size_t>(indexOf(x, y))] = value;
    }

    // Row-major, top row first, width words per row.
    std::span<std::uint32_t> pixels() { return pixels_; }
    std::span<const std::uint32_t> pixels() const { return pixels_; }
    std::span<std::uint32_t> row(std::int32_t y) {
        return std::span<std::uint32_t>(pixels_).subspan(static_cast<std::size_t>(width_) * static_cast<std::size_t>(y),
                                                         static_cast<std::size_t>(width_));
    }
    std::span<const std::uint32_t> row(std::int32_t y) const {
        return std::span<const std::uint32_t>(pixels_).subspan(
            static_cast<std::size_t>(width_) * static_cast<std::size_t>(y), static_cast<std::size_t>(width_));
    }

private:
    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::uint32_t> pixels_;
};

struct CanvasSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The size a canvas record asks for, as powers of two; false with the reason in error when a side is
// negative or the canvas would be larger than the limits.
bool canvasSizeFromLog2(std::int32_t log2Width, std::int32_t log2Height, CanvasSize& size, std::string& error);

// Says on stderr what an operator record could not do as asked and what it did instead:
// "<operator>: <problem>". Records that cannot be built at all are refused through the object store.
void reportTextureProblem(const char* operatorName, const std::string& problem);

// Class 13: log2 width, log2 height, fill colour. A size out of range refuses the record.
Canvas* makeCanvas(graph::ObjectStore& store, std::int32_t log2Width, std::int32_t log2Height, std::int32_t fill);

}  // namespace texture
