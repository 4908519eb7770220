// The scene node that puts a mesh on screen with a material (scene-script class 18). Its constructor
// prepares the mesh for that material once and for all; afterwards the instance only draws: the solid
// surface in the opaque pass (or the late pass when blended), lines and sprites in the late pass.
#pragma once

#include <cstdint>

#include "graph/constructor.h"
#include "mesh/mesh.h"
#include "scene/material.h"
#include "scene/scene_node.h"

namespace mesh {

class ObjectInstance : public scene::SceneNode {
public:
    static constexpr const char* kScriptName = "object instance";

    // The mesh must have been prepared for the material (prepareMesh); the instance draws it as it is.
    ObjectInstance(Mesh& mesh, const scene::Material& material, const graph::PointerArray* children,
                   const scene::StaticMatrix* transform, scene::MatrixValue* animator, std::int32_t extra);

    // Opaque pass: the solid surface of an unblended material. Late pass: the solid surface of a blended
    // one, then the lines when the material has a line mode, then the sprites when it has a sprite
    // texture. Nothing without a device.
    void render(float t, scene::RenderPass pass) override;
    const scene::Material* material() const override { return material_; }

    const Mesh& mesh() const { return *mesh_; }
    // The script's sixth argument, kept as given.
    std::int32_t extra() const { return extra_; }

private:
    Mesh* mesh_;
    const scene::Material* material_;
    std::int32_t extra_;
};

// Class 18: mesh, static matrix (or null), animator (or null), children, material (or null for the shared
// default material), extra. Prepares the mesh on the process's device; a mesh that cannot be prepared
// (see prepareMesh) or a child that is not a scene node rejects the record.
ObjectInstance* makeObjectInstance(graph::ObjectStore& store, Mesh& mesh, scene::StaticMatrix* transform,
                                   scene::MatrixValue* animator, const graph::PointerArray& children,
                                   scene::Material* material, std::int32_t extra);

}  // namespace mesh
