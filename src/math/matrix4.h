// 4x4 float matrices in the Direct3D 9 convention: row-major, row vectors multiplied on the left
// (v' = v M), translation in row 3, left-handed rotations in radians. The product A B applies A first.
#pragma once

#include "math/vec4.h"

namespace math {

struct Matrix4 {
    float m[16] = {};  // element (row r, column c) at index 4r + c

    float& at(int row, int column) { return m[4 * row + column]; }
    float at(int row, int column) const { return m[4 * row + column]; }
    Vec4 row(int r) const { return {m[4 * r], m[4 * r + 1], m[4 * r + 2], m[4 * r + 3]}; }
    void setRow(int r, const Vec4& v);

    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

enum class Axis : int { X = 0, Y = 1, Z = 2 };

Matrix4 matIdentity();
// The product a b: element (i, j) is the sum over k of a(i, k) b(k, j).
Matrix4 matMultiply(const Matrix4& a, const Matrix4& b);
Matrix4 matTranslation(float x, float y, float z);
// axis 0 = X, 1 = Y, 2 = Z; any other value gives the identity. A positive angle about Z turns x towards y.
Matrix4 matRotation(int axis, float angle);

// The operations below apply a transformation in m's local frame: the result is Op times m.
Matrix4 matTranslate(const Matrix4& m, float x, float y, float z);
Matrix4 matRotate(int axis, const Matrix4& m, float angle);
// Rows 0, 1, 2 of m (all four components) times sx, sy, sz; row 3 unchanged.
Matrix4 matScale(const Matrix4& m, float sx, float sy, float sz);

// Inverse of a rotation-plus-translation matrix: transposed 3x3 block, translation rotated back.
// Reads only the upper 3x3 block and row 3, so it is the true inverse only for orthonormal rows.
Matrix4 matRigidInverse(const Matrix4& m);

// Rows 0..2 are r0..r2 passed through vecNormalize3 (so a row with w != 0 becomes (0, 0, 1, 0));
// row 3 is r3 unchanged, w included.
Matrix4 matFromRows(const Vec4& r0, const Vec4& r1, const Vec4& r2, const Vec4& r3);

// The frame that places an object at eye with its local +z towards target, local y as close to up as
// possible: rows right, up, forward, eye. When up is parallel to the view direction a fixed helper
// vector picks the right axis instead.
Matrix4 matLookAt(const Vec4& eye, const Vec4& target, const Vec4& up);

// v times m. Only a point (w exactly 1) receives the translation row and keeps w = 1; anything else is
// treated as a direction and gets w = 0. Column 3 of m is never read.
Vec4 transformVec(const Vec4& v, const Matrix4& m);

}  // namespace math
