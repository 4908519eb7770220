// drawLines: aliased lines by the diamond-exit rule and anti-aliased lines one pixel wide whose
// coverage scales the source alpha; fragments go through the same pixel pipeline as triangles.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/soft/pixel_pipeline.h"
#include "platform/soft/raster.h"

namespace soft {
namespace {

constexpr double kCoordinateLimit = 1048576.0;

bool validVertex(const ScreenVertex& v) {
    return std::fabs(v.x) <= kCoordinateLimit && std::fabs(v.y) <= kCoordinateLimit && v.rhw > 0.0f &&
           std::isfinite(v.rhw) && std::isfinite(v.z);
}

// Collects a line's fragments into batches; values are interpolated at a parameter t along the line.
class LineFragments {
public:
    LineFragments(const RenderTarget& target, const PixelContext& context, bool smooth)
        : target_(target), context_(context) {
        batch_.contiguous = false;
        batch_.hasCoverage = smooth;
        for (int s = 0; s < kStageCount; ++s) batch_.filter[s] = context.samplers[s].magFilter;
    }

    void setLine(const ScreenVertex& a, const ScreenVertex& b) {
        a_ = &a;
        b_ = &b;
    }

    void add(int px, int py, double t, int coverage) {
        if (px < target_.x0 || px >= target_.x1 || py < target_.y0 || py >= target_.y1) return;
        const int i = batch_.count;
        batch_.colorIndex[i] = py * target_.color.pitchInPixels + px;
        batch_.depthIndex[i] = target_.depth != nullptr ? py * target_.depth->pitchInValues + px : 0;
        fill(i, std::clamp(t, 0.0, 1.0));
        batch_.coverage[i] = static_cast<std::uint8_t>(coverage);
        if (++batch_.count == kBatchSize) flush();
    }

    // Blending reads every destination of a batch before writing any, so fragments that may hit the
    // same pixel (those of different lines) must not share a batch.
    void flush() {
        shadeBatch(context_, target_, batch_);
        batch_.count = 0;
    }

private:
    // Perspective-correct like triangles: value * rhw and rhw interpolate linearly along the line.
    void fill(int i, double t) {
        const ScreenVertex& a = *a_;
        const ScreenVertex& b = *b_;
        const double wa = a.rhw * (1.0 - t);
        const double wb = b.rhw * t;
        const double rhw = wa + wb;
        auto mix = [&](float va, float vb) { return static_cast<float>((va * wa + vb * wb) / rhw); };
        const float z = static_cast<float>(a.z + (b.z - a.z) * t);
        batch_.z[i] = z;
        batch_.fogDepth[i] = context_.fogFromW ? static_cast<float>(1.0 / rhw) : z;
        batch_.diffuse[i] = pack(mix(a.diffuse.r, b.diffuse.r), mix(a.diffuse.g, b.diffuse.g),
                                 mix(a.diffuse.b, b.diffuse.b), mix(a.diffuse.a, b.diffuse.a));
        if (context_.needsSpecular) {
            batch_.specular[i] = pack(mix(a.specular.r, b.specular.r), mix(a.specular.g, b.specular.g),
                                      mix(a.specular.b, b.specular.b), mix(a.specular.a, b.specular.a));
        }
        batch_.u[i] = mix(a.u, b.u);
        batch_.v[i] = mix(a.v, b.v);
    }

    static std::uint32_t pack(float r, float g, float b, float a) {
        return pixel::packArgb(pixel::unitToByte(r), pixel::unitToByte(g), pixel::unitToByte(b),
                               pixel::unitToByte(a));
    }

