// The camera node (scene-script class 2): a frame whose rows are right, up, forward and position, and an
// optional horizontal field of view. A clip looks through the last camera of its forest with its id.
#pragma once

#include <cstdint>

#include "scene/scene_node.h"

namespace scene {

class Camera : public SceneNode {
public:
    Camera(const graph::PointerArray* children, const StaticMatrix* localMatrix, MatrixValue* animator,
           ScalarValue* fieldOfView, std::int32_t id);

    // The horizontal field of view in radians, or null for the clip's default.
    ScalarValue* fieldOfView() const { return fieldOfView_; }

private:
    ScalarValue* fieldOfView_;
};

// Class 2: children, static matrix (or null), animator (or null), field of view (or null), id. A child
// that is not a scene node rejects the record.
Camera* makeCamera(graph::ObjectStore& store, const graph::PointerArray& children, StaticMatrix* localMatrix,
                   MatrixValue* animator, ScalarValue* fieldOfView, std::int32_t id);

}  // namespace scene
