// The look-at transform.
#include "scene/look_at_transform.h"

#include <algorithm>

namespace scene {

namespace {

constexpr math::Vec4 kUp{0.0f, 0.0f, 1.0f, 0.0f};
constexpr math::Vec4 kOrigin{0.0f, 0.0f, 0.0f, 1.0f};
constexpr float kLookAheadSeconds = 1.0f;

}  // namespace

LookAtTransform::LookAtTransform(VectorValue& position, VectorValue* target, ScalarValue* roll, std::int32_t mode)
    : MatrixValue(position.closed() && (target == nullptr || target->closed()),
                  target != nullptr ? std::max(position.period(), target->period()) : position.period()),
      position_(position),
      target_(target),
      roll_(roll),
      mode_(mode) {}

math::Matrix4 LookAtTransform::value(float t) {
    const math::Vec4 p = position_.value(t);
    math::Vec4 point;
    if (target_ != nullptr) {
        point = target_->value(t);
    } else if (mode_ == static_cast<std::int32_t>(LookAtMode::AheadOnPath)) {
        point = position_.value(t + kLookAheadSeconds);
    } else if (mode_ == static_cast<std::int32_t>(LookAtMode::AtOrigin)) {
        point = kOrigin;
    } else {
        return math::matTranslation(p.x, p.y, p.z);
    }
    math::Matrix4 frame = math::matLookAt(p, point, kUp);
    if (roll_ != nullptr) {
        frame = math::matRotate(static_cast<int>(math::Axis::Z), frame, roll_->value(t));
    }
    return frame;
}

LookAtTransform* makeLookAtTransform(graph::ObjectStore& store, VectorValue& position, VectorValue* target,
                                     ScalarValue* roll, std::int32_t mode) {
    return store.make<LookAtTransform>(position, target, roll, mode);
}

}  // namespace scene
