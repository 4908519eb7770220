// What the device-check scenes share: the device and its shared objects, the full explicit render state,
// the two projections of the engine, mesh buffers, lights, materials and the draw sequences of the engine's
// solid, overlay and sprite drawing.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "device/d3d9_interfaces.h"
#include "device/device_ref.h"
#include "device/shared_render_state.h"
#include "geometry.h"
#include "math/matrix4.h"
#include "textures.h"

namespace devicecheck {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 500;

// Device buffers of a MeshData, one per stream as the engine keeps them (16-byte slots).
struct MeshBuffers {
    device::DeviceRef<device::IDirect3DVertexBuffer9> positions;
    device::DeviceRef<device::IDirect3DVertexBuffer9> normals;
    device::DeviceRef<device::IDirect3DVertexBuffer9> texCoords;
    device::DeviceRef<device::IDirect3DIndexBuffer9> indices;  // empty for unindexed meshes
    device::UINT vertexCount = 0;
    device::UINT triangleCount = 0;
};

// Creates a scene's resources and keeps them until the frame has been read back, so that no scene depends
// on how a backend treats resources released while a frame that uses them is still open.
class SceneResources {
public:
    explicit SceneResources(device::IDirect3DDevice9& device) : device_(device) {}

    // Managed buffers, as the engine uploads its meshes: vertex buffers without FVF, 32-bit indices.
    const MeshBuffers& mesh(const MeshData& data);
    device::IDirect3DIndexBuffer9* indices(const std::vector<std::uint32_t>& values);
    device::IDirect3DVertexBuffer9* quadVertices(const std::vector<device::QuadVertex>& vertices);
    // Null when the texture cannot be created or locked.
    device::IDirect3DTexture9* texture(const Image& image);

private:
    device::IDirect3DDevice9& device_;
    std::deque<MeshBuffers> meshes_;
    std::deque<device::DeviceRef<device::IDirect3DIndexBuffer9>> indexBuffers_;
    std::deque<device::DeviceRef<device::IDirect3DVertexBuffer9>> vertexBuffers_;
    std::deque<device::DeviceRef<device::IDirect3DTexture9>> textures_;
};

struct SceneContext {
    device::IDirect3DDevice9& device;
    device::IDirect3DVertexDeclaration9* meshDeclaration;
    device::IDirect3DVertexDeclaration9* quadDeclaration;
    device::IDirect3DVertexBuffer9* constantColorBuffer;  // one D3DCOLOR, bound with stride 0
    SceneResources& resources;
};

// Every render state, stage state, sampler filter, light switch and transform the scenes rely on, set to
// one known baseline: depth test LESS with writes, CCW culling, no lighting, blending off with the
// SRCALPHA / INVSRCALPHA factors ready, no fog, both texture stages disabled, linear filters, identity
// world and view, the perspective projection. Texture addressing is left at the device default (wrap),
// as the engine's overlays leave it.
void setCommonState(const SceneContext& context);

// The engine's left-handed perspective for a horizontal field of view of pi / 4: near 0.01, far 1000,
// w = camera-space z (_34 = 1, _44 = 0).
device::D3DMATRIX perspectiveProjection();
// Pixels of the 800 x 500 frame (origin top-left, y down) at depth z to clip space with w = z.
device::D3DMATRIX screenProjection();

// An object's world matrix: uniform scale, then rotation about x, then about y, then the translation.
math::Matrix4 placement(float x, float y, float z, float scale = 1.0f, float angleX = 0.0f, float angleY = 0.0f);

void setWorld(const SceneContext& context, const math::Matrix4& world);
void setProjection(const SceneContext& context, const device::D3DMATRIX& projection);
void clearFrame(const SceneContext& context, device::D3DCOLOR color);

// Writes the colour that stride-0 stream 3 hands to every vertex (lock with no flags, as the engine does).
void setConstantColor(const SceneContext& context, device::D3DCOLOR color);

// A point light with equal diffuse, specular and ambient colour, enabled at index.
void enablePointLight(const SceneContext& context, device::DWORD index, device::D3DVECTOR position,
                      device::D3DCOLOR color, float range, float attenuation0, float attenuation1,
                      float attenuation2);

struct SurfaceLook {
    device::D3DCOLOR ambient = 0xFF202020;
    device::D3DCOLOR diffuse = 0xFFCCCCCC;
    device::D3DCOLOR specular = 0xFF000000;
    float power = 10.0f;
    float alpha = 1.0f;  // replaces the alpha of the three colours
    bool flat = false;   // D3DSHADE_FLAT instead of D3DSHADE_GOURAUD
};

// Lighting on with the material as colour source, specular on when its specular colour is not black.
void setLitSurface(const SceneContext& context, const SurfaceLook& look);

// The engine's solid draw: mesh declaration, positions on stream 0, normals on stream 2 when lit or the
// constant colour on stream 3 when not, texture coordinates on stream 1 when asked, indexed or not, then
// every stream unbound.
void drawMesh(const SceneContext& context, const MeshBuffers& mesh, bool lit, bool textured = false);

// One quad (or any 4-vertex fan) through DrawPrimitiveUP with the quad declaration.
void drawFan(const SceneContext& context, const std::array<device::QuadVertex, 4>& vertices);

struct Overlay {
    float x = 0, y = 0, width = 0, height = 0;  // pixels of the 800 x 500 frame
    device::D3DCOLOR color = 0xFFFFFFFF;
    device::IDirect3DTexture9* texture = nullptr;
    float du = 1.0f, dv = 1.0f;  // texture span across the rectangle
    float u0 = 0.0f, v0 = 0.0f;
};

// The engine's overlay draw: screen projection, depth and lighting off, blending on, the texture modulated
// by the vertex colour (or stages disabled without one), corners shifted by -0.5 px, one fan at z = 1.
void drawOverlay(const SceneContext& context, const Overlay& overlay);

}  // namespace devicecheck
