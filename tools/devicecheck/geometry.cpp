// Sphere and cube generators. Triangles wind clockwise as seen from outside: Direct3D's front faces.
#include "geometry.h"

#include <array>
#include <cmath>
#include <numbers>

#include "math/vec4.h"

namespace devicecheck {
namespace {

math::Vec4 point(float x, float y, float z) { return {x, y, z, 1.0f}; }
math::Vec4 direction(float x, float y, float z) { return {x, y, z, 0.0f}; }

struct CubeFace {
    math::Vec4 normal;
    math::Vec4 up;
};

// Front (-z) first, so that dropping faces opens the side the camera looks at.
constexpr std::array<CubeFace, 6> kFaces{{
    {{0, 0, -1, 0}, {0, 1, 0, 0}},
    {{0, 0, 1, 0}, {0, 1, 0, 0}},
    {{-1, 0, 0, 0}, {0, 1, 0, 0}},
    {{1, 0, 0, 0}, {0, 1, 0, 0}},
    {{0, 1, 0, 0}, {0, 0, 1, 0}},
    {{0, -1, 0, 0}, {0, 0, 1, 0}},
}};

// The face's corners clockwise seen from outside: top-left, top-right, bottom-right, bottom-left. Seen
// from outside the view direction is -normal, and in a left-handed frame right = up x view direction.
std::array<math::Vec4, 4> faceCorners(const CubeFace& face) {
    const math::Vec4 right = math::vecCross(face.up, math::vecScale(face.normal, -1.0f));
    const math::Vec4& n = face.normal;
    const math::Vec4& u = face.up;
    const auto corner = [&](float up, float side) {
        return point(n.x + up * u.x + side * right.x, n.y + up * u.y + side * right.y,
                     n.z + up * u.z + side * right.z);
    };
    return {corner(1, -1), corner(1, 1), corner(-1, 1), corner(-1, -1)};
}

// Vertex index of a cube corner: bit 0 set for x = +1, bit 1 for y = +1, bit 2 for z = +1.
std::uint32_t cornerIndex(const math::Vec4& p) {
    return (p.x > 0 ? 1u : 0u) | (p.y > 0 ? 2u : 0u) | (p.z > 0 ? 4u : 0u);
}

}  // namespace

MeshData makeSphere(int rings, int segments) {
    MeshData mesh;
    const float pi = std::numbers::pi_v<float>;
    for (int i = 0; i <= rings; ++i) {
        const float theta = pi * static_cast<float>(i) / static_cast<float>(rings);
        for (int j = 0; j <= segments; ++j) {
            const float phi = 2.0f * pi * static_cast<float>(j) / static_cast<float>(segments);
            const float x = std::sin(theta) * std::cos(phi);
            const float y = std::cos(theta);
            const float z = std::sin(theta) * std::sin(phi);
            mesh.positions.push_back(point(x, y, z));
            mesh.normals.push_back(direction(x, y, z));
            mesh.texCoords.push_back({static_cast<float>(j) / static_cast<float>(segments),
                                      static_cast<float>(i) / static_cast<float>(rings), 0.0f, 0.0f});
        }
    }
    // Seen from outside, growing j runs to the right and growing i downwards, so a, b, c and a, c, d of each
    // quad are clockwise.
    const auto vertex = [segments](int i, int j) { return static_cast<std::uint32_t>(i * (segments + 1) + j); };
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            const std::uint32_t a = vertex(i, j), b = vertex(i, j + 1), c = vertex(i + 1, j + 1),
                                d = vertex(i + 1, j);
            mesh.indices.insert(mesh.indices.end(), {a, b, c, a, c, d});
        }
    }
    return mesh;
}

MeshData makeSmoothCube() {
    MeshData mesh;
    for (std::uint32_t i = 0; i < 8; ++i) {
        const math::Vec4 p = point(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f);
        mesh.positions.push_back(p);
        const float s = 1.0f / std::sqrt(3.0f);
        mesh.normals.push_back(direction(p.x * s, p.y * s, p.z * s));
    }
    for (const CubeFace& face : kFaces) {
        const auto c = faceCorners(face);
        const std::uint32_t a = cornerIndex(c[0]), b = cornerIndex(c[1]), d = cornerIndex(c[2]),
                            e = cornerIndex(c[3]);
        mesh.indices.insert(mesh.indices.end(), {a, b, d, a, d, e});
    }
    return mesh;
}

MeshData makeFlatCube(int skipFaces) {
    MeshData mesh;
    constexpr std::array<int, 6> kTriangleCorners{0, 1, 2, 0, 2, 3};
    constexpr std::array<std::array<float, 2>, 4> kCornerUv{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
    for (std::size_t f = static_cast<std::size_t>(skipFaces < 0 ? 0 : skipFaces); f < kFaces.size(); ++f) {
        const auto corners = faceCorners(kFaces[f]);
        for (const int k : kTriangleCorners) {
            mesh.positions.push_back(corners[static_cast<std::size_t>(k)]);
            mesh.normals.push_back(kFaces[f].normal);
            const auto& uv = kCornerUv[static_cast<std::size_t>(k)];
            mesh.texCoords.push_back({uv[0], uv[1], 0.0f, 0.0f});
        }
    }
    return mesh;
}

std::vector<std::uint32_t> cubeEdges() {
    std::vector<std::uint32_t> edges;
    for (std::uint32_t a = 0; a < 8; ++a) {
        for (std::uint32_t bit = 1; bit < 8; bit <<= 1) {
            if ((a & bit) == 0) {
                edges.insert(edges.end(), {a, a | bit});
            }
        }
    }
    return edges;
}

}  // namespace devicecheck
