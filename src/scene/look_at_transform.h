// A matrix value that places a frame at an animated position facing an animated target (scene-script
// class 1): the animator of every camera and light. The world is z-up; +z is the up hint.
#pragma once

#include <cstdint>

#include "graph/script_object.h"
#include "scene/animated_value.h"

namespace scene {

// What a look-at transform without a target faces. Mode values other than these place the frame without
// turning it.
enum class LookAtMode : std::int32_t {
    Translate = 0,     // no facing at all: a pure translation to the position (and no roll)
    AheadOnPath = 1,   // the point the position reaches one second later
    AtOrigin = 2,      // the point (0, 0, 0, 1)
};

class LookAtTransform : public MatrixValue {
public:
    // target and roll may be null. closed is position's, and-ed with target's; period the larger of the two.
    LookAtTransform(VectorValue& position, VectorValue* target, ScalarValue* roll, std::int32_t mode);

    // matLookAt(position, point, +z) then, with a roll value, a turn about the local forward axis by
    // roll(t) radians. Rows right, up, forward, position.
    math::Matrix4 value(float t) override;

private:
    VectorValue& position_;
    VectorValue* target_;
    ScalarValue* roll_;
    std::int32_t mode_;
};

// Class-table constructor: position (required), target (or null), roll (or null), mode.
LookAtTransform* makeLookAtTransform(graph::ObjectStore& store, VectorValue& position, VectorValue* target,
                                     ScalarValue* roll, std::int32_t mode);

}  // namespace scene
