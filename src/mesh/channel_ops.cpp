// The channel operations.
#include "mesh/channel_ops.h"

#include <cmath>

#include "math/msvc_random.h"
#include "mesh/rounding.h"

namespace mesh {

namespace {

constexpr float kTwoPi = 6.28318548f;
// The float nearest 1/192: random fill steps.
constexpr float kRandomStep = 0.0052083335f;

float operate(std::int32_t operation, float a, float b, float p) {
    switch (operation) {
    case 1: return p - a;
    case 2: return a + p;
    case 4: return a * p;
    case 5: return std::pow(a, p);
    case 6: return (std::cos(kTwoPi * a * p) + 1.0f) / 2.0f;
    case 8: return a * (1.0f - p) + b * p;
    case 9: return a;
    case 10: return a + b - a * b;
    case 11: return a * b;
    case 12: return a + b;
    case 13: return a - b;
    case 14: return std::pow(a, b);
    case 15: return a + b - 2.0f * a * b;
    case 16: return static_cast<float>(math::rand() % 192) * kRandomStep + 0.25f;
    default: return p;  // 3, 7 and unknown operations
    }
}

float clampUnit(float value) {
    if (value < 0.0f) return 0.0f;
    if (value > 1.0f) return 1.0f;
    return value;
}

bool vertexChannel(std::int32_t index) { return index < 4 || index > 6; }

}  // namespace

void channelOp(Mesh& mesh, std::int32_t destination, std::int32_t sourceA, std::int32_t sourceB,
               std::int32_t operation, float parameter) {
    if (destination < 1 || destination > 6) return;
    MeshArray<float>& d = channel(mesh, destination);
    const MeshArray<float>& a = channel(mesh, sourceA);
    const MeshArray<float>& b = channel(mesh, sourceB);
    if (d.count() > a.count() || d.count() > b.count()) return;
    math::srand(static_cast<std::uint32_t>(nearestInt32(static_cast<double>(parameter * 10.0f))));
    for (std::int32_t i = 0; i < d.count(); ++i) {
        d[i] = clampUnit(operate(operation, a[i], b[i], parameter));
    }
}

Status faceChannelFromVertices(Mesh& mesh, std::int32_t destination, std::int32_t source, std::int32_t operation) {
    if (destination < 4 || destination > 7) return Status::done();
    if (!vertexChannel(source)) {
        return Status::refused("source channel " + std::to_string(source) +
                               " holds one value per face; the source must be a vertex channel (0 to 3 or 7)");
    }
    if (!facesInRange(mesh)) {
        return Status::refused("a face names a vertex the mesh does not have");
    }
    MeshArray<float>& d = channel(mesh, destination);
    const MeshArray<float>& s = channel(mesh, source);
    for (std::int32_t i = 0; i < mesh.faceCount(); ++i) {
        const Face& face = mesh.faces[i];
        const float x = s[face.corner[0]], y = s[face.corner[1]], z = s[face.corner[2]];
        d[i] = x + y + z - x * y - y * z - z * x + x * y * z;
    }
    channelOp(mesh, destination, destination, 7, operation, 0.0f);
    return Status::done();
}

}  // namespace mesh
