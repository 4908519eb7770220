// Matrix operations in the row-vector, row-major, left-handed convention shared with Direct3D 9.
#include "math/matrix4.h"

#include <cmath>

namespace math {

namespace {

// Below this length the cross product of up and forward is treated as zero: up is parallel to forward.
constexpr float kLookAtParallelLimit = 0.00125f;

}  // namespace

void Matrix4::setRow(int r, const Vec4& v) {
    m[4 * r] = v.x;
    m[4 * r + 1] = v.y;
    m[4 * r + 2] = v.z;
    m[4 * r + 3] = v.w;
}

Matrix4 matIdentity() {
    Matrix4 result;
    result.m[0] = result.m[5] = result.m[10] = result.m[15] = 1.0f;
    return result;
}

Matrix4 matMultiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 result;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.at(i, k) * b.at(k, j);
            }
            result.at(i, j) = sum;
        }
    }
    return result;
}

Matrix4 matTranslation(float x, float y, float z) {
    Matrix4 result = matIdentity();
    result.setRow(3, {x, y, z, 1.0f});
    return result;
}

Matrix4 matRotation(int axis, float angle) {
    Matrix4 result = matIdentity();
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    switch (axis) {
    case static_cast<int>(Axis::X):
        result.setRow(1, {0.0f, c, s, 0.0f});
        result.setRow(2, {0.0f, -s, c, 0.0f});
        break;
    case static_cast<int>(Axis::Y):
        result.setRow(0, {c, 0.0f, -s, 0.0f});
        result.setRow(2, {s, 0.0f, c, 0.0f});
        break;
    case static_cast<int>(Axis::Z):
        result.setRow(0, {c, s, 0.0f, 0.0f});
        result.setRow(1, {-s, c, 0.0f, 0.0f});
        break;
    default:
        break;
    }
    return result;
}

Matrix4 matTranslate(const Matrix4& m, float x, float y, float z) {
    return matMultiply(matTranslation(x, y, z), m);
}

Matrix4 matRotate(int axis, const Matrix4& m, float angle) { return matMultiply(matRotation(axis, angle), m); }

Matrix4 matScale(const Matrix4& m, float sx, float sy, float sz) {
    Matrix4 result = m;
    result.setRow(0, vecScale(m.row(0), sx));
    result.setRow(1, vecScale(m.row(1), sy));
    result.setRow(2, vecScale(m.row(2), sz));
    return result;
}

Matrix4 matRigidInverse(const Matrix4& m) {
    Matrix4 result;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            result.at(i, j) = m.at(j, i);
        }
    }
    const Vec4 t = m.row(3);
    for (int j = 0; j < 3; ++j) {
        result.at(3, j) = -(t.x * m.at(j, 0) + t.y * m.at(j, 1) + t.z * m.at(j, 2));
    }
    result.at(3, 3) = 1.0f;
    return result;
}

Matrix4 matFromRows(const Vec4& r0, const Vec4& r1, const Vec4& r2, const Vec4& r3) {
    Vec4 rows[3] = {r0, r1, r2};
    Matrix4 result;
    for (int r = 0; r < 3; ++r) {
        vecNormalize3(rows[r]);
        result.setRow(r, rows[r]);
    }
    result.setRow(3, r3);
    return result;
}

Matrix4 matLookAt(const Vec4& eye, const Vec4& target, const Vec4& up) {
    const Vec4 forward = vecSub(target, eye);
    Vec4 right = vecCross(up, forward);
    if (vecLength3(right) < kLookAtParallelLimit) {
        right = vecCross({1000.0f, 1001.0f, 1002.0f, 0.0f}, forward);
    }
    const Vec4 trueUp = vecCross(forward, right);
    return matFromRows(right, trueUp, forward, eye);
}

Vec4 transformVec(const Vec4& v, const Matrix4& m) {
    Vec4 result{v.x * m.at(0, 0) + v.y * m.at(1, 0) + v.z * m.at(2, 0),
                v.x * m.at(0, 1) + v.y * m.at(1, 1) + v.z * m.at(2, 1),
                v.x * m.at(0, 2) + v.y * m.at(1, 2) + v.z * m.at(2, 2), 0.0f};
    if (v.w == 1.0f) {
        result.x += m.at(3, 0);
        result.y += m.at(3, 1);
        result.z += m.at(3, 2);
        result.w = 1.0f;
    }
    return result;
}

}  // namespace math
