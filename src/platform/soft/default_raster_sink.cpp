// The raster sink the device uses unless told otherwise: straight into the raster stage.
#include "platform/soft/soft_sinks.h"

namespace soft {

namespace {

class RasterStageSink final : public RasterSink {
public:
    void drawTriangles(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                       std::size_t triangleCount) override {
        soft::drawTriangles(target, state, vertices, triangleCount);
    }
    void drawLines(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                   std::size_t lineCount) override {
        soft::drawLines(target, state, vertices, lineCount);
    }
};

}  // namespace

RasterSink& defaultRasterSink() {
    static RasterStageSink sink;
    return sink;
}

}  // namespace soft
