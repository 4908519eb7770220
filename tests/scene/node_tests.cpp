// Scene-node traversal: world matrices (animator, then local matrix, then parent), the pre-order flat
// list, the draw passes with the shared world matrix, and forests that share nodes or run deep.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/device_state.h"
#include "scene/matrix_values.h"
#include "scene/scene_node.h"
#include "scene_test_support.h"

namespace {

using math::Matrix4;
using math::Vec4;
using scene::RenderPass;
using scene::SceneNode;

// A node that notes each render call with the shared world matrix it saw.
class NotingNode : public SceneNode {
public:
    struct Draw {
        const NotingNode* node;
        float t;
        RenderPass pass;
        Matrix4 world;
    };

    NotingNode(std::vector<Draw>& draws, const graph::PointerArray* children = nullptr,
               const scene::StaticMatrix* local = nullptr, scene::MatrixValue* animator = nullptr)
        : SceneNode(scene::NodeType::Plain, children, local, animator), draws_(draws) {}
    void render(float t, RenderPass pass) override {
        draws_.push_back({this, t, pass, device::deviceState().sharedWorld});
    }

private:
    std::vector<Draw>& draws_;
};

class SceneNodes : public ::testing::Test {
protected:
    void TearDown() override { device::resetDeviceState(); }

    // A node owned by the test, with children given as nodes.
    NotingNode* node(std::initializer_list<SceneNode*> children = {}, const scene::StaticMatrix* local = nullptr,
                     scene::MatrixValue* animator = nullptr) {
        graph::PointerArray* list = store_.makeList();
        for (SceneNode* child : children) {
            list->pushValue(static_cast<graph::ScriptObject*>(child));
        }
        return store_.make<NotingNode>(draws_, list, local, animator);
    }
    scene::StaticMatrix* translation(float x, float y, float z) {
        return store_.make<scene::StaticMatrix>(math::matTranslation(x, y, z));
    }
    static graph::PointerArray listOf(std::initializer_list<SceneNode*> nodes) {
        graph::PointerArray list;
        for (SceneNode* n : nodes) {
            list.pushValue(static_cast<graph::ScriptObject*>(n));
        }
        return list;
    }

    graph::ObjectStore store_;
    std::vector<NotingNode::Draw> draws_;
};

TEST_F(SceneNodes, WorldMatricesComposeAnimatorThenLocalThenParent) {
    NotingNode* bare = node();
    NotingNode* child = node({}, translation(0, 2, 0));
    NotingNode* parent = node({child}, translation(1, 0, 0));
    // A quarter turn about z as the animator of a node placed at (5, 0, 0): the turn acts in the node's own
    // frame, before the placement, so the local x axis points along world y and the origin stays at (5, 0, 0).
    scene::ConstantTransform turn(math::matRotation(2, 1.5707964f));
    NotingNode* animated = node({}, translation(5, 0, 0), &turn);
    graph::PointerArray flat;
    scene::updateWorld(listOf({bare, parent, animated}), math::matIdentity(), 0.0f, flat);

    EXPECT_EQ(bare->sceneMatrix(), math::matIdentity());
    EXPECT_EQ(child->sceneMatrix().row(3), (Vec4{1, 2, 0, 1}));
    scenetest::expectVecNear(math::transformVec({1, 0, 0, 1}, animated->sceneMatrix()), {5, 1, 0, 1}, 1e-6f);
    ASSERT_EQ(flat.count(), 4);
    EXPECT_EQ(flat.valueAt<SceneNode*>(0), bare);
    EXPECT_EQ(flat.valueAt<SceneNode*>(1), parent);
    EXPECT_EQ(flat.valueAt<SceneNode*>(2), child);
    EXPECT_EQ(flat.valueAt<SceneNode*>(3), animated);
}

TEST_F(SceneNodes, DrawPassesSeeTheirWorldTimesViewAndSkipHiddenNodes) {
    NotingNode* a = node({}, translation(1, 0, 0));
    NotingNode* hidden = node({}, translation(2, 0, 0));
    hidden->setVisible(false);
    graph::PointerArray flat;
    scene::updateWorld(listOf({a, hidden}), math::matIdentity(), 0.0f, flat);
    const Matrix4 view = math::matTranslation(0, 0, 10);
    scene::drawNodes(flat, 2.5f, RenderPass::Opaque, view);
    scene::drawNodes(flat, 2.5f, RenderPass::Late, view);
    ASSERT_EQ(draws_.size(), 2u);
    EXPECT_EQ(draws_[0].pass, RenderPass::Opaque);
    EXPECT_EQ(draws_[1].pass, RenderPass::Late);
    EXPECT_EQ(draws_[1].t, 2.5f);
    EXPECT_EQ(draws_[0].world, math::matTranslation(1, 0, 10));
}

TEST_F(SceneNodes, NullChildrenAreSkipped) {
    graph::PointerArray* children = store_.makeList();
    children->pushValue(static_cast<graph::ScriptObject*>(nullptr));
    NotingNode* parent = store_.make<NotingNode>(draws_, children);
    graph::PointerArray flat;
    scene::updateWorld(listOf({nullptr, parent}), math::matIdentity(), 0.0f, flat);
    EXPECT_EQ(flat.count(), 1);
}

TEST_F(SceneNodes, SharedNodesThatDoubleEveryLevelAreCutOff) {
    // Each level lists the previous one twice: 40 levels would name 2^40 nodes.
    SceneNode* level = node();
    for (int i = 0; i < 40; ++i) {
        level = node({level, level});
    }
    graph::PointerArray flat;
    scene::updateWorld(listOf({level}), math::matIdentity(), 0.0f, flat);
    EXPECT_EQ(flat.count(), scene::kMaxFlatNodes);
}

TEST_F(SceneNodes, DeepChainsStopAtTheDepthLimit) {
    SceneNode* chain = node({}, translation(0, 0, 1));
    for (int i = 1; i < 2 * scene::kMaxNodeDepth; ++i) {
        chain = node({chain}, translation(0, 0, 1));
    }
    graph::PointerArray flat;
    scene::updateWorld(listOf({chain}), math::matIdentity(), 0.0f, flat);
    ASSERT_EQ(flat.count(), scene::kMaxNodeDepth);
    // Every level on the way down added its own translation.
    EXPECT_EQ(flat.valueAt<SceneNode*>(scene::kMaxNodeDepth - 1)->sceneMatrix().row(3).z,
              static_cast<float>(scene::kMaxNodeDepth));
}

}  // namespace
