// The two seams of the software device: where finished frames go (a window or a file backend) and where
// screen-space primitives go (the raster stage, or a test that captures them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/soft/raster.h"

namespace soft {

// Receives every presented frame. The image is the whole back buffer with the gamma ramp applied, as
// 32-bit words 0xFFRRGGBB (alpha forced opaque), rows pitchInPixels apart; it is valid only during the call.
class PresentSink {
public:
    virtual void present(const std::uint32_t* pixels, int width, int height, int pitchInPixels) = 0;

protected:
    ~PresentSink() = default;
};

// Receives the primitives of each draw after vertex processing, clipping and culling. The device's default
// sink, RasterStageSink, hands them to soft::drawTriangles and soft::drawLines.
class RasterSink {
public:
    virtual void drawTriangles(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                               std::size_t triangleCount) = 0;
    virtual void drawLines(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                           std::size_t lineCount) = 0;

protected:
    ~RasterSink() = default;
};

// The sink that draws into the render target with the raster stage, run as the settings say.
class RasterStageSink final : public RasterSink {
public:
    explicit RasterStageSink(const RasterSettings& settings) : settings_(settings) {}

    void drawTriangles(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                       std::size_t triangleCount) override;
    void drawLines(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
                   std::size_t lineCount) override;

private:
    RasterSettings settings_;
};

}  // namespace soft
