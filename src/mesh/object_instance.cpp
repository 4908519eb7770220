// The object instance's passes and its class-table constructor.
#include "mesh/object_instance.h"

#include <string>

#include "device/device_state.h"
#include "mesh/mesh_draw.h"
#include "mesh/prepare_mesh.h"

namespace mesh {

ObjectInstance::ObjectInstance(Mesh& mesh, const scene::Material& material, const graph::PointerArray* children,
                               const scene::StaticMatrix* transform, scene::MatrixValue* animator, std::int32_t extra)
    : SceneNode(scene::NodeType::ObjectInstance, children, transform, animator),
      mesh_(&mesh),
      material_(&material),
      extra_(extra) {}

void ObjectInstance::render(float t, scene::RenderPass pass) {
    device::IDirect3DDevice9* device = device::deviceState().device.get();
    if (device == nullptr) return;
    if (pass == scene::RenderPass::Opaque) {
        if (!material_->alphaBlend) drawSolid(*device, *mesh_, *material_, t);
        return;
    }
    if (material_->alphaBlend) drawSolid(*device, *mesh_, *material_, t);
    if (material_->lineMode > 0) drawWire(*device, *mesh_, *material_);
    if (material_->spriteTexture != nullptr) drawSprites(*device, *mesh_, *material_);
}

ObjectInstance* makeObjectInstance(graph::ObjectStore& store, Mesh& mesh, scene::StaticMatrix* transform,
                                   scene::MatrixValue* animator, const graph::PointerArray& children,
                                   scene::Material* material, std::int32_t extra) {
    // The shared default comes into being with the first instance, whether or not that one uses it.
    const scene::Material& defaults = scene::sharedDefaultMaterial();
    const scene::Material& chosen = material != nullptr ? *material : defaults;
    if (std::string problem = scene::nodeListProblem(children); !problem.empty()) {
        store.rejectRecord("ObjectInstance: argument 4: " + problem);
        return nullptr;
    }
    const Status prepared = prepareMesh(mesh, chosen, device::deviceState().device.get());
    if (!prepared.ok()) {
        store.rejectRecord("ObjectInstance: " + prepared.message());
        return nullptr;
    }
    return store.make<ObjectInstance>(mesh, chosen, &children, transform, animator, extra);
}

}  // namespace mesh
