// The value interface of everything that moves: vectors, scalars and matrices evaluated at a layer's
// local time in seconds. Built once by the scene script, shared by reference, never copied.
#pragma once

#include "graph/script_object.h"
#include "math/matrix4.h"
#include "math/vec4.h"

namespace scene {

class AnimatedValue : public graph::ScriptObject {
public:
    // True when the value repeats every period; a closed path ends where it starts.
    bool closed() const { return closed_; }
    // Seconds of one repetition, or for a value that does not repeat the span it is meant to be sampled over.
    float period() const { return period_; }

protected:
    AnimatedValue(bool closed, float period) : closed_(closed), period_(period) {}
    void setRepetition(bool closed, float period) {
        closed_ = closed;
        period_ = period;
    }

private:
    bool closed_;
    float period_;
};

class VectorValue : public AnimatedValue {
public:
    static constexpr const char* kScriptName = "vector value";

    virtual math::Vec4 value(float t) = 0;
    // Direction of travel at t with w = 0; unit length for every kind but the keyframed vector.
    virtual math::Vec4 direction(float t) = 0;

protected:
    using AnimatedValue::AnimatedValue;
};

class ScalarValue : public AnimatedValue {
public:
    static constexpr const char* kScriptName = "scalar value";

    virtual float value(float t) = 0;

protected:
    using AnimatedValue::AnimatedValue;
};

class MatrixValue : public AnimatedValue {
public:
    static constexpr const char* kScriptName = "matrix value";

    virtual math::Matrix4 value(float t) = 0;

protected:
    using AnimatedValue::AnimatedValue;
};

}  // namespace scene
