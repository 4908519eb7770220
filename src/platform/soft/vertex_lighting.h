// Fixed-function vertex lighting in camera space: global ambient, emissive, and up to eight directional,
// point or spot lights with range, attenuation, spot cone and camera-relative specular highlights.
#pragma once

#include "platform/soft/device_state.h"
#include "platform/soft/raster.h"
#include "platform/soft/soft_math.h"
#include "platform/soft/vertex_input.h"

namespace soft {

// One enabled light moved into camera space, ready for the per-vertex loop.
struct PreparedLight {
    device::D3DLIGHTTYPE type = device::D3DLIGHT_POINT;
    Vec3 position{};         // point and spot
    Vec3 towardsLight{};     // directional: unit vector from any vertex to the light
    Vec3 spotDirection{};    // spot: unit direction the light shines in
    Color4 diffuse{}, specular{}, ambient{};
    float range = 0.0f;
    float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
    float falloff = 0.0f, cosHalfTheta = 0.0f, cosHalfPhi = 0.0f;
};

// Where each material colour of the lighting equation comes from for this draw.
enum class ColorSource { Material, Diffuse, Specular };

struct LightingSetup {
    bool enabled = false;
    PreparedLight lights[kMaxActiveLights];
    int lightCount = 0;
    Color4 globalAmbient{};
    device::D3DMATERIAL9 material{};
    ColorSource ambientSource = ColorSource::Material;
    ColorSource diffuseSource = ColorSource::Material;
    ColorSource specularSource = ColorSource::Material;
    ColorSource emissiveSource = ColorSource::Material;
    bool specularEnable = false;
    bool localViewer = true;
    bool normalizeNormals = false;
    device::D3DMATRIX worldView{};
    Mat3 normalMatrix{};
};

// Reads the lighting states, the material and the first eight enabled lights (by index); worldView is the
// world matrix times the view matrix.
LightingSetup prepareLighting(const DeviceState& state, const device::D3DMATRIX& worldView,
                              const VertexInput& input);

// The lit diffuse and specular colours of one vertex, each channel clamped to 0..1. Without lighting the
// vertex colours pass through (clamped).
void lightVertex(const LightingSetup& setup, const InputVertex& vertex, Color4& diffuse, Color4& specular);

}  // namespace soft
