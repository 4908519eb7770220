// Shared helpers of the scene tests: tolerant comparisons, key blobs, and scripts built with the class tables.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "graph/graph_builder.h"
#include "math/matrix4.h"
#include "shell/class_table.h"
#include "support/script_writer.h"

namespace scenetest {

inline void expectVecNear(const math::Vec4& actual, const math::Vec4& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

inline void expectMatrixNear(const math::Matrix4& actual, const math::Matrix4& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual.m[i], expected.m[i], tolerance) << "element " << i;
    }
}

// A scalar key blob: count, loop flag, (time, value) pairs, the loop end when looping.
struct ScalarKey {
    float time;
    float value;
};
inline std::vector<std::uint8_t> scalarKeyBlob(std::initializer_list<ScalarKey> keys, bool loops = false,
                                               float loopEnd = 0.0f) {
    std::vector<std::uint8_t> out;
    testsupport::appendI32LE(out, static_cast<std::int32_t>(keys.size()));
    testsupport::appendI32LE(out, loops ? 1 : 0);
    for (const ScalarKey& key : keys) {
        testsupport::appendF32LE(out, key.time);
        testsupport::appendF32LE(out, key.value);
    }
    if (loops) {
        testsupport::appendF32LE(out, loopEnd);
    }
    return out;
}

// The overlays' fade: up over 5 s, held until 16 s, down by 19 s, repeating every 24 s.
inline std::vector<std::uint8_t> fadeKeyBlob(float loopEnd = 24.0f) {
    return scalarKeyBlob({{0, 0}, {5, 1}, {9, 1}, {16, 1}, {19, 0}}, true, loopEnd);
}

// A build with one of the class tables; the store keeps the objects alive.
struct ScriptBuild {
    graph::ObjectStore store;
    graph::BuildResult result;

    ScriptBuild(const std::vector<std::uint8_t>& script, graph::ClassTable table = shell::mainClassTable()) {
        result = graph::buildGraph(script, table, nullptr, store);
    }
    template <typename T>
    T* root() const {
        return dynamic_cast<T*>(result.root);
    }
};

inline std::int32_t classIndex(shell::ClassIndex index) { return static_cast<std::int32_t>(index); }

}  // namespace scenetest
