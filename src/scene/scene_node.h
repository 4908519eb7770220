// The node of a 3D scene: a static local matrix, an optional animated transform and children. A clip
// flattens its forest every frame (updateWorld), then lets each visible node draw itself twice (drawNodes):
// an opaque pass and a late pass. Cameras, lights and object instances derive from it.
#pragma once

#include <cstdint>
#include <string>

#include "graph/pointer_array.h"
#include "graph/script_object.h"
#include "math/matrix4.h"
#include "scene/animated_value.h"
#include "scene/static_matrix.h"

namespace scene {

struct Material;

enum class NodeType : std::int32_t { Plain = 0, Camera = 1, Light = 2, ObjectInstance = 3 };

// Opaque solids first, then blended solids, lines and sprites over them.
enum class RenderPass : std::int32_t { Opaque = 0, Late = 1 };

class SceneNode : public graph::ScriptObject {
public:
    static constexpr const char* kScriptName = "scene node";

    // children: a script list of scene nodes (null entries are skipped when drawing); localMatrix and
    // animator may be null.
    SceneNode(NodeType type, const graph::PointerArray* children, const StaticMatrix* localMatrix,
              MatrixValue* animator);

    // Draws the node for one pass. drawNodes has just set sharedWorld to its world matrix times the view.
    // The base draws nothing.
    virtual void render(float t, RenderPass pass);

    // The material an object instance draws with, so that a clip can advance its textures without knowing
    // about meshes; null for nodes that draw nothing of their own.
    virtual const Material* material() const { return nullptr; }

    NodeType type() const { return type_; }
    // The camera id a clip selects by; the light index of a light; -1 otherwise.
    std::int32_t id() const { return id_; }
    const math::Matrix4& localMatrix() const { return localMatrix_; }
    // The world matrix the last updateWorld computed.
    const math::Matrix4& sceneMatrix() const { return sceneMatrix_; }
    const graph::PointerArray& children() const { return children_; }
    MatrixValue* animator() const { return animator_; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }

protected:
    void setId(std::int32_t id) { id_ = id; }

private:
    friend void updateWorld(const graph::PointerArray& nodes, const math::Matrix4& parentWorld, float t,
                            graph::PointerArray& flatList);

    NodeType type_;
    std::int32_t id_ = -1;
    math::Matrix4 localMatrix_;
    math::Matrix4 sceneMatrix_ = math::matIdentity();
    graph::PointerArray children_;
    bool visible_ = true;
    MatrixValue* animator_;
};

// A forest larger or deeper than this is cut off: nodes may be shared between parents, so a small script
// can describe a tree that doubles at every level.
constexpr std::int32_t kMaxFlatNodes = 65536;
constexpr std::int32_t kMaxNodeDepth = 256;

// For each node in order: world = animator(t) x local x parentWorld (animator left out when there is
// none), stored as its sceneMatrix; the node is appended to flatList, then its children follow with its
// world as their parent's. flatList therefore lists the forest in depth-first pre-order.
void updateWorld(const graph::PointerArray& nodes, const math::Matrix4& parentWorld, float t,
                 graph::PointerArray& flatList);

// For each visible node of flatList in order: sharedWorld = sceneMatrix x view, then render(t, pass).
void drawNodes(const graph::PointerArray& flatList, float t, RenderPass pass, const math::Matrix4& view);

// Empty when every entry of a script list is a scene node or null, else which entry is not.
std::string nodeListProblem(const graph::PointerArray& list);

}  // namespace scene
