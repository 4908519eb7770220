// Evaluation of the keyframe curves and the reading of their key blobs.
#include "scene/keyframe_curves.h"

#include <cmath>
#include <string>
#include <vector>

#include "graph/byte_reader.h"

namespace scene {

namespace {

constexpr std::uint64_t kBlobHeaderSize = 8;  // key count, loop flag
constexpr std::uint64_t kLoopEndSize = 4;

struct BlobKey {
    float time;
    math::Vec4 value;
};

struct CurveBlob {
    std::vector<BlobKey> keys;
    bool loops = false;
    float loopEnd = 0.0f;
};

// Reads a key blob with valuesPerKey floats after each key's time; false with error set when the blob is
// malformed.
bool readCurveBlob(std::span<const std::uint8_t> bytes, int valuesPerKey, CurveBlob& blob, std::string& error) {
    graph::ByteReader reader(bytes);
    const std::int32_t count = reader.readI32LE();
    blob.loops = reader.readI32LE() != 0;
    if (reader.failed() || count < 0) {
        error = reader.failed() ? "a key blob of " + std::to_string(bytes.size()) + " bytes has no room for its header"
                                : "the key count " + std::to_string(count) + " is negative";
        return false;
    }
    // In 64 bits: a count near 2^31 must not wrap around to a size that matches.
    const std::uint64_t keySize = 4 * (1 + static_cast<std::uint64_t>(valuesPerKey));
    const std::uint64_t expected =
        kBlobHeaderSize + static_cast<std::uint64_t>(count) * keySize + (blob.loops ? kLoopEndSize : 0);
    if (static_cast<std::uint64_t>(bytes.size()) != expected) {
        error = "the key blob is " + std::to_string(bytes.size()) + " bytes long, but " + std::to_string(count) +
                (blob.loops ? " keys and a loop end" : " keys") + " take " + std::to_string(expected);
        return false;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        BlobKey key{reader.readF32LE(), {0.0f, 0.0f, 0.0f, 1.0f}};
        key.value.x = reader.readF32LE();
        if (valuesPerKey == 3) {
            key.value.y = reader.readF32LE();
            key.value.z = reader.readF32LE();
        }
        if (!(key.time >= 0.0f) || !std::isfinite(key.time)) {
            error = "key " + std::to_string(i) + " has the time " + std::to_string(key.time) +
                    "; key times must be finite and not negative";
            return false;
        }
        blob.keys.push_back(key);
    }
    if (blob.loops) {
        blob.loopEnd = reader.readF32LE();
        if (!std::isfinite(blob.loopEnd)) {
            error = "the loop end is not a finite number";
            return false;
        }
    }
    return true;
}

// An empty blob is a curve without keys; a malformed one rejects the record.
bool readOrReject(graph::ObjectStore& store, const char* className, graph::Blob keys, int valuesPerKey,
                  CurveBlob& blob) {
    std::string error;
    if (keys.bytes.empty() || readCurveBlob(keys.bytes, valuesPerKey, blob, error)) {
        return true;
    }
    store.rejectRecord(std::string(className) + ": " + error);
    return false;
}

void fill(KeyList& list, const CurveBlob& blob) {
    for (const BlobKey& key : blob.keys) {
        list.insertKey(key.time, key.value);
    }
    if (blob.loops) {
        list.setLoopEnd(blob.loopEnd);
    }
}

// P + s (c1 + s (c2 + s c3)), one component or all four.
math::Vec4 cubicAt(const Key& key, float s) {
    const auto& [p, c1, c2, c3] = key.terms;
    auto horner = [s](float pv, float a, float b, float c) { return pv + s * (a + s * (b + s * c)); };
    return {horner(p.x, c1.x, c2.x, c3.x), horner(p.y, c1.y, c2.y, c3.y), horner(p.z, c1.z, c2.z, c3.z),
            horner(p.w, c1.w, c2.w, c3.w)};
}

}  // namespace

float ScalarCurve::value(float t) {
    if (keys_.count() == 0) {
        return 0.0f;
    }
    if (keys_.count() == 1) {
        return keys_.key(0).valueTerm().x;
    }
    const SegmentPosition at = keys_.locate(t);
    const Key& key = keys_.key(at.index);
    const auto& [p, c1, c2, c3] = key.terms;
    switch (static_cast<Interpolation>(mode_)) {
    case Interpolation::Linear:
        return p.x + at.s * (c1.x + c2.x + c3.x);
    case Interpolation::Step:
        return p.x;
    default:
        return cubicAt(key, at.s).x;
    }
}

void ScalarCurve::prepare() {
    keys_.prepare();
    setRepetition(keys_.loops(), keys_.end());
}

math::Vec4 VectorCurve::value(float t) {
    if (keys_.count() == 0) {
        return {0.0f, 0.0f, 0.0f, 1.0f};
    }
    if (keys_.count() == 1) {
        return keys_.key(0).valueTerm();
    }
    const SegmentPosition at = keys_.locate(t);
    return cubicAt(keys_.key(at.index), at.s);
}

math::Vec4 VectorCurve::direction(float t) {
    if (keys_.count() == 0) {
        return {0.0f, 0.0f, 0.0f, 1.0f};
    }
    if (keys_.count() == 1) {
        return keys_.key(0).valueTerm();
    }
    return keys_.key(keys_.locate(t).index).terms[1];
}

void VectorCurve::prepare() {
    keys_.prepare();
    setRepetition(keys_.loops(), keys_.end());
}

ScalarCurve* makeScalarCurve(graph::ObjectStore& store, std::int32_t mode, graph::Blob keys) {
    CurveBlob blob;
    if (!readOrReject(store, "ScalarCurve", keys, 1, blob)) {
        return nullptr;
    }
    ScalarCurve* curve = store.make<ScalarCurve>();
    if (!keys.bytes.empty()) {
        curve->setMode(mode);
    }
    fill(curve->keys(), blob);
    curve->prepare();
    return curve;
}

VectorCurve* makeVectorCurve(graph::ObjectStore& store, graph::Blob keys) {
    CurveBlob blob;
    if (!readOrReject(store, "VectorCurve", keys, 3, blob)) {
        return nullptr;
    }
    VectorCurve* curve = store.make<VectorCurve>();
    fill(curve->keys(), blob);
    curve->prepare();
    return curve;
}

}  // namespace scene
