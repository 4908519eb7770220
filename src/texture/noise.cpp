// White noise and the improved-noise gradient on the permutation table, at z = 0.
#include "texture/noise.h"

#include <cmath>

#include "math/msvc_random.h"

namespace texture {

namespace {

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float lerp(float t, float a, float b) { return a + (b - a) * t; }

// The improved-noise gradient on the low four bits of h.
float grad(std::int32_t h, float x, float y, float z) {
    const std::int32_t low = h & 15;
    const float first = low < 8 ? x : y;
    const float second = low < 4 ? y : (low == 12 || low == 14 ? x : z);
    return ((low & 1) != 0 ? -first : first) + ((low & 2) != 0 ? -second : second);
}

// The table entry for a lattice row. Rows beyond the table (lattices more than 257 cells high) reuse
// it from the start instead of reading past its end.
std::int32_t rowEntry(const PermutationTable& p, std::int32_t row) {
    return p[static_cast<std::size_t>(row < static_cast<std::int32_t>(p.size()) ? row : row & 255)];
}

// The byte a noise value n in about -1..1 writes, with the contrast factor k.
std::uint32_t noiseByte(float n, float k) {
    const float value = (n * k + 1.0f) * 127.5f;
    if (!(value > 0.0f)) {
        return 0;
    }
    return value >= 255.0f ? 255u : static_cast<std::uint32_t>(std::nearbyint(value));
}

}  // namespace

PermutationTable makePermutationTable(std::int32_t seed) {
    math::srand(static_cast<std::uint32_t>(seed));
    PermutationTable p{};
    for (std::int32_t& entry : p) {
        entry = math::rand() & 255;
    }
    return p;
}

float gradientNoise(const PermutationTable& p, std::int32_t x, std::int32_t y, std::int32_t cellSize,
                    std::int32_t cellsX, std::int32_t cellsY) {
    const std::int32_t maskX = cellsX - 1;
    const std::int32_t maskY = cellsY - 1;
    const std::int32_t cellX = x / cellSize;
    const std::int32_t cellY = y / cellSize;
    const float fx = static_cast<float>(x % cellSize) / static_cast<float>(cellSize);
    const float fy = static_cast<float>(y % cellSize) / static_cast<float>(cellSize);
    const std::int32_t x0 = cellX & maskX;
    const std::int32_t x1 = (cellX + 1) & maskX;
    const std::int32_t row0 = rowEntry(p, cellY & maskY);
    const std::int32_t row1 = rowEntry(p, (cellY + 1) & maskY);
    // The row is looked up first and the column added: the reverse of the usual order, and what gives
    // the textures their look.
    const auto hash = [&p](std::int32_t row, std::int32_t column) {
        return p[static_cast<std::size_t>(p[static_cast<std::size_t>((row + column) & 255)])];
    };
    const float u = fade(fx);
    const float v = fade(fy);
    const float top = lerp(u, grad(hash(row0, x0), fx, fy, 0.0f), grad(hash(row0, x1), fx - 1.0f, fy, 0.0f));
    const float bottom =
        lerp(u, grad(hash(row1, x0), fx, fy - 1.0f, 0.0f), grad(hash(row1, x1), fx - 1.0f, fy - 1.0f, 0.0f));
    return lerp(v, top, bottom);
}

bool applyNoise(Canvas& canvas, const Noise& noise) {
    if (noise.channel > 3) {
        return false;
    }
    const PermutationTable p = makePermutationTable(noise.seed);
    const float k = std::pow(128.0f, noise.contrast);
    const bool smooth = noise.cellSize >= 2;
    const std::int32_t cellsX = smooth ? canvas.width() / noise.cellSize : 0;
    const std::int32_t cellsY = smooth ? canvas.height() / noise.cellSize : 0;
    const std::uint32_t keep = noise.channel < 0 ? 0xFF000000u : ~(0xFFu << (8 * noise.channel));
    for (std::int32_t y = 0; y < canvas.height(); ++y) {
        std::span<std::uint32_t> row = canvas.row(y);
        const std::int32_t rowHash = p[static_cast<std::size_t>(y & 255)];
        for (std::int32_t x = 0; x < canvas.width(); ++x) {
            const float n = smooth ? gradientNoise(p, x, y, noise.cellSize, cellsX, cellsY)
                                   : (static_cast<float>(p[static_cast<std::size_t>((rowHash + x) & 255)]) - 127.5f) *
                                         0.007843138f;
            const std::uint32_t value = noiseByte(n, k);
            const std::uint32_t written =
                noise.channel < 0 ? (value << 16 | value << 8 | value) : value << (8 * noise.channel);
            std::uint32_t& pixel = row[static_cast<std::size_t>(x)];
            pixel = (pixel & keep) | written;
        }
    }
    return true;
}

Canvas* makeNoise(graph::ObjectStore& store, Canvas& canvas, std::int32_t cellSize, float contrast, std::int32_t seed,
                  std::int32_t channel) {
    if (!applyNoise(canvas, {cellSize, contrast, seed, channel})) {
        store.rejectRecord("Noise: byte channel " + std::to_string(channel) + " is neither 0..3 nor negative");
        return nullptr;
    }
    return &canvas;
}

}  // namespace texture
