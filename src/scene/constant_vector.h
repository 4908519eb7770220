// A vector value that never changes (scene-script class 0): fixed points and targets.
#pragma once

#include "graph/script_object.h"
#include "scene/animated_value.h"

namespace scene {

class ConstantVector : public VectorValue {
public:
    explicit ConstantVector(const math::Vec4& stored) : VectorValue(true, 1.0f), stored_(stored) {}

    math::Vec4 value(float t) override;
    // Always +z: a fixed point has no direction of travel of its own.
    math::Vec4 direction(float t) override;

private:
    math::Vec4 stored_;
};

// Class-table constructor: x, y, z, w.
ConstantVector* makeConstantVector(graph::ObjectStore& store, float x, float y, float z, float w);

}  // namespace scene
