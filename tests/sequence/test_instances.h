// Stand-ins for object instances in clip tests: a scene node of type 3 with a material that only notes its
// render calls, and a texture that counts its updates.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/material.h"
#include "scene/scene_node.h"
#include "texture/texture_upload.h"

namespace cliptest {

class NotedInstance : public scene::SceneNode {
public:
    struct Draw {
        float t;
        scene::RenderPass pass;
        math::Matrix4 world;
    };

    NotedInstance(const scene::Material* material, const scene::StaticMatrix* local = nullptr)
        : SceneNode(scene::NodeType::ObjectInstance, nullptr, local, nullptr), material_(material) {}

    void render(float t, scene::RenderPass pass) override;
    const scene::Material* material() const override { return material_; }

    std::vector<Draw> draws;

private:
    const scene::Material* material_;
};

// A texture that counts the updates it receives.
class CountingTexture : public texture::TextureUpload {
public:
    CountingTexture() : TextureUpload(nullptr, 4, 4, 4, 4, nullptr) {}
    void update(float t) override {
        ++updates;
        lastTime = t;
    }
    int updates = 0;
    float lastTime = 0.0f;
};

}  // namespace cliptest
