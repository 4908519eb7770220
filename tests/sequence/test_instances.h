// Stand-ins for object instances in clip tests: scene nodes of type 3 with a material. NotedInstance only
// notes its render calls; TriangleInstance draws a triangle list through applyMaterial the way an object
// instance draws its solid surface, so that clips can be rendered before meshes exist.
#pragma once

#include <cstdint>
#include <vector>

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"
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

// x, y, z and a fourth float the 16-byte streams carry.
struct StreamVertex {
    float x, y, z, unused;
};

class TriangleInstance : public scene::SceneNode {
public:
    // Positions and normals, three per triangle, in the node's local frame. Buffers are made on the device
    // of the shared state; without one the node draws nothing.
    TriangleInstance(const scene::Material* material, const std::vector<StreamVertex>& positions,
                     const std::vector<StreamVertex>& normals, const scene::StaticMatrix* local = nullptr);

    // Opaque materials draw in the opaque pass, blended ones in the late pass.
    void render(float t, scene::RenderPass pass) override;
    const scene::Material* material() const override { return material_; }

private:
    const scene::Material* material_;
    device::DeviceRef<device::IDirect3DVertexBuffer9> positions_;
    device::DeviceRef<device::IDirect3DVertexBuffer9> normals_;
    device::UINT triangles_;
};

// A square of side 2 x half centred at (x, y, z), in the x-z plane, facing -y: two triangles wound so that
// a camera on the -y side looking along +y with +z up sees their front.
void appendSquareFacingMinusY(std::vector<StreamVertex>& positions, std::vector<StreamVertex>& normals, float x,
                              float y, float z, float half);

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
