// Triangle setup: fixed-point snapping, edge functions with the top-left rule, exact row spans, and
// the attribute planes evaluated into fragment batches (perspective-correct where rhw varies).
#include "platform/soft/triangle_setup.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "platform/soft/pixel_math.h"

namespace soft {
namespace {

// Vertex positions are snapped to 24.8 fixed point (1/256 pixel). Coordinates up to 2^20 keep every
// edge-function product below 2^58, so the int64 evaluation is exact; the vertex stage stays within
// kGuardBand, far inside that range.
constexpr int kSubpixelBits = 8;
constexpr std::int64_t kSubpixel = 1 << kSubpixelBits;
constexpr double kCoordinateLimit = 1048576.0;

struct Fixed {
    std::int64_t x, y;
};

// floor(d) for |d| well inside the int64 range: truncation, corrected for negative fractions.
std::int64_t floorToInt(double d) {
    const std::int64_t t = static_cast<std::int64_t>(d);
    return t - (static_cast<double>(t) > d ? 1 : 0);
}

// Rounds to the nearest 1/256 pixel, halves upwards.
bool snap(const ScreenVertex& v, Fixed& out) {
    const double x = v.x;
    const double y = v.y;
    if (!(std::fabs(x) <= kCoordinateLimit) || !(std::fabs(y) <= kCoordinateLimit)) return false;
    out.x = floorToInt(x * kSubpixel + 0.5);
    out.y = floorToInt(y * kSubpixel + 0.5);
    return true;
}

std::int64_t doubleArea(const Fixed* p) {
    return (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
}

// With the vertices ordered so that doubleArea > 0, the edge function from A to B is positive inside
// the triangle. Its gradient (a, b) points inwards, so the edge is a left edge when a > 0 (the inside
// lies to its right) and a top edge when it is horizontal (a == 0) with the inside below it (b > 0).
// Pixel centres exactly on an edge belong to the triangle only for top and left edges: those edges
// test E >= 0, the others E > 0, which for integers is E - 1 >= 0. Two triangles sharing an edge see
// it with opposite gradients, so a centre on it is drawn by exactly one of them.
EdgeFunction makeEdge(const Fixed& a, const Fixed& b) {
    EdgeFunction e;
    e.a = -(b.y - a.y) * kSubpixel;
    e.b = (b.x - a.x) * kSubpixel;
    e.c = (b.y - a.y) * a.x - (b.x - a.x) * a.y;
    const bool topLeft = e.a > 0 || (e.a == 0 && e.b > 0);
    if (!topLeft) e.c -= 1;
    e.inverseA = e.a != 0 ? 1.0 / static_cast<double>(e.a) : 0.0;
    return e;
}

bool snapTriangle(const ScreenVertex* v, Fixed* p) {
    return snap(v[0], p[0]) && snap(v[1], p[1]) && snap(v[2], p[2]) && doubleArea(p) != 0;
}

void pixelBounds(const Fixed* p, int& minX, int& maxX, int& minY, int& maxY) {
    const std::int64_t loX = std::min({p[0].x, p[1].x, p[2].x});
    const std::int64_t hiX = std::max({p[0].x, p[1].x, p[2].x});
    const std::int64_t loY = std::min({p[0].y, p[1].y, p[2].y});
    const std::int64_t hiY = std::max({p[0].y, p[1].y, p[2].y});
    // Arithmetic shifts floor; ceil(n / 256) = -floor(-n / 256).
    minX = static_cast<int>(-((-loX) >> kSubpixelBits));
    maxX = static_cast<int>(hiX >> kSubpixelBits);
    minY = static_cast<int>(-((-loY) >> kSubpixelBits));
    maxY = static_cast<int>(hiY >> kSubpixelBits);
}

bool sameColor(const Color4& a, const Color4& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

std::uint32_t packColor(const Color4& c) {
    return pixel::packArgb(pixel::unitToByte(c.r), pixel::unitToByte(c.g), pixel::unitToByte(c.b),
                           pixel::unitToByte(c.a));
}

// Bilinear and point filtering follow the magnification or minification filter according to the
// triangle's texel-to-pixel area ratio, decided once per triangle.
// Both areas are doubled (cross products), which leaves their ratio unchanged.
TextureFilter chooseFilter(const SamplerConfig& s, const ScreenVertex* v, double screenArea) {
    const double du1 = v[1].u - v[0].u, dv1 = v[1].v - v[0].v;
    const double du2 = v[2].u - v[0].u, dv2 = v[2].v - v[0].v;
    const double texelArea = std::fabs(du1 * dv2 - du2 * dv1) * s.width * s.height;
    return texelArea > std::fabs(screenArea) ? s.minFilter : s.magFilter;
}

void vertexChannels(const ScreenVertex& v, bool perspective, double* out) {
    const double k = perspective ? v.rhw : 1.0;
    out[kChannelRhw] = v.rhw;
    out[kChannelZ] = v.z;
    out[kChannelDiffuseR] = v.diffuse.r * k;
    out[kChannelDiffuseG] = v.diffuse.g * k;
    out[kChannelDiffuseB] = v.diffuse.b * k;
    out[kChannelDiffuseA] = v.diffuse.a * k;
    out[kChannelSpecularR] = v.specular.r * k;
    out[kChannelSpecularG] = v.specular.g * k;
    out[kChannelSpecularB] = v.specular.b * k;
    out[kChannelSpecularA] = v.specular.a * k;
    out[kChannelU] = v.u * k;
    out[kChannelV] = v.v * k;
}

void chooseChannels(const PixelContext& c, TriangleSetup& t) {
    const bool fog = c.fogMode != device::D3DFOG_NONE;
    t.active[kChannelZ] = c.depthTest || (fog && !c.fogFromW);
    for (int ch = kChannelDiffuseR; ch <= kChannelDiffuseA; ++ch) t.active[ch] = !t.constantDiffuse;
    for (int ch = kChannelSpecularR; ch <= kChannelSpecularA; ++ch) {
        t.active[ch] = c.needsSpecular && !t.constantSpecular;
    }
    t.active[kChannelU] = t.active[kChannelV] = c.needsTexCoords;
    bool divided = fog && c.fogFromW;
    for (int ch = kChannelDiffuseR; ch < kChannelCount; ++ch) divided = divided || t.active[ch];
    t.active[kChannelRhw] = t.perspective && divided;
}

// Plane gradients from the snapped positions, so that the planes agree with the coverage.
void computePlanes(const Fixed* p, const ScreenVertex* v, TriangleSetup& t) {
    const double x0 = static_cast<double>(p[0].x) / kSubpixel, y0 = static_cast<double>(p[0].y) / kSubpixel;
    const double dx1 = static_cast<double>(p[1].x) / kSubpixel - x0;
    const double dy1 = static_cast<double>(p[1].y) / kSubpixel - y0;
    const double dx2 = static_cast<double>(p[2].x) / kSubpixel - x0;
    const double dy2 = static_cast<double>(p[2].y) / kSubpixel - y0;
    const double invDet = 1.0 / (dx1 * dy2 - dx2 * dy1);
    double a0[kChannelCount], a1[kChannelCount], a2[kChannelCount];
    vertexChannels(v[0], t.perspective, a0);
    vertexChannels(v[1], t.perspective, a1);
    vertexChannels(v[2], t.perspective, a2);
    t.originX = x0;
    t.originY = y0;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!t.active[ch]) continue;
        const double d1 = a1[ch] - a0[ch];
        const double d2 = a2[ch] - a0[ch];
        t.value[ch] = a0[ch];
        t.ddx[ch] = (d1 * dy2 - d2 * dy1) * invDet;
        t.ddy[ch] = (d2 * dx1 - d1 * dx2) * invDet;
    }
}

bool validVertex(const ScreenVertex& v) { return v.rhw > 0.0f && std::isfinite(v.rhw) && std::isfinite(v.z); }

// Where row py crosses edge e: for a > 0 the first pixel with a * px + row >= 0, for a < 0 the last.
// Multiplying by 1 / a guesses it to within two pixels (truncation plus rounding), so the guess is
// moved back by one and then corrected with three exact int64 steps: the result is exact whatever the
// rounding, without branches. Guesses are clamped near the range lo..hi, where the result is used.
std::int64_t firstInside(const EdgeFunction& e, std::int64_t row, std::int64_t lo, std::int64_t hi) {
    const double guess = std::clamp(-static_cast<double>(row) * e.inverseA, static_cast<double>(lo - 4),
                                    static_cast<double>(hi + 4));
    std::int64_t px = static_cast<std::int64_t>(guess) - 1;
    for (int i = 0; i < 3; ++i) px += (e.a * px + row < 0) ? 1 : 0;
    return px;
}

std::int64_t lastInside(const EdgeFunction& e, std::int64_t row, std::int64_t lo, std::int64_t hi) {
    const double guess = std::clamp(-static_cast<double>(row) * e.inverseA, static_cast<double>(lo - 4),
                                    static_cast<double>(hi + 4));
    std::int64_t px = static_cast<std::int64_t>(guess) + 1;
    for (int i = 0; i < 3; ++i) px -= (e.a * px + row < 0) ? 1 : 0;
    return px;
}

// Channel ch at pixel (originX + offsetX, originY + offsetY), rounded to float: every span's start.
float channelAt(const TriangleSetup& t, int ch, double offsetX, double offsetY) {
    return static_cast<float>(t.value[ch] + t.ddx[ch] * offsetX + t.ddy[ch] * offsetY);
}

}  // namespace

bool triangleBounds(const ScreenVertex* v, int& minX, int& maxX, int& minY, int& maxY) {
    Fixed p[3];
    if (!snapTriangle(v, p)) return false;
    pixelBounds(p, minX, maxX, minY, maxY);
    return minX <= maxX && minY <= maxY;
}

bool setupTriangle(const ScreenVertex* vertices, const PixelContext& context, TriangleSetup& t) {
    ScreenVertex v[3] = {vertices[0], vertices[1], vertices[2]};
    Fixed p[3];
    if (!snapTriangle(v, p) || !validVertex(v[0]) || !validVertex(v[1]) || !validVertex(v[2])) return false;
    if (doubleArea(p) < 0) {
        std::swap(v[1], v[2]);
        std::swap(p[1], p[2]);
    }
    pixelBounds(p, t.minX, t.maxX, t.minY, t.maxY);
    if (t.minX > t.maxX || t.minY > t.maxY) return false;
    t.edges[0] = makeEdge(p[0], p[1]);
    t.edges[1] = makeEdge(p[1], p[2]);
    t.edges[2] = makeEdge(p[2], p[0]);

    t.perspective = !(v[0].rhw == v[1].rhw && v[1].rhw == v[2].rhw);
    t.constantW = 1.0f / v[0].rhw;
    t.constantDiffuse = sameColor(v[0].diffuse, v[1].diffuse) && sameColor(v[1].diffuse, v[2].diffuse);
    t.constantSpecular = sameColor(v[0].specular, v[1].specular) && sameColor(v[1].specular, v[2].specular);
    t.diffuse = packColor(v[0].diffuse);
    t.specular = packColor(v[0].specular);
    const double screenArea = static_cast<double>(doubleArea(p)) / static_cast<double>(kSubpixel * kSubpixel);
    for (int s = 0; s < context.stages.count; ++s) {
        if (context.stages.readsTexture[s] && context.samplers[s].texels != nullptr) {
            t.filter[s] = chooseFilter(context.samplers[s], v, screenArea);
        }
    }
    chooseChannels(context, t);
    computePlanes(p, v, t);
    return true;
}

bool spanForRow(const TriangleSetup& t, int py, int& xl, int& xr) {
    // a * px + row >= 0 bounds px from below when a > 0 and from above when a < 0; the three edges are
    // solved independently against the bounding box.
    std::int64_t lo = t.minX;
    std::int64_t hi = t.maxX;
    bool empty = false;
    for (int i = 0; i < 3; ++i) {
        const EdgeFunction& e = t.edges[i];
        const std::int64_t row = e.b * py + e.c;
        if (e.a > 0) {
            lo = std::max(lo, firstInside(e, row, t.minX, t.maxX));
        } else if (e.a < 0) {
            hi = std::min(hi, lastInside(e, row, t.minX, t.maxX));
        } else {
            empty = empty || row < 0;
        }
    }
    xl = static_cast<int>(lo);
    xr = static_cast<int>(hi);
    return !empty && lo <= hi;
}

bool spanTexCoords(const TriangleSetup& t, int py, int xStart, float& u, float& du, float& v) {
    if (static_cast<float>(t.ddx[kChannelV]) != 0.0f) return false;
    const double offsetX = xStart - t.originX;
    const double offsetY = py - t.originY;
    u = channelAt(t, kChannelU, offsetX, offsetY);
    du = static_cast<float>(t.ddx[kChannelU]);
    v = channelAt(t, kChannelV, offsetX, offsetY);
    return true;
}

// Perspective correction: colours and texture coordinates divided by w are linear in screen space, and
// so is rhw = 1 / w. Each pixel interpolates value * rhw and rhw, then multiplies by w = 1 / rhw. Where
// rhw is the same at all three vertices the planes hold the values themselves and no division is
// needed. Depth z is already divided by w and interpolates linearly.
void interpolateSpan(const TriangleSetup& t, const PixelContext& context, int py, int xStart, int first,
                     int count, FragmentBatch& batch) {
    // channelAt for two channels at a time, inactive ones included (their values go unused).
    static_assert(kChannelCount % 2 == 0);
    alignas(16) float start[kChannelCount];
    alignas(16) float step[kChannelCount];
    const __m128d offsetX = _mm_set1_pd(xStart - t.originX);
    const __m128d offsetY = _mm_set1_pd(py - t.originY);
    for (int ch = 0; ch < kChannelCount; ch += 2) {
        const __m128d ddx = _mm_loadu_pd(t.ddx + ch);
        const __m128d at = _mm_add_pd(_mm_add_pd(_mm_loadu_pd(t.value + ch), _mm_mul_pd(ddx, offsetX)),
                                      _mm_mul_pd(_mm_loadu_pd(t.ddy + ch), offsetY));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(start + ch), _mm_castps_si128(_mm_cvtpd_ps(at)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(step + ch), _mm_castps_si128(_mm_cvtpd_ps(ddx)));
    }
    const bool fog = context.fogMode != device::D3DFOG_NONE;
    const bool fogFromW = fog && context.fogFromW;
    const __m128 lane = _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f);
    auto channel = [&](int ch, __m128 index) {
        return _mm_add_ps(_mm_set1_ps(start[ch]), _mm_mul_ps(_mm_set1_ps(step[ch]), index));
    };
    for (int k = 0; k < count; k += 4) {
        const __m128 index = _mm_add_ps(_mm_set1_ps(static_cast<float>(first + k)), lane);
        __m128 w = _mm_set1_ps(t.constantW);
        if (t.active[kChannelRhw]) w = _mm_div_ps(_mm_set1_ps(1.0f), channel(kChannelRhw, index));
        const __m128 scale = t.perspective ? w : _mm_set1_ps(1.0f);
        const __m128 z = t.active[kChannelZ] ? channel(kChannelZ, index) : _mm_setzero_ps();
        _mm_store_ps(batch.z + k, z);
        if (fog) _mm_store_ps(batch.fogDepth + k, fogFromW ? w : z);
        if (t.active[kChannelDiffuseR]) {
            const __m128i r = pixel::unitToByte4(_mm_mul_ps(channel(kChannelDiffuseR, index), scale));
            const __m128i g = pixel::unitToByte4(_mm_mul_ps(channel(kChannelDiffuseG, index), scale));
            const __m128i b = pixel::unitToByte4(_mm_mul_ps(channel(kChannelDiffuseB, index), scale));
            const __m128i a = pixel::unitToByte4(_mm_mul_ps(channel(kChannelDiffuseA, index), scale));
            _mm_store_si128(reinterpret_cast<__m128i*>(batch.diffuse + k), pixel::packArgb4(r, g, b, a));
        } else {
            _mm_store_si128(reinterpret_cast<__m128i*>(batch.diffuse + k), _mm_set1_epi32(static_cast<int>(t.diffuse)));
        }
        if (context.needsSpecular) {
            __m128i packed = _mm_set1_epi32(static_cast<int>(t.specular));
            if (t.active[kChannelSpecularR]) {
                const __m128i r = pixel::unitToByte4(_mm_mul_ps(channel(kChannelSpecularR, index), scale));
                const __m128i g = pixel::unitToByte4(_mm_mul_ps(channel(kChannelSpecularG, index), scale));
                const __m128i b = pixel::unitToByte4(_mm_mul_ps(channel(kChannelSpecularB, index), scale));
                const __m128i a = pixel::unitToByte4(_mm_mul_ps(channel(kChannelSpecularA, index), scale));
                packed = pixel::packArgb4(r, g, b, a);
            }
            _mm_store_si128(reinterpret_cast<__m128i*>(batch.specular + k), packed);
        }
        if (context.needsTexCoords) {
            _mm_store_ps(batch.u + k, _mm_mul_ps(channel(kChannelU, index), scale));
            _mm_store_ps(batch.v + k, _mm_mul_ps(channel(kChannelV, index), scale));
        }
    }
    for (int s = 0; s < kStageCount; ++s) batch.filter[s] = t.filter[s];
    batch.count = count;
    batch.hasCoverage = false;
}

}  // namespace soft