    const RenderTarget& target_;
    const PixelContext& context_;
    const ScreenVertex* a_ = nullptr;
    const ScreenVertex* b_ = nullptr;
    FragmentBatch batch_;
};

// A line along its major axis: p is the major coordinate, q the minor one.
struct AxisLine {
    double p0, q0, p1, q1;
    int pLow, pHigh;  // major-axis pixel range allowed by the target
    bool xMajor;
};

void emit(LineFragments& out, const AxisLine& l, int p, int q, double t, int coverage) {
    if (l.xMajor) {
        out.add(p, q, t, coverage);
    } else {
        out.add(q, p, t, coverage);
    }
}

// Diamond-exit rule: a pixel is drawn when the line leaves the diamond |dx| + |dy| < 0.5 around its
// centre. Along the major axis the line leaves pixel p's diamond at p + 0.5 (or p - 0.5 going the
// other way), so p is drawn when that exit lies on the segment: the start pixel is drawn, the pixel the
// line ends in is not, and lines that join end to end share no pixel. On the minor axis the pixel is
// the one whose centre is nearest the line at p.
void aliasedLine(LineFragments& out, const AxisLine& l) {
    const double dp = l.p1 - l.p0;
    int first, last;
    if (dp > 0) {
        first = static_cast<int>(std::floor(l.p0 - 0.5)) + 1;
        last = static_cast<int>(std::floor(l.p1 - 0.5));
    } else {
        first = static_cast<int>(std::ceil(l.p1 + 0.5));
        last = static_cast<int>(std::ceil(l.p0 + 0.5)) - 1;
    }
    first = std::max(first, l.pLow);
    last = std::min(last, l.pHigh);
    for (int p = first; p <= last; ++p) {
        const double t = (p - l.p0) / dp;
        const double q = l.q0 + t * (l.q1 - l.q0);
        emit(out, l, p, static_cast<int>(std::floor(q + 0.5)), t, 255);
    }
}

double overlap(double lo0, double hi0, double lo1, double hi1) { return std::min(hi0, hi1) - std::max(lo0, lo1); }

// A line one pixel wide: across the major axis it spans sqrt(1 + slope^2) pixels, centred on the line.
// A pixel's coverage is the overlap of its cell with that band along both axes (the line has no end
// caps), so a column's coverages add up to the band's width and the line looks the same both ways.
void smoothLine(LineFragments& out, const AxisLine& l) {
    const double dp = l.p1 - l.p0;
    const double slope = (l.q1 - l.q0) / dp;
    const double half = 0.5 * std::sqrt(1.0 + slope * slope);
    const double pMin = std::min(l.p0, l.p1);
    const double pMax = std::max(l.p0, l.p1);
    const int first = std::max(static_cast<int>(std::floor(pMin + 0.5)), l.pLow);
    const int last = std::min(static_cast<int>(std::ceil(pMax - 0.5)), l.pHigh);
    for (int p = first; p <= last; ++p) {
        const double along = std::min(1.0, overlap(p - 0.5, p + 0.5, pMin, pMax));
        if (along <= 0.0) continue;
        const double t = std::clamp((p - l.p0) / dp, 0.0, 1.0);
        const double q = l.q0 + t * (l.q1 - l.q0);
        const int qFirst = static_cast<int>(std::ceil(q - half - 0.5));
        const int qLast = static_cast<int>(std::floor(q + half + 0.5));
        for (int qi = qFirst; qi <= qLast; ++qi) {
            const double across = std::min(1.0, overlap(qi - 0.5, qi + 0.5, q - half, q + half));
            const int coverage = static_cast<int>(std::floor(along * across * 255.0 + 0.5));
            if (coverage > 0) emit(out, l, p, qi, t, coverage);
        }
    }
}

void drawLine(LineFragments& out, const RenderTarget& target, const ScreenVertex& a, const ScreenVertex& b,
              bool smooth) {
    if (!validVertex(a) || !validVertex(b)) return;
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    if (dx == 0.0 && dy == 0.0) return;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    if (smooth && (xMajor ? dx : dy) < 0.0) {
        // Smooth lines do not depend on direction: always walk them the same way.
        drawLine(out, target, b, a, smooth);
        return;
    }
    out.setLine(a, b);
    const AxisLine l = xMajor ? AxisLine{a.x, a.y, b.x, b.y, target.x0, target.x1 - 1, true}
                              : AxisLine{a.y, a.x, b.y, b.x, target.y0, target.y1 - 1, false};
    if (smooth) {
        smoothLine(out, l);
    } else {
        aliasedLine(out, l);
    }
}

}  // namespace

void drawLines(const RenderTarget& target, const PixelState& state, const ScreenVertex* vertices,
               std::size_t lineCount, const RasterSettings& settings) {
    RenderTarget clipped;
    if (vertices == nullptr || lineCount == 0 || !clipRenderTarget(target, clipped)) return;
    const PixelContext context = preparePixelContext(state, clipped, settings);
    LineFragments fragments(clipped, context, state.antialiasedLines);
    for (std::size_t i = 0; i < lineCount; ++i) {
        drawLine(fragments, clipped, vertices[2 * i], vertices[2 * i + 1], state.antialiasedLines);
        fragments.flush();
    }
}

}  // namespace soft
