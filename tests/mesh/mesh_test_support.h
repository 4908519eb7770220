// Shared helpers of the mesh tests: fresh cubes, vector comparison and raw face geometry.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "mesh/mesh.h"
#include "mesh/shape_modifiers.h"

namespace meshtest {

using math::Vec4;
using mesh::Mesh;

inline std::unique_ptr<Mesh> cube(std::int32_t subdivisions = 0, float halfSize = 1.0f) {
    auto made = std::make_unique<Mesh>();
    EXPECT_TRUE(mesh::makeCubeMesh(*made, subdivisions, halfSize).ok());
    return made;
}

inline ::testing::AssertionResult near(const Vec4& actual, const Vec4& expected, float tolerance = 1e-5f) {
    const float d[4] = {actual.x - expected.x, actual.y - expected.y, actual.z - expected.z, actual.w - expected.w};
    for (float component : d) {
        if (!(component <= tolerance && component >= -tolerance)) {
            return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ", "
                                                 << actual.w << ") is not (" << expected.x << ", " << expected.y
                                                 << ", " << expected.z << ", " << expected.w << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

// (p1 - p0) x (p2 - p0) of face f, unnormalised.
inline Vec4 rawFaceNormal(const Mesh& m, std::int32_t f) {
    const mesh::Face& face = m.faces[f];
    const Vec4& p0 = m.positions[face.corner[0]];
    return math::vecCross(math::vecSub(m.positions[face.corner[1]], p0), math::vecSub(m.positions[face.corner[2]], p0));
}

inline Vec4 faceCentre(const Mesh& m, std::int32_t f) {
    const mesh::Face& face = m.faces[f];
    Vec4 sum = math::vecAdd(math::vecAdd(m.positions[face.corner[0]], m.positions[face.corner[1]]),
                            m.positions[face.corner[2]]);
    return math::vecScale(sum, 1.0f / 3.0f);
}

}  // namespace meshtest
