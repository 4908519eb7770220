// Fixed-function vertex lighting of the software device.
//
// The Direct3D 9 lighting equation, evaluated per vertex in camera space:
//   diffuse  = Ca * (Ga + sum(La_i * Atten_i * Spot_i)) + Cd * sum(Ld_i * max(N.L_i, 0) * Atten_i * Spot_i) + Ce
//   specular = Cs * sum(Ls_i * (N.H_i)^P * Atten_i * Spot_i)
// with the diffuse alpha taken from the diffuse colour source and every channel clamped to 0..1 after all
// lights have been summed.
#include "platform/soft/vertex_lighting.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace soft {

using namespace device;

namespace {

Color4 toColor4(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }

Color4 unpackColor(D3DCOLOR c) {
    return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f};
}

float clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }  // NaN becomes 0

Color4 clampColor(const Color4& c) { return {clamp01(c.r), clamp01(c.g), clamp01(c.b), clamp01(c.a)}; }

void accumulate(Color4& sum, const Color4& light, float factor) {
    sum.r += light.r * factor;
    sum.g += light.g * factor;
    sum.b += light.b * factor;
}

// A material colour source names a vertex colour only when per-vertex colour is on and the vertex really
// has that colour; otherwise the material's own colour is used.
ColorSource resolveSource(DWORD source, bool colorVertex, const VertexInput& input) {
    if (!colorVertex) return ColorSource::Material;
    if (source == D3DMCS_COLOR1 && input.color0.present) return ColorSource::Diffuse;
    if (source == D3DMCS_COLOR2 && input.color1.present) return ColorSource::Specular;
    return ColorSource::Material;
}

// Lights are given in world space; the view matrix takes them to camera space. Spot cone angles are
// stored as the cosines of the half angles.
PreparedLight prepareLight(const D3DLIGHT9& light, const D3DMATRIX& view) {
    PreparedLight prepared;
    prepared.type = light.Type;
    prepared.diffuse = toColor4(light.Diffuse);
    prepared.specular = toColor4(light.Specular);
    prepared.ambient = toColor4(light.Ambient);
    const Vec3 position{light.Position.x, light.Position.y, light.Position.z};
    const Vec4 p = transformPoint(position, view);
    prepared.position = {p.x, p.y, p.z};
    const Vec3 direction = normalize3(
        transformDirection({light.Direction.x, light.Direction.y, light.Direction.z}, view));
    prepared.towardsLight = neg3(direction);
    prepared.spotDirection = direction;
    prepared.range = light.Range;
    prepared.attenuation0 = light.Attenuation0;
    prepared.attenuation1 = light.Attenuation1;
    prepared.attenuation2 = light.Attenuation2;
    prepared.falloff = light.Falloff;
    prepared.cosHalfTheta = cosDeterministic(light.Theta * 0.5f);
    prepared.cosHalfPhi = cosDeterministic(light.Phi * 0.5f);
    return prepared;
}

// The spot factor: 1 inside the inner cone, 0 outside the outer cone, and between them
// ((rho - cos(phi/2)) / (cos(theta/2) - cos(phi/2)))^falloff, rho the cosine between the spot direction
// and the direction from the light to the vertex.
float spotFactor(const PreparedLight& light, const Vec3& towardsLight) {
    const float rho = -dot3(towardsLight, light.spotDirection);
    if (rho > light.cosHalfTheta) return 1.0f;
    if (rho <= light.cosHalfPhi) return 0.0f;
    return powDeterministic((rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi), light.falloff);
}

struct LightSums {
    Color4 ambient, diffuse, specular;
};

// Adds one light's contribution. A point or spot light beyond its Range contributes nothing at all, not
// even ambient; inside it, light fades as 1 / (Attenuation0 + Attenuation1 d + Attenuation2 d^2).
void addLight(const LightingSetup& setup, const PreparedLight& light, const Vec3& eyePosition, const Vec3& normal,
              const Vec3& towardsEye, LightSums& sums) {
    Vec3 towardsLight = light.towardsLight;
    float attenuation = 1.0f;
    if (light.type != D3DLIGHT_DIRECTIONAL) {
        const Vec3 offset = sub3(light.position, eyePosition);
        const float distance = std::sqrt(dot3(offset, offset));
        if (!(distance <= light.range)) return;
        const float denominator =
            light.attenuation0 + light.attenuation1 * distance + light.attenuation2 * distance * distance;
        attenuation = 1.0f / denominator;
        if (!(attenuation < std::numeric_limits<float>::max())) attenuation = std::numeric_limits<float>::max();
        towardsLight = normalize3(offset);
        if (light.type == D3DLIGHT_SPOT) attenuation *= spotFactor(light, towardsLight);
    }
    accumulate(sums.ambient, light.ambient, attenuation);

    const float nDotL = dot3(normal, towardsLight);
    if (!(nDotL > 0.0f)) return;
    accumulate(sums.diffuse, light.diffuse, nDotL * attenuation);
    if (!setup.specularEnable) return;
    const Vec3 half = normalize3(add3(towardsEye, towardsLight));
    const float nDotH = dot3(normal, half);
    if (!(nDotH > 0.0f)) return;
    accumulate(sums.specular, light.specular, powDeterministic(nDotH, setup.material.Power) * attenuation);
}

