// Four-component float vectors: points carry w = 1, directions w = 0.
// Used by every geometric computation: paths, transforms, cameras, lights, meshes and sprites.
#pragma once

namespace math {

struct Vec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    friend bool operator==(const Vec4&, const Vec4&) = default;
};

Vec4 vecAdd(const Vec4& a, const Vec4& b);
Vec4 vecSub(const Vec4& a, const Vec4& b);
Vec4 vecScale(const Vec4& a, float s);
void vecAddInPlace(Vec4& a, const Vec4& b);
void vecSubInPlace(Vec4& a, const Vec4& b);
void vecScaleInPlace(Vec4& a, float s);

// x, y and z scaled; w copied unscaled.
Vec4 vecScale3(const Vec4& a, float s);
// a times (1 / s), all four components.
Vec4 vecDivide(const Vec4& a, float s);
// The 3D cross product; w is 0.
Vec4 vecCross(const Vec4& a, const Vec4& b);
float vecDot3(const Vec4& a, const Vec4& b);
float vecLength3(const Vec4& a);

// Makes a unit direction in place. Only a direction (w exactly 0) is normalised; anything else becomes
// (0, 0, 1). Either way w ends up 0. A zero-length direction yields non-finite components.
void vecNormalize3(Vec4& a);

}  // namespace math
