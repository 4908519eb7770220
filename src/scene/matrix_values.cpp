// The constant and spinning matrix values.
#include "scene/matrix_values.h"

namespace scene {

namespace {

constexpr float kUnboundSpinPeriod = 16.0f;

}  // namespace

math::Matrix4 ConstantTransform::value(float) { return matrix_; }

SpinTransform::SpinTransform(MatrixValue* inner, std::int32_t axis, float rate)
    : MatrixValue(true, inner != nullptr ? inner->period() : kUnboundSpinPeriod),
      inner_(inner),
      axis_(axis),
      rate_(rate) {}

math::Matrix4 SpinTransform::value(float t) {
    math::Matrix4 m = inner_ != nullptr ? inner_->value(t) : math::matIdentity();
    const math::Vec4 translation = m.row(3);
    m.setRow(3, {0.0f, 0.0f, 0.0f, 1.0f});
    m = math::matRotate(axis_, m, rate_ * t);
    m.setRow(3, translation);
    return m;
}

ConstantTransform* makeConstantTransform(graph::ObjectStore& store, StaticMatrix& matrix) {
    return store.make<ConstantTransform>(matrix.matrix());
}

SpinTransform* makeSpinTransform(graph::ObjectStore& store, MatrixValue* inner, std::int32_t axis, float rate) {
    return store.make<SpinTransform>(inner, axis, rate);
}

}  // namespace scene
