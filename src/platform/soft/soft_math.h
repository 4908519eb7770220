// Small float vector and matrix helpers of the software device, in Direct3D's row-vector convention.
// Every operation has one fixed order of float operations, so results are the same on every machine.
#pragma once

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
Vec3 normalize3(const Vec3& a);

device::D3DMATRIX identityMatrix();
// The product a b: a row vector multiplied by it goes through a first.
device::D3DMATRIX multiply(const device::D3DMATRIX& a, const device::D3DMATRIX& b);
// (p, 1) times m, all four components.
Vec4 transformPoint(const Vec3& p, const device::D3DMATRIX& m);
// p (any w) times m.
Vec4 transformVec4(const Vec4& p, const device::D3DMATRIX& m);
// (v, 0) times m, three components: directions ignore the translation row.
Vec3 transformDirection(const Vec3& v, const device::D3DMATRIX& m);
Vec3 transformByMat3(const Vec3& v, const Mat3& m);

// The transposed upper-left 3x3 of the inverse of the full 4x4 matrix. A singular matrix gives zeros.
Mat3 inverseTransposeUpper3x3(const device::D3DMATRIX& m);

// x^p for x >= 0 from basic arithmetic only (no libm), so that lighting does not depend on the C library
// or on which variant of pow it picks at run time. Relative error far below float precision.
float powDeterministic(float x, float p);
// cos(angle) from basic arithmetic only, for the same reason.
float cosDeterministic(float angle);

}  // namespace soft
