// A scalar value rescaled in value and in time: offset + scale x inner(t / timeScale). Registered in the
// start-up class table only.
#pragma once

#include "graph/script_object.h"
#include "scene/animated_value.h"

namespace scene {

class ScalarRemap : public ScalarValue {
public:
    // closed and period follow inner; without inner they are true and 1.0.
    ScalarRemap(ScalarValue* inner, float scale, float offset, float timeScale);

    // Without inner: offset + scale.
    float value(float t) override;

private:
    ScalarValue* inner_;
    float scale_;
    float offset_;
    float timeScale_;
};

// Class-table constructor: inner (or null), scale, offset, timeScale. A remap of an inner value with a
// time scale of zero would divide by zero at every evaluation and rejects the record.
ScalarRemap* makeScalarRemap(graph::ObjectStore& store, ScalarValue* inner, float scale, float offset,
                             float timeScale);

}  // namespace scene