Color4 pick(ColorSource source, const D3DCOLORVALUE& material, const InputVertex& vertex) {
    switch (source) {
        case ColorSource::Diffuse: return vertex.color0;
        case ColorSource::Specular: return vertex.color1;
        default: return toColor4(material);
    }
}

}  // namespace

LightingSetup prepareLighting(const DeviceState& state, const D3DMATRIX& worldView, const VertexInput& input) {
    LightingSetup setup;
    setup.enabled = state.renderFlag(D3DRS_LIGHTING);
    if (!setup.enabled) return setup;
    for (const auto& [index, slot] : state.lights) {
        if (!slot.enabled || setup.lightCount == static_cast<int>(kMaxActiveLights)) continue;
        setup.lights[setup.lightCount++] = prepareLight(slot.light, state.view);
    }
    setup.globalAmbient = unpackColor(state.renderState(D3DRS_AMBIENT));
    setup.material = state.material;
    const bool colorVertex = state.renderFlag(D3DRS_COLORVERTEX);
    setup.ambientSource = resolveSource(state.renderState(D3DRS_AMBIENTMATERIALSOURCE), colorVertex, input);
    setup.diffuseSource = resolveSource(state.renderState(D3DRS_DIFFUSEMATERIALSOURCE), colorVertex, input);
    setup.specularSource = resolveSource(state.renderState(D3DRS_SPECULARMATERIALSOURCE), colorVertex, input);
    setup.emissiveSource = resolveSource(state.renderState(D3DRS_EMISSIVEMATERIALSOURCE), colorVertex, input);
    setup.specularEnable = state.renderFlag(D3DRS_SPECULARENABLE);
    setup.localViewer = state.renderFlag(D3DRS_LOCALVIEWER);
    setup.normalizeNormals = state.renderFlag(D3DRS_NORMALIZENORMALS);
    setup.worldView = worldView;
    setup.normalMatrix = inverseTransposeUpper3x3(worldView);
    return setup;
}

void lightVertex(const LightingSetup& setup, const InputVertex& vertex, Color4& diffuse, Color4& specular) {
    if (!setup.enabled) {
        diffuse = clampColor(vertex.color0);
        specular = clampColor(vertex.color1);
        return;
    }
    const Vec4 eye4 = transformVec4(vertex.position, setup.worldView);
    const Vec3 eye{eye4.x, eye4.y, eye4.z};
    // Normals go through the inverse transpose of the world-view matrix. Without D3DRS_NORMALIZENORMALS
    // they are used as they come out, so a scaled world matrix scales N.L and N.H as on real hardware.
    Vec3 normal = transformByMat3(vertex.normal, setup.normalMatrix);
    if (setup.normalizeNormals) normal = normalize3(normal);

    // The half vector for specular light lies between the directions to the light and to the eye: towards the camera
    // at the origin of camera space with a local viewer, else along -z (an eye infinitely far away, in
    // left-handed camera space where the camera looks along +z).
    Vec3 towardsEye{0.0f, 0.0f, -1.0f};
    if (setup.specularEnable && setup.localViewer) towardsEye = normalize3(neg3(eye));

    LightSums sums{setup.globalAmbient, {0, 0, 0, 0}, {0, 0, 0, 0}};
    for (int i = 0; i < setup.lightCount; ++i) addLight(setup, setup.lights[i], eye, normal, towardsEye, sums);

    const D3DMATERIAL9& m = setup.material;
    const Color4 ca = pick(setup.ambientSource, m.Ambient, vertex);
    const Color4 cd = pick(setup.diffuseSource, m.Diffuse, vertex);
    const Color4 cs = pick(setup.specularSource, m.Specular, vertex);
    const Color4 ce = pick(setup.emissiveSource, m.Emissive, vertex);
    diffuse = clampColor({ca.r * sums.ambient.r + cd.r * sums.diffuse.r + ce.r,
                          ca.g * sums.ambient.g + cd.g * sums.diffuse.g + ce.g,
                          ca.b * sums.ambient.b + cd.b * sums.diffuse.b + ce.b, cd.a});
    specular = clampColor({cs.r * sums.specular.r, cs.g * sums.specular.g, cs.b * sums.specular.b, cs.a});
}

}  // namespace soft
