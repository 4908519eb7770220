// Small float vector and matrix helpers of the software device, in Direct3D's row-vector convention.
// Every operation has one fixed order of float operations, so results are the same on every machine.
#pragma once

#include <cmath>

#include "device/d3d9_types.h"

namespace soft {

struct Vec3 {
    float x, y, z;
};

struct Vec4 {
    float x, y, z, w;
};

// The upper-left 3x3 block of a matrix, used for normals; m[row][column].
struct Mat3 {
    float m[3][3];
};

inline float dot3(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 sub3(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 add3(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 neg3(const Vec3& a) { return {-a.x, -a.y, -a.z}; }

// a / |a|; the zero vector stays zero.
inline Vec3 normalize3(const Vec3& a) {
    const float length = std::sqrt(dot3(a, a));
    if (!(length > 0.0f)) return {0.0f, 0.0f, 0.0f};
    const float inverse = 1.0f / length;
    return {a.x * inverse, a.y * inverse, a.z * inverse};
}

device::D3DMATRIX identityMatrix();
// The product a b: a row vector multiplied by it goes through a first.
device::D3DMATRIX multiply(const device::D3DMATRIX& a, const device::D3DMATRIX& b);
// (p, 1) times m, all four components.
Vec4 transformPoint(const Vec3& p, const device::D3DMATRIX& m);
// p (any w) times m.
inline Vec4 transformVec4(const Vec4& p, const device::D3DMATRIX& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + p.w * m._41,
            p.x * m._12 + p.y * m._22 + p.z * m._32 + p.w * m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + p.w * m._43,
            p.x * m._14 + p.y * m._24 + p.z * m._34 + p.w * m._44};
}
// (v, 0) times m, three components: directions ignore the translation row.
Vec3 transformDirection(const Vec3& v, const device::D3DMATRIX& m);
inline Vec3 transformByMat3(const Vec3& v, const Mat3& m) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

// The transposed upper-left 3x3 of the inverse of the full 4x4 matrix. A singular matrix gives zeros.
Mat3 inverseTransposeUpper3x3(const device::D3DMATRIX& m);

// x^p for x >= 0 from basic arithmetic only (no libm), so that lighting does not depend on the C library
// or on which variant of pow it picks at run time. Relative error far below float precision.
float powDeterministic(float x, float p);
// cos(angle) from basic arithmetic only, for the same reason.
float cosDeterministic(float angle);

}  // namespace soft
