// The layer that shows one 3D scene (scene-script class 19): a forest of scene nodes seen through one of
// its cameras, with an ambient light level and optional linear distance fog. A clip draws over whatever
// earlier layers left in the colour and depth buffers and clears nothing itself.
#pragma once

#include <cstdint>

#include "device/d3d9_interfaces.h"
#include "graph/constructor.h"
#include "graph/pointer_array.h"
#include "scene/scene_node.h"
#include "sequence/layer.h"

namespace sequence {

// Fog parameters: mode is a D3DFOGMODE, 0 for none; start and end are camera-space depths.
struct ClipFog {
    std::int32_t mode = 0;
    device::D3DCOLOR color = 0;
    float start = 0.0f;
    float end = 0.0f;
};

class SceneClip : public Layer {
public:
    SceneClip(const graph::PointerArray& roots, std::int32_t cameraId, device::D3DCOLOR ambient, const ClipFog& fog);

    // Recomputes every node's world matrix, lists the forest in pre-order, picks the last camera with the
    // clip's camera id, and lets the textures of every object instance's material advance to t.
    void update(float t) override;
    // Projection from the camera (pi / 4 and the identity view without one), blend factors, ambient light,
    // lights 0 to 7 off and then every light of the forest placed, fog, the two draw passes, and lighting
    // left off for the next layer. Does nothing without a device.
    void render(float t) override;

    // The camera the last update chose, or null.
    scene::SceneNode* camera() const { return camera_; }
    // Every node of the forest in depth-first pre-order, as of the last update.
    const graph::PointerArray& flatList() const { return flatList_; }

private:
    void placeLights(device::IDirect3DDevice9& device, const math::Matrix4& view);

    graph::PointerArray flatList_;
    scene::SceneNode* camera_ = nullptr;
    device::D3DCOLOR ambient_;
    std::int32_t cameraId_;
    graph::PointerArray roots_;
    ClipFog fog_;
};

// Class 19: roots, camera id, ambient colour, fog mode, fog colour, fog start, fog end. A root that is not
// a scene node, or a fog mode other than 0 to 3, rejects the record.
SceneClip* makeSceneClip(graph::ObjectStore& store, const graph::PointerArray& roots, std::int32_t cameraId,
                         std::int32_t ambient, std::int32_t fogMode, std::int32_t fogColor, float fogStart,
                         float fogEnd);

}  // namespace sequence
