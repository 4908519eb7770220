// The stand-in object instances.
#include "test_instances.h"

#include <cstring>

#include "device/device_state.h"
#include "scene/apply_material.h"

namespace cliptest {

using namespace device;

void NotedInstance::render(float t, scene::RenderPass pass) { draws.push_back({t, pass, deviceState().sharedWorld}); }

namespace {

DeviceRef<IDirect3DVertexBuffer9> makeBuffer(const std::vector<StreamVertex>& vertices) {
    IDirect3DDevice9* device = deviceState().device.get();
    DeviceRef<IDirect3DVertexBuffer9> buffer;
    if (device == nullptr || vertices.empty()) {
        return buffer;
    }
    const auto bytes = static_cast<UINT>(vertices.size() * sizeof(StreamVertex));
    if (failed(device->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, buffer.out(), nullptr))) {
        return nullptr;
    }
    void* data = nullptr;
    if (succeeded(buffer->Lock(0, 0, &data, 0))) {
        std::memcpy(data, vertices.data(), bytes);
        buffer->Unlock();
    }
    return buffer;
}

}  // namespace

TriangleInstance::TriangleInstance(const scene::Material* material, const std::vector<StreamVertex>& positions,
                                   const std::vector<StreamVertex>& normals, const scene::StaticMatrix* local)
    : SceneNode(scene::NodeType::ObjectInstance, nullptr, local, nullptr),
      material_(material),
      positions_(makeBuffer(positions)),
      normals_(makeBuffer(normals)),
      triangles_(static_cast<UINT>(positions.size() / 3)) {}

void TriangleInstance::render(float t, scene::RenderPass pass) {
    IDirect3DDevice9* device = deviceState().device.get();
    const bool late = pass == scene::RenderPass::Late;
    if (device == nullptr || !positions_ || late != material_->alphaBlend) {
        return;
    }
    scene::applyMaterial(*device, *material_, t);
    device->SetVertexDeclaration(deviceState().meshDeclaration.get());
    device->SetStreamSource(0, positions_.get(), 0, sizeof(StreamVertex));
    device->SetStreamSource(2, normals_.get(), 0, sizeof(StreamVertex));
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles_);
    for (UINT stream = 0; stream < 6; ++stream) {
        device->SetStreamSource(stream, nullptr, 0, 0);
    }
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void appendSquareFacingMinusY(std::vector<StreamVertex>& positions, std::vector<StreamVertex>& normals, float x,
                              float y, float z, float half) {
    // Seen from -y with +z up, +x lies to the left: the corners below run clockwise on screen.
    const StreamVertex topLeft{x + half, y, z + half, 0};
    const StreamVertex topRight{x - half, y, z + half, 0};
    const StreamVertex bottomRight{x - half, y, z - half, 0};
    const StreamVertex bottomLeft{x + half, y, z - half, 0};
    for (const StreamVertex& corner : {topLeft, topRight, bottomRight, topLeft, bottomRight, bottomLeft}) {
        positions.push_back(corner);
        normals.push_back({0.0f, -1.0f, 0.0f, 0.0f});
    }
}

}  // namespace cliptest
