// The raster sink the device uses unless told otherwise: straight into the raster stage.
#include "platform/soft/soft_sinks.h"

namespace soft {

void RasterStageSink::drawTriangles(const RenderTarget& target, const PixelState& state,
                                    const ScreenVertex* vertices, std::size_t triangleCount) {
    soft::drawTriangles(target, state, vertices, triangleCount, settings_);
}

void RasterStageSink::drawLines(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                                std::size_t lineCount) {
    soft::drawLines(target, state, vertices, lineCount, settings_);
}

}  // namespace soft
