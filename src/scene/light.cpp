// The light node and its hand-over to the device.
#include "scene/light.h"

#include "device/device_state.h"

namespace scene {

namespace {

constexpr float kLightRange = 2000.0f;

float channel(device::D3DCOLOR color, int shift) { return static_cast<float>((color >> shift) & 0xFFu) / 255.0f; }

}  // namespace

Light::Light(const graph::PointerArray* children, const StaticMatrix* localMatrix, MatrixValue* animator,
             device::D3DCOLOR color, std::int32_t id)
    : SceneNode(NodeType::Light, children, localMatrix, animator) {
    setId(id);
    const device::D3DCOLORVALUE value{channel(color, 16), channel(color, 8), channel(color, 0), 1.0f};
    light_.Type = device::D3DLIGHT_POINT;
    light_.Diffuse = value;
    light_.Specular = value;
    light_.Ambient = value;
    light_.Range = kLightRange;
    light_.Attenuation0 = 1.0f;
}

void applyLight(device::IDirect3DDevice9& device, Light& light) {
    const math::Vec4 position = device::deviceState().sharedWorld.row(3);
    light.light_.Position = {position.x, position.y, position.z};
    const auto index = static_cast<device::DWORD>(light.id());
    device.SetLight(index, &light.light_);
    device.LightEnable(index, device::TRUE);
}

Light* makeLight(graph::ObjectStore& store, const graph::PointerArray& children, StaticMatrix* localMatrix,
                 MatrixValue* animator, std::int32_t color, std::int32_t id) {
    if (id < 0 || id >= kLightSlots) {
        store.rejectRecord("Light: argument 5: the light index " + std::to_string(id) + " is outside 0 to " +
                           std::to_string(kLightSlots - 1));
        return nullptr;
    }
    if (std::string problem = nodeListProblem(children); !problem.empty()) {
        store.rejectRecord("Light: argument 1: " + problem);
        return nullptr;
    }
    return store.make<Light>(&children, localMatrix, animator, static_cast<device::D3DCOLOR>(color), id);
}

}  // namespace scene
