// Vector and matrix helpers of the software device.
#include "platform/soft/soft_math.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace soft {

using device::D3DMATRIX;

namespace {

static_assert(sizeof(D3DMATRIX) == 16 * sizeof(float));

struct Rows {
    float r[4][4];
};

Rows toRows(const D3DMATRIX& m) {
    Rows result;
    std::memcpy(result.r, &m, sizeof(result.r));
    return result;
}

D3DMATRIX fromRows(const Rows& rows) {
    D3DMATRIX m;
    std::memcpy(&m, rows.r, sizeof(rows.r));
    return m;
}

// Natural logarithm of x > 0 (finite) in double: ln x = e ln 2 + ln m with m within [sqrt(1/2), sqrt(2)),
// and ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172, whose odd series 2 (s + s^3/3 + s^5/5 + ...)
// is cut after s^19 (relative error below 1e-16).
double logPositive(double x) {
    static constexpr double kOddReciprocals[] = {1.0,       1.0 / 3,  1.0 / 5,  1.0 / 7,  1.0 / 9,
                                                 1.0 / 11,  1.0 / 13, 1.0 / 15, 1.0 / 17, 1.0 / 19};
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < 0.70710678118654752) {
        m *= 2.0;
        e -= 1;
    }
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double series = kOddReciprocals[9];
    for (int k = 8; k >= 0; --k) series = kOddReciprocals[k] + s2 * series;
    return e * 0.69314718055994530942 + 2.0 * s * series;
}

// e^y in double for |y| < 745: e^y = 2^n e^r with |r| <= ln 2 / 2, e^r by its Taylor series cut after r^14
// (relative error below 1e-16).
double expBounded(double y) {
    static constexpr double kInverseFactorials[] = {
        1.0,           1.0,           1.0 / 2,         1.0 / 6,          1.0 / 24,
        1.0 / 120,     1.0 / 720,     1.0 / 5040,      1.0 / 40320,      1.0 / 362880,
        1.0 / 3628800, 1.0 / 39916800, 1.0 / 479001600, 1.0 / 6227020800.0, 1.0 / 87178291200.0};
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // few mantissa bits: n * kLn2Hi is exact
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    const double n = std::floor(y * 1.44269504088896340736 + 0.5);
    const double r = (y - n * kLn2Hi) - n * kLn2Lo;
    double sum = kInverseFactorials[14];
    for (int k = 13; k >= 0; --k) sum = kInverseFactorials[k] + r * sum;
    return std::ldexp(sum, static_cast<int>(n));
}

}  // namespace

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    const Rows ra = toRows(a);
    const Rows rb = toRows(b);
    Rows out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out.r[i][j] = ra.r[i][0] * rb.r[0][j] + ra.r[i][1] * rb.r[1][j] + ra.r[i][2] * rb.r[2][j] +
                          ra.r[i][3] * rb.r[3][j];
        }
    }
    return fromRows(out);
}

Vec4 transformPoint(const Vec3& p, const D3DMATRIX& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43, p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44};
}

Vec3 transformDirection(const Vec3& v, const D3DMATRIX& m) {
    return {v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
            v.x * m._13 + v.y * m._23 + v.z * m._33};
}

// Cofactor expansion in double. Only the upper-left 3x3 block of the inverse is needed: element (i, j) of
// the inverse is cofactor (j, i) over the determinant, and the transpose turns that into cofactor (i, j).
Mat3 inverseTransposeUpper3x3(const D3DMATRIX& matrix) {
    const Rows r = toRows(matrix);
    double a[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) a[i][j] = r.r[i][j];

    auto minor3 = [&a](int skipRow, int skipColumn) {
        double m[3][3];
        for (int i = 0, mi = 0; i < 4; ++i) {
            if (i == skipRow) continue;
            for (int j = 0, mj = 0; j < 4; ++j) {
                if (j == skipColumn) continue;
                m[mi][mj++] = a[i][j];
            }
            ++mi;
        }
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    double cofactor[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) cofactor[i][j] = ((i + j) % 2 == 0 ? 1.0 : -1.0) * minor3(i, j);

    const double determinant =
        a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2] + a[0][3] * cofactor[0][3];
    Mat3 result{};
    if (determinant == 0.0 || !std::isfinite(determinant)) return result;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) result.m[i][j] = static_cast<float>(cofactor[i][j] / determinant);
    return result;
}

float powDeterministic(float x, float p) {
    if (p == 0.0f) return 1.0f;
    if (!(x > 0.0f)) return 0.0f;
    if (x == 1.0f) return 1.0f;
    if (std::isinf(x) || std::isnan(p)) return std::numeric_limits<float>::infinity();
    const double y = static_cast<double>(p) * logPositive(x);
    if (y > 100.0) return std::numeric_limits<float>::infinity();
    if (y < -110.0) return 0.0f;
    return static_cast<float>(expBounded(y));
}

float cosDeterministic(float angle) {
    if (!std::isfinite(angle)) return 1.0f;
    constexpr double kTwoPi = 6.28318530717958647692;
    const double a = static_cast<double>(angle);
    const double r = a - std::floor(a / kTwoPi + 0.5) * kTwoPi;  // |r| <= pi
    const double r2 = r * r;
    double sum = 1.0;
    for (int k = 17; k >= 1; --k) sum = 1.0 - sum * r2 / ((2.0 * k - 1.0) * (2.0 * k));
    return static_cast<float>(sum);
}

}  // namespace soft
