// Vector operations with the component rules the transforms and mesh generators rely on.
#include "math/vec4.h"

#include <cmath>

namespace math {

Vec4 vecAdd(const Vec4& a, const Vec4& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }

Vec4 vecSub(const Vec4& a, const Vec4& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }

Vec4 vecScale(const Vec4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }

void vecAddInPlace(Vec4& a, const Vec4& b) { a = vecAdd(a, b); }

void vecSubInPlace(Vec4& a, const Vec4& b) { a = vecSub(a, b); }

void vecScaleInPlace(Vec4& a, float s) { a = vecScale(a, s); }

Vec4 vecScale3(const Vec4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w}; }

Vec4 vecDivide(const Vec4& a, float s) { return vecScale(a, 1.0f / s); }

Vec4 vecCross(const Vec4& a, const Vec4& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}

float vecDot3(const Vec4& a, const Vec4& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

float vecLength3(const Vec4& a) { return std::sqrt(vecDot3(a, a)); }

void vecNormalize3(Vec4& a) {
    if (a.w == 0.0f) {
        const float inverse = 1.0f / vecLength3(a);
        a = {a.x * inverse, a.y * inverse, a.z * inverse, 0.0f};
    } else {
        a = {0.0f, 0.0f, 1.0f, 0.0f};
    }
}

}  // namespace math
