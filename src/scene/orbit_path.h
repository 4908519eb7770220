// A closed path around the z axis (scene-script class 29): a circle in the x-y plane that rises and falls
// along z a whole number of times per turn. Positions for cameras and the path that mesh copies follow.
#pragma once

#include <cstdint>

#include "graph/script_object.h"
#include "scene/animated_value.h"

namespace scene {

class OrbitPath : public VectorValue {
public:
    // One turn takes period seconds; period must be positive and finite.
    OrbitPath(std::int32_t waves, float radius, float amplitude, float period);

    // With a = t 2 pi / period: (radius cos a, radius sin a, amplitude sin(waves a), 1). Counter-clockwise
    // seen from +z.
    math::Vec4 value(float t) override;
    // The normalised central difference over 0.0002 s.
    math::Vec4 direction(float t) override;

private:
    std::int32_t waves_;
    float radius_;
    float amplitude_;
};

// Class-table constructor: waves, radius, amplitude, period. A period that is not a positive finite
// number rejects the record.
OrbitPath* makeOrbitPath(graph::ObjectStore& store, std::int32_t waves, float radius, float amplitude, float period);

}  // namespace scene
