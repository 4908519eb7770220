// Matrix values that animate a node's placement: a constant matrix (scene-script class 11) and a spin
// about one local axis (class 12) that can be stacked on another matrix value.
#pragma once

#include <cstdint>

#include "graph/script_object.h"
#include "scene/animated_value.h"
#include "scene/static_matrix.h"

namespace scene {

class ConstantTransform : public MatrixValue {
public:
    explicit ConstantTransform(const math::Matrix4& matrix) : MatrixValue(true, 1.0f), matrix_(matrix) {}

    math::Matrix4 value(float t) override;

private:
    math::Matrix4 matrix_;
};

class SpinTransform : public MatrixValue {
public:
    // axis 0, 1, 2 = x, y, z; any other value spins nothing. rate in radians per second.
    SpinTransform(MatrixValue* inner, std::int32_t axis, float rate);

    // inner's value (the identity without inner) turned by rate x t about the axis in its own local frame,
    // before its rotation; its translation row is kept as it was.
    math::Matrix4 value(float t) override;

private:
    MatrixValue* inner_;
    std::int32_t axis_;
    float rate_;
};

// Class 11: a copy of the matrix.
ConstantTransform* makeConstantTransform(graph::ObjectStore& store, StaticMatrix& matrix);
// Class 12: inner (or null), axis, rate. period is inner's, or 16 s without inner.
SpinTransform* makeSpinTransform(graph::ObjectStore& store, MatrixValue* inner, std::int32_t axis, float rate);

}  // namespace scene
