// The size check shared by every generator.
#include "mesh/mesh_limits.h"

#include "mesh/mesh_memory.h"

namespace mesh {

Status checkMeshSize(const MeshSize& size, const std::string& what) {
    if (size.withinLimits()) {
        const std::int64_t total = MeshMemory::liveBytes() + size.bytes();
        if (total <= kMeshMemoryBudget) {
            return Status::done();
        }
        return Status::refused(what + " would bring the meshes in memory to " + std::to_string(total >> 20) +
                               " MB; all meshes together may hold " + std::to_string(kMeshMemoryBudget >> 20) + " MB");
    }
    return Status::refused(what + " would make a mesh of " + std::to_string(size.vertices) +
                           " vertices, " + std::to_string(size.faces) + " faces and " + std::to_string(size.lines) +
                           " lines; a mesh holds at most " + std::to_string(kMaxVertices) +
                           " vertices (16-bit vertex indices), " + std::to_string(kMaxFaces) + " faces and " +
                           std::to_string(kMaxLines) + " lines");
}

}  // namespace mesh
