// The rotation-minimising sweep and its twist correction.
#include "scene/path_frames.h"

#include <cmath>

namespace scene {

namespace {

// A cross product shorter than this (relative to the tangent) means the tangent is parallel to the
// running normal; the sweep then picks another reference instead of normalising a zero vector.
constexpr float kParallelLimit = 1e-6f;

math::Vec4 sideOf(const math::Vec4& tangent, const math::Vec4& reference) {
    math::Vec4 side = math::vecCross(tangent, reference);
    const float limit = kParallelLimit * math::vecLength3(tangent);
    if (math::vecLength3(side) > limit) {
        return side;
    }
    side = math::vecCross(tangent, {1.0f, 0.0f, 0.0f, 0.0f});
    if (math::vecLength3(side) > limit) {
        return side;
    }
    return math::vecCross(tangent, {0.0f, 1.0f, 0.0f, 0.0f});
}

void closeTwist(std::vector<math::Matrix4>& frames, int n) {
    const math::Vec4 q =
        math::matMultiply(frames[static_cast<std::size_t>(n)], math::matRigidInverse(frames.front())).row(0);
    const float twist = -std::atan2(q.y, q.x);
    for (int i = 1; i < n; ++i) {
        math::Matrix4& frame = frames[static_cast<std::size_t>(i)];
        frame = math::matRotate(static_cast<int>(math::Axis::Z), frame,
                                static_cast<float>(i) * twist / static_cast<float>(n));
    }
}

}  // namespace

std::vector<math::Matrix4> samplePathFrames(VectorValue& path, int n) {
    std::vector<math::Matrix4> frames;
    if (n < 1) {
        return frames;
    }
    frames.reserve(static_cast<std::size_t>(n) + 1);
    math::Vec4 reference{0.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i <= n; ++i) {
        const float t = static_cast<float>(i) * path.period() / static_cast<float>(n);
        const math::Vec4 position = path.value(t);
        const math::Vec4 tangent = path.direction(t);
        const math::Vec4 side = sideOf(tangent, reference);
        const math::Vec4 normal = math::vecCross(side, tangent);
        frames.push_back(math::matFromRows(normal, side, tangent, position));
        reference = frames.back().row(0);
    }
    if (path.closed()) {
        closeTwist(frames, n);
    }
    return frames;
}

}  // namespace scene
