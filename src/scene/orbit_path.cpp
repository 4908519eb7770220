// The orbit path and its direction of travel.
#include "scene/orbit_path.h"

#include <cmath>

namespace scene {

namespace {

constexpr float kTwoPi = 6.2831855f;
// Half the step of the central difference that gives the direction.
constexpr float kDirectionStep = 0.0001f;

}  // namespace

OrbitPath::OrbitPath(std::int32_t waves, float radius, float amplitude, float period)
    : VectorValue(true, period), waves_(waves), radius_(radius), amplitude_(amplitude) {}

math::Vec4 OrbitPath::value(float t) {
    const float a = t * kTwoPi / period();
    return {radius_ * std::cos(a), radius_ * std::sin(a), amplitude_ * std::sin(static_cast<float>(waves_) * a),
            1.0f};
}

math::Vec4 OrbitPath::direction(float t) {
    math::Vec4 d = math::vecSub(value(t + kDirectionStep), value(t - kDirectionStep));
    math::vecNormalize3(d);
    return d;
}

OrbitPath* makeOrbitPath(graph::ObjectStore& store, std::int32_t waves, float radius, float amplitude,
                         float period) {
    if (!(period > 0.0f) || !std::isfinite(period)) {
        store.rejectRecord("OrbitPath: the period must be a positive number of seconds");
        return nullptr;
    }
    return store.make<OrbitPath>(waves, radius, amplitude, period);
}

}  // namespace scene
