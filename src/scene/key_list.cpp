// Key insertion, the segment cubics and the cached segment lookup.
#include "scene/key_list.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace scene {

namespace {

float& component(math::Vec4& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : i == 2 ? v.z : v.w; }
float component(const math::Vec4& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : i == 2 ? v.z : v.w; }

}  // namespace

void KeyList::insertKey(float time, const math::Vec4& value) {
    if (!(time >= 0.0f) || !std::isfinite(time)) {
        return;
    }
    start_ = std::min(start_, time);
    if (time > end_) {
        if (loop_) {
            return;
        }
        end_ = time;
    }
    const auto later = std::find_if(keys_.begin(), keys_.end(), [time](const Key& k) { return k.time >= time; });
    if (later != keys_.end() && later->time == time) {
        return;
    }
    Key key;
    key.time = time;
    key.terms[0] = value;
    keys_.insert(later, key);
}

void KeyList::setLoopEnd(float x) {
    if (x > end_ && std::isfinite(x)) {
        loop_ = true;
        end_ = x;
    }
}

// With zero shape parameters the tangents are Catmull-Rom tangents scaled to the segment's length
// (the d and h factors), so keys at uneven spacing do not overshoot; an end without a neighbour gets
// the chord.
void KeyList::computeSegment(Key& cur, const Key* prev, const Key& next, const Key* after) const {
    const float t1 = cur.time;
    const float t2 = next.time;
    const float d = prev != nullptr ? 2.0f * (t2 - t1) / (t2 - prev->time) : 1.0f;
    const float h = after != nullptr ? 2.0f * (t2 - t1) / (after->time - t1) : 1.0f;
    const float outA = 0.5f * (1.0f - cur.tension) * (1.0f + cur.continuity) * (1.0f + cur.bias) * d;
    const float outD = 0.5f * (1.0f - cur.tension) * (1.0f - cur.continuity) * (1.0f - cur.bias) * d;
    const float inD = 0.5f * (1.0f - next.tension) * (1.0f - next.continuity) * (1.0f + next.bias) * h;
    const float inB = 0.5f * (1.0f - next.tension) * (1.0f + next.continuity) * (1.0f - next.bias) * h;
    const int components = payload_ == Payload::Scalar ? 1 : 4;
    for (int i = 0; i < components; ++i) {
        const float p1 = component(cur.terms[0], i);
        const float p2 = component(next.terms[0], i);
        const float chord = p2 - p1;
        const float a = prev != nullptr ? p1 - component(prev->terms[0], i) : chord;
        const float b = after != nullptr ? component(after->terms[0], i) - p2 : chord;
        const float td = outA * a + outD * chord;
        const float ts = inD * chord + inB * b;
        component(cur.terms[1], i) = td;
        component(cur.terms[2], i) = 3.0f * chord - 2.0f * td - ts;
        component(cur.terms[3], i) = td + ts - 2.0f * chord;
    }
}

void KeyList::prepare() {
    cachedIndex_ = 0;
    const std::int32_t m = count();
    if (m < 2) {
        return;
    }
    // The temporary neighbours of a repeating list: the last key one period early, and the first two keys
    // one period late.
    std::optional<Key> wrappedLast;
    Key wrappedFirst;
    Key wrappedSecond;
    if (loop_) {
        wrappedLast = keys_.back();
        wrappedLast->time -= end_;
        wrappedFirst = keys_[0];
        wrappedFirst.time = end_;
        wrappedSecond = keys_[1];
        wrappedSecond.time = keys_[1].time + end_ - keys_[0].time;
    }
    const Key* prev = wrappedLast ? &*wrappedLast : nullptr;
    Key* cur = &keys_[0];
    Key* next = &keys_[1];
    const std::int32_t last = loop_ ? m + 1 : m;
    for (std::int32_t i = 2; i <= last; ++i) {
        Key* after = nullptr;
        if (i < m) {
            after = &keys_[static_cast<std::size_t>(i)];
        } else if (loop_) {
            after = i == m ? &wrappedFirst : &wrappedSecond;
        }
        computeSegment(*cur, prev, *next, after);
        cur->segmentEnd = next->time;
        prev = cur;
        cur = next;
        next = after;
    }
    cur->segmentEnd = end_;
    if (!loop_) {
        cur->terms[1] = cur->terms[2] = cur->terms[3] = math::Vec4{};
    }
}

SegmentPosition KeyList::found(std::int32_t index, float t) {
    cachedIndex_ = index;
    const Key& k = key(index);
    const float span = k.segmentEnd - k.time;
    // Only the empty last segment of a non-repeating list has no span; its coefficients are zero.
    return {index, span > 0.0f ? (t - k.time) / span : 0.0f};
}

SegmentPosition KeyList::locate(float t) {
    const std::int32_t m = count();
    if (m == 0) {
        return {};
    }
    if (loop_ && t >= end_) {
        const float q = t / end_;
        t = (q - std::floor(q)) * end_;
    } else if (!loop_ && t > end_) {
        t = end_;
    }
    const Key& cached = key(cachedIndex_);
    if (cached.time <= t && t <= cached.segmentEnd) {
        return found(cachedIndex_, t);
    }
    if (t < cached.time) {
        cachedIndex_ = 0;
        if (t <= start_) {
            return {};
        }
    }
    if (t >= end_) {
        return {m - 1, 1.0f};
    }
    for (std::int32_t i = 0; i < m; ++i) {
        const Key& k = key(i);
        if (t < k.time) {
            return {};
        }
        if (t <= k.segmentEnd) {
            return found(i, t);
        }
    }
    // Only a time that compares with nothing (NaN) gets here.
    return {};
}

}  // namespace scene
