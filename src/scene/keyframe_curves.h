// Keyframed animated values: the scalar curve (scene-script class 20, the overlays' fade) and the vector
// curve of the start-up class table. Both read their keys from a script blob:
//   int32 key count n, int32 loop flag (non-zero: repeats),
//   n keys: time, value (scalar) or time, x, y, z (vector; w is 1),
//   float32 loop end, present only when the loop flag is set.
// A blob of length 0 gives a curve without keys.
#pragma once

#include <cstdint>

#include "graph/constructor.h"
#include "scene/animated_value.h"
#include "scene/key_list.h"

namespace scene {

enum class Interpolation : std::int32_t { Cubic = 0, Linear = 1, Step = 2 };

class ScalarCurve : public ScalarValue {
public:
    ScalarCurve() : ScalarValue(false, 0.0f) {}

    KeyList& keys() { return keys_; }
    // 1 linear, 2 step, anything else cubic.
    void setMode(std::int32_t mode) { mode_ = mode; }

    // No keys: 0. One key: its value. Otherwise the segment's cubic, straight line or step.
    float value(float t) override;
    // Prepares the keys and takes the list's end as the period and its looping as closed.
    void prepare();

private:
    KeyList keys_{KeyList::Payload::Scalar};
    std::int32_t mode_ = static_cast<std::int32_t>(Interpolation::Cubic);
};

class VectorCurve : public VectorValue {
public:
    VectorCurve() : VectorValue(false, 0.0f) {}

    KeyList& keys() { return keys_; }

    // No keys: (0, 0, 0, 1). One key: its value. Otherwise the segment's cubic.
    math::Vec4 value(float t) override;
    // The tangent c1 at the start of the current segment, not normalised.
    math::Vec4 direction(float t) override;
    void prepare();

private:
    KeyList keys_{KeyList::Payload::Vector};
};

// Class 20: mode, keys. A blob whose length does not fit its key count, a negative count, or a key time
// or loop end that is negative or not finite rejects the record.
ScalarCurve* makeScalarCurve(graph::ObjectStore& store, std::int32_t mode, graph::Blob keys);
// Start-up table: keys, with the same checks.
VectorCurve* makeVectorCurve(graph::ObjectStore& store, graph::Blob keys);

}  // namespace scene
