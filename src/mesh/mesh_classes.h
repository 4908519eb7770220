// The scene-script classes of the mesh subsystem: class-table constructors that check what the argument
// kinds cannot (the mesh still in memory, channel numbers, sizes), run one generator or modifier and
// return its Mesh. A record they refuse is rejected with its reason, which stops the build.
#pragma once

#include <cstdint>

#include "graph/constructor.h"
#include "mesh/mesh.h"
#include "scene/animated_value.h"

namespace mesh {

// Class 4: a new cube of edge 2 x halfSize, subdivided.
Mesh* makeCube(graph::ObjectStore& store, std::int32_t subdivisions, float halfSize);
// Class 5.
Mesh* makeSpherify(graph::ObjectStore& store, Mesh& mesh, std::int32_t passes, float radius, float amount);
// Class 6.
Mesh* makeSmooth(graph::ObjectStore& store, Mesh& mesh, std::int32_t passes, float amount);
// Class 7.
Mesh* makeRandomScale(graph::ObjectStore& store, Mesh& mesh, std::int32_t passes, std::int32_t seed, float amount,
                      float decay);
// Class 8.
Mesh* makeChannelOp(graph::ObjectStore& store, Mesh& mesh, std::int32_t destination, std::int32_t sourceA,
                    std::int32_t sourceB, std::int32_t operation, float parameter);
// Class 17: a new copy, for an object instance that must not consume a shared mesh.
Mesh* makeMeshCopy(graph::ObjectStore& store, Mesh& source);
// Class 23.
Mesh* makeFaceChannelFromVertices(graph::ObjectStore& store, Mesh& mesh, std::int32_t destination,
                                  std::int32_t source, std::int32_t operation);
// Class 24.
Mesh* makeExtrude(graph::ObjectStore& store, Mesh& mesh, std::int32_t channelIndex, float distance,
                  std::int32_t stepsPerUnit);
// Class 27.
Mesh* makeScaleByChannel(graph::ObjectStore& store, Mesh& mesh, std::int32_t channelIndex, float sx, float sy,
                         float sz);
// Class 28: a new mesh.
Mesh* makeCopyToVertices(graph::ObjectStore& store, Mesh& source, Mesh& target, std::int32_t mode);
// Class 30: a new mesh of count copies along the path; the last argument is accepted and not used.
Mesh* makeCopyAlongPath(graph::ObjectStore& store, Mesh& source, scene::VectorValue& path, std::int32_t count,
                        std::int32_t mode, float unused);
// Class 31: a new mesh.
Mesh* makeMergeMeshes(graph::ObjectStore& store, const graph::PointerArray& meshes);

}  // namespace mesh
