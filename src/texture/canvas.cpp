// Canvas storage, the size rules of the canvas record and the operators' shared problem report.
#include "texture/canvas.h"

#include <cstdio>

namespace texture {

Canvas::Canvas(std::int32_t width, std::int32_t height, std::uint32_t fill)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

bool canvasSizeFromLog2(std::int32_t log2Width, std::int32_t log2Height, CanvasSize& size, std::string& error) {
    if (log2Width < 0 || log2Height < 0) {
        error = "negative size exponent " + std::to_string(log2Width < 0 ? log2Width : log2Height);
        return false;
    }
    if (log2Width > kMaxCanvasLog2Side || log2Height > kMaxCanvasLog2Side ||
        log2Width + log2Height > kMaxCanvasLog2Pixels) {
        error = "size 2^" + std::to_string(log2Width) + " x 2^" + std::to_string(log2Height) +
                " is too large (at most 2^" + std::to_string(kMaxCanvasLog2Side) + " a side and 2^" +
                std::to_string(kMaxCanvasLog2Pixels) + " pixels)";
        return false;
    }
    size.width = std::int32_t{1} << log2Width;
    size.height = std::int32_t{1} << log2Height;
    return true;
}

void reportTextureProblem(const char* operatorName, const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", operatorName, problem.c_str());
}

Canvas* makeCanvas(graph::ObjectStore& store, std::int32_t log2Width, std::int32_t log2Height, std::int32_t fill) {
    CanvasSize size;
    std::string error;
    if (!canvasSizeFromLog2(log2Width, log2Height, size, error)) {
        store.rejectRecord("Canvas: " + error);
        return nullptr;
    }
    return store.make<Canvas>(size.width, size.height, static_cast<std::uint32_t>(fill));
}

}  // namespace texture
