// The light node (scene-script class 3): a white or coloured point light whose device position follows
// the node. Its id is the device light index it occupies.
#pragma once

#include <cstdint>

#include "device/d3d9_interfaces.h"
#include "scene/scene_node.h"

namespace scene {

// Clips switch off exactly these light indices before they place their own lights.
constexpr std::int32_t kLightSlots = 8;

class Light : public SceneNode {
public:
    // color: 0xAARRGGBB; its alpha is replaced by 1.
    Light(const graph::PointerArray* children, const StaticMatrix* localMatrix, MatrixValue* animator,
          device::D3DCOLOR color, std::int32_t id);

    // Point light, diffuse = specular = ambient = the colour, range 2000, constant attenuation 1. The
    // position is written by applyLight.
    const device::D3DLIGHT9& record() const { return light_; }

private:
    friend void applyLight(device::IDirect3DDevice9& device, Light& light);

    device::D3DLIGHT9 light_{};
};

// Takes the position from row 3 of sharedWorld (the clip has set it to the light's world matrix times the
// view, so the position is in camera space), then SetLight(id) and LightEnable(id, TRUE).
void applyLight(device::IDirect3DDevice9& device, Light& light);

// Class 3: children, static matrix (or null), animator (or null), colour, id. An id outside the light
// slots 0 .. 7 would stay lit in every later clip and rejects the record, as does a child that is not a
// scene node.
Light* makeLight(graph::ObjectStore& store, const graph::PointerArray& children, StaticMatrix* localMatrix,
                 MatrixValue* animator, std::int32_t color, std::int32_t id);

}  // namespace scene
