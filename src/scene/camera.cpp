// The camera node.
#include "scene/camera.h"

namespace scene {

Camera::Camera(const graph::PointerArray* children, const StaticMatrix* localMatrix, MatrixValue* animator,
               ScalarValue* fieldOfView, std::int32_t id)
    : SceneNode(NodeType::Camera, children, localMatrix, animator), fieldOfView_(fieldOfView) {
    setId(id);
}

Camera* makeCamera(graph::ObjectStore& store, const graph::PointerArray& children, StaticMatrix* localMatrix,
                   MatrixValue* animator, ScalarValue* fieldOfView, std::int32_t id) {
    if (std::string problem = nodeListProblem(children); !problem.empty()) {
        store.rejectRecord("Camera: argument 1: " + problem);
        return nullptr;
    }
    return store.make<Camera>(&children, localMatrix, animator, fieldOfView, id);
}

}  // namespace scene
