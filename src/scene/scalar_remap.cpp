// The scalar remap.
#include "scene/scalar_remap.h"

namespace scene {

ScalarRemap::ScalarRemap(ScalarValue* inner, float scale, float offset, float timeScale)
    : ScalarValue(inner != nullptr ? inner->closed() : true, inner != nullptr ? inner->period() : 1.0f),
      inner_(inner),
      scale_(scale),
      offset_(offset),
      timeScale_(timeScale) {}

float ScalarRemap::value(float t) {
    if (inner_ == nullptr) {
        return offset_ + scale_;
    }
    return offset_ + scale_ * inner_->value(t / timeScale_);
}

ScalarRemap* makeScalarRemap(graph::ObjectStore& store, ScalarValue* inner, float scale, float offset,
                             float timeScale) {
    if (inner != nullptr && timeScale == 0.0f) {
        store.rejectRecord("ScalarRemap: the time scale of an inner value must not be zero");
        return nullptr;
    }
    return store.make<ScalarRemap>(inner, scale, offset, timeScale);
}

}  // namespace scene
