// Homogeneous clipping and the viewport mapping.
#include "platform/soft/clipper.h"

#include <algorithm>

namespace soft {

namespace {

// The guard band stops a little short of kGuardBand so that rounding in the divide cannot step over it.
constexpr float kGuardMargin = 8.0f;
// Vertices closer to w = 0 than this would make 1/w overflow; such a sliver is cut away.
constexpr float kMinimumW = 1.0e-6f;

float distance(const ClipPlane& p, const Vec4& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d * v.w + p.e; }

float lerp(float from, float to, float t) { return from + t * (to - from); }

Color4 lerp(const Color4& from, const Color4& to, float t) {
    return {lerp(from.r, to.r, t), lerp(from.g, to.g, t), lerp(from.b, to.b, t), lerp(from.a, to.a, t)};
}

// The point where the edge crosses the plane. It is always computed from the inside vertex towards the
// outside one, so an edge shared by two triangles is cut at exactly the same point for both.
ClipVertex intersect(const ClipVertex& inside, float dInside, const ClipVertex& outside, float dOutside) {
    const float t = dInside / (dInside - dOutside);
    ClipVertex result;
    result.position = {lerp(inside.position.x, outside.position.x, t), lerp(inside.position.y, outside.position.y, t),
                       lerp(inside.position.z, outside.position.z, t), lerp(inside.position.w, outside.position.w, t)};
    result.diffuse = lerp(inside.diffuse, outside.diffuse, t);
    result.specular = lerp(inside.specular, outside.specular, t);
    result.u = lerp(inside.u, outside.u, t);
    result.v = lerp(inside.v, outside.v, t);
    return result;
}

int clipAgainst(const ClipPlane& plane, const ClipVertex* in, int count, ClipVertex* out) {
    float d[kMaxClippedVertices];
    for (int i = 0; i < count; ++i) d[i] = distance(plane, in[i].position);
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const int previous = i == 0 ? count - 1 : i - 1;
        const bool currentInside = d[i] >= 0.0f;
        const bool previousInside = d[previous] >= 0.0f;
        if (currentInside != previousInside) {
            out[written++] = currentInside ? intersect(in[i], d[i], in[previous], d[previous])
                                           : intersect(in[previous], d[previous], in[i], d[i]);
        }
        if (currentInside) out[written++] = in[i];
    }
    return written;
}

}  // namespace

ClipPlanes makeClipPlanes(const ViewportMapping& vp) {
    const float band = kGuardBand - kGuardMargin;
    // Screen x stays within [-band, band] when x/w lies in [xMin, xMax]; screen y grows as y/w falls.
    const float xMin = (-band - vp.x) / vp.halfWidth - 1.0f;
    const float xMax = (band - vp.x) / vp.halfWidth - 1.0f;
    const float yMin = 1.0f - (band - vp.y) / vp.halfHeight;
    const float yMax = 1.0f + (band + vp.y) / vp.halfHeight;
    return {{
        {0.0f, 0.0f, 1.0f, 0.0f, 0.0f},        // near: z >= 0
        {0.0f, 0.0f, -1.0f, 1.0f, 0.0f},       // far: z <= w
        {0.0f, 0.0f, 0.0f, 1.0f, -kMinimumW},  // w >= kMinimumW
        {1.0f, 0.0f, 0.0f, -xMin, 0.0f},       // x >= xMin w
        {-1.0f, 0.0f, 0.0f, xMax, 0.0f},       // x <= xMax w
        {0.0f, -1.0f, 0.0f, yMax, 0.0f},       // y <= yMax w
        {0.0f, 1.0f, 0.0f, -yMin, 0.0f},       // y >= yMin w
    }};
}

std::uint32_t outcode(const ClipPlanes& planes, const Vec4& position) {
    std::uint32_t code = 0;
    for (int i = 0; i < kClipPlaneCount; ++i) {
        // A NaN distance counts as outside, so broken vertices never reach the raster stage.
        if (!(distance(planes.planes[i], position) >= 0.0f)) code |= 1u << i;
    }
    return code;
}

int clipPolygon(const ClipPlanes& planes, std::uint32_t mask, const ClipVertex* in, int count, ClipVertex* out) {
    ClipVertex scratch[kMaxClippedVertices];
    std::copy(in, in + count, out);
    for (int i = 0; i < kClipPlaneCount && count >= 3; ++i) {
        if (!(mask & (1u << i))) continue;
        count = clipAgainst(planes.planes[i], out, count, scratch);
        std::copy(scratch, scratch + count, out);
    }
    return count;
}

bool clipLine(const ClipPlanes& planes, std::uint32_t mask, ClipVertex& a, ClipVertex& b) {
    for (int i = 0; i < kClipPlaneCount; ++i) {
        if (!(mask & (1u << i))) continue;
        const float da = distance(planes.planes[i], a.position);
        const float db = distance(planes.planes[i], b.position);
        const bool aInside = da >= 0.0f;
        const bool bInside = db >= 0.0f;
        if (!aInside && !bInside) return false;
        if (!aInside) a = intersect(b, db, a, da);
        if (!bInside) b = intersect(a, da, b, db);
    }
    return true;
}

ScreenVertex toScreen(const ViewportMapping& vp, const ClipVertex& vertex) {
    const float rhw = 1.0f / vertex.position.w;
    ScreenVertex s;
    s.x = std::clamp(vp.x + (1.0f + vertex.position.x * rhw) * vp.halfWidth, -kGuardBand, kGuardBand);
    s.y = std::clamp(vp.y + (1.0f - vertex.position.y * rhw) * vp.halfHeight, -kGuardBand, kGuardBand);
    s.z = std::clamp(vp.minZ + vertex.position.z * rhw * vp.depthScale, 0.0f, 1.0f);
    s.rhw = rhw;
    s.diffuse = vertex.diffuse;
    s.specular = vertex.specular;
    s.u = vertex.u;
    s.v = vertex.v;
    return s;
}

}  // namespace soft
