// The timed keys of a keyframe curve and their spline: Kochanek-Bartels tangents with a correction for
// unevenly spaced keys, turned into one cubic per segment by prepare, and a segment lookup that remembers
// where the last evaluation was. One list type serves scalar keys (x only) and vector keys.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "math/vec4.h"

namespace scene {

struct Key {
    // Shape parameters; every key the script makes has zero tension, bias and continuity.
    float tension = 0.0f;
    float bias = 0.0f;
    float continuity = 0.0f;
    float time = 0.0f;
    // Where this key's segment ends (the next key's time, or the loop end); set by prepare.
    float segmentEnd = 0.0f;
    // The value P, then the coefficients c1, c2, c3 of the cubic P + s c1 + s^2 c2 + s^3 c3 of the segment
    // that starts here, s running from 0 to 1. Scalar keys use x only.
    std::array<math::Vec4, 4> terms{};

    const math::Vec4& valueTerm() const { return terms[0]; }
};

// A key index and the fraction s (0..1) of its segment.
struct SegmentPosition {
    std::int32_t index = 0;
    float s = 0.0f;
};

class KeyList {
public:
    enum class Payload { Scalar, Vector };

    explicit KeyList(Payload payload) : payload_(payload) {}

    // Adds a key in time order. Ignored: a time below 0 or not finite, a time beyond the loop end of a
    // looping list, a time that a key already has. A non-looping list's end grows to the latest time.
    void insertKey(float time, const math::Vec4& value);
    // Makes the list repeat every x seconds, if x lies beyond its end; otherwise nothing changes.
    void setLoopEnd(float x);
    // Computes every segment's cubic and forgets the cached segment. A repeating list gets one segment
    // more, from the last key back to the first key's value at the loop end; a non-repeating list's last
    // key has an empty segment with zero coefficients.
    void prepare();

    // The segment holding t (two keys or more). A repeating list wraps t into 0 .. end; a non-repeating one
    // holds its end value after the end. Before the first key: the first key at s = 0.
    SegmentPosition locate(float t);

    bool loops() const { return loop_; }
    float start() const { return start_; }
    float end() const { return end_; }
    std::int32_t count() const { return static_cast<std::int32_t>(keys_.size()); }
    const Key& key(std::int32_t index) const { return keys_[static_cast<std::size_t>(index)]; }

private:
    void computeSegment(Key& cur, const Key* prev, const Key& next, const Key* after) const;
    SegmentPosition found(std::int32_t index, float t);

    Payload payload_;
    bool loop_ = false;
    float start_ = 0.0f;
    float end_ = 0.0f;
    std::vector<Key> keys_;
    std::int32_t cachedIndex_ = 0;
};

}  // namespace scene
