// Scene-node traversal: world matrices in pre-order, and the two draw passes.
#include "scene/scene_node.h"

#include <array>

#include "device/device_state.h"
#include "graph/constructor.h"

namespace scene {

SceneNode::SceneNode(NodeType type, const graph::PointerArray* children, const StaticMatrix* localMatrix,
                     MatrixValue* animator)
    : type_(type), localMatrix_(matrixOrIdentity(localMatrix)), animator_(animator) {
    graph::copyObjectList<SceneNode>(children, children_);
}

void SceneNode::render(float, RenderPass) {}

// Iterative, so that a deep forest cannot exhaust the call stack, and without allocation, so that a
// clip's per-frame update allocates nothing once its flat list has grown.
void updateWorld(const graph::PointerArray& nodes, const math::Matrix4& parentWorld, float t,
                 graph::PointerArray& flatList) {
    struct Level {
        const graph::PointerArray* nodes;
        std::int32_t next;
        math::Matrix4 parentWorld;
    };
    std::array<Level, kMaxNodeDepth> levels;
    std::size_t depth = 0;
    levels[depth++] = {&nodes, 0, parentWorld};
    while (depth > 0 && flatList.count() < kMaxFlatNodes) {
        Level& level = levels[depth - 1];
        if (level.next >= level.nodes->count()) {
            --depth;
            continue;
        }
        auto* node = level.nodes->valueAt<SceneNode*>(level.next++);
        if (node == nullptr) {
            continue;
        }
        math::Matrix4 world = math::matMultiply(node->localMatrix_, level.parentWorld);
        if (node->animator_ != nullptr) {
            world = math::matMultiply(node->animator_->value(t), world);
        }
        node->sceneMatrix_ = world;
        flatList.pushValue(node);
        if (depth < levels.size() && node->children_.count() > 0) {
            levels[depth++] = {&node->children_, 0, world};
        }
    }
}

void drawNodes(const graph::PointerArray& flatList, float t, RenderPass pass, const math::Matrix4& view) {
    for (std::int32_t i = 0; i < flatList.count(); ++i) {
        auto* node = flatList.valueAt<SceneNode*>(i);
        if (node == nullptr || !node->visible()) {
            continue;
        }
        device::deviceState().sharedWorld = math::matMultiply(node->sceneMatrix(), view);
        node->render(t, pass);
    }
}

std::string nodeListProblem(const graph::PointerArray& list) {
    for (std::int32_t i = 0; i < list.count(); ++i) {
        auto* object = list.valueAt<graph::ScriptObject*>(i);
        if (object != nullptr && dynamic_cast<SceneNode*>(object) == nullptr) {
            return "entry " + std::to_string(i + 1) + " of the list is not a scene node";
        }
    }
    return {};
}

}  // namespace scene
