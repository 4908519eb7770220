// Solid, wire and sprite drawing of a prepared mesh.
#include "mesh/mesh_draw.h"

#include <cstring>

#include "device/color.h"
#include "device/device_state.h"
#include "device/shared_render_state.h"
#include "device/texture_binding.h"
#include "mesh/prepare_mesh.h"
#include "scene/apply_material.h"
#include "texture/texture_upload.h"

namespace mesh {

namespace {

using namespace device;

constexpr UINT kStride = sizeof(Vec4);
constexpr DWORD kStreamCount = 6;

IDirect3DVertexBuffer9* vertexBuffer(const MeshArray<Vec4>& array) { return array.buffer().vertexBuffer(); }

template <typename T>
IDirect3DIndexBuffer9* indexBuffer(const MeshArray<T>& array) {
    return array.buffer().indexBuffer();
}

void unbind(IDirect3DDevice9& device, DWORD stream) { device.SetStreamSource(stream, nullptr, 0, 0); }

void bind(IDirect3DDevice9& device, DWORD stream, const MeshArray<Vec4>& array) {
    device.SetStreamSource(stream, vertexBuffer(array), 0, kStride);
}

// Every vertex of the next draw reads this one colour: the shared buffer is bound to stream 3 with
// stride 0.
void bindConstantColor(IDirect3DDevice9& device, D3DCOLOR color) {
    IDirect3DVertexBuffer9* buffer = deviceState().constantColorBuffer.get();
    void* data = nullptr;
    if (buffer != nullptr && succeeded(buffer->Lock(0, 0, &data, 0))) {
        std::memcpy(data, &color, sizeof(color));
        buffer->Unlock();
    }
    device.SetStreamSource(3, buffer, 0, 0);
}

void unbindAll(IDirect3DDevice9& device) {
    for (DWORD stream = 0; stream < kStreamCount; ++stream) unbind(device, stream);
}

UINT count(std::int32_t n) { return static_cast<UINT>(n); }

// Channel value i, or 0 past the channel's end (a face channel read per vertex may be shorter).
float valueAt(const MeshArray<float>& channel, std::int32_t i) { return i < channel.count() ? channel[i] : 0.0f; }

}  // namespace

void drawSolid(IDirect3DDevice9& device, const Mesh& mesh, const scene::Material& material, float t) {
    if (material.surfaceMode < 0) return;
    scene::applyMaterial(device, material, t);
    device.SetVertexDeclaration(deviceState().meshDeclaration.get());
    bind(device, 0, mesh.positions);
    if (material.usesTexCoords) {
        bind(device, 1, mesh.texCoords);
    } else {
        unbind(device, 1);
    }
    if (material.lighting) {
        bind(device, 2, mesh.normals);
        unbind(device, 3);
    } else {
        unbind(device, 2);
        const D3DCOLORVALUE& diffuse = material.surface.Diffuse;
        bindConstantColor(device, packRGBA(diffuse.r, diffuse.g, diffuse.b, diffuse.a));
    }
    if (material.tangentStreams) {
        bind(device, 4, mesh.tangents);
        bind(device, 5, mesh.binormals);
    } else {
        unbind(device, 4);
        unbind(device, 5);
    }
    if (material.surfaceMode > 0) {
        device.SetIndices(indexBuffer(mesh.faces));
        device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, count(mesh.vertexCount()), 0, count(mesh.faceCount()));
        device.SetIndices(nullptr);
    } else {
        device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, count(mesh.faceCount()));
    }
    unbindAll(device);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device.SetVertexShader(nullptr);
    device.SetPixelShader(nullptr);
}

void drawWire(IDirect3DDevice9& device, const Mesh& mesh, const scene::Material& material) {
    device.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    device.SetRenderState(D3DRS_LIGHTING, FALSE);
    device.SetRenderState(D3DRS_COLORVERTEX, FALSE);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device.SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    device.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    const D3DMATRIX world = toD3DMatrix(deviceState().sharedWorld);
    device.SetTransform(D3DTS_WORLD, &world);
    const MeshArray<IndexPair>& list = material.lineMode == 1 ? mesh.lines : mesh.edges;
    device.SetVertexDeclaration(deviceState().meshDeclaration.get());
    bind(device, 0, mesh.positions);
    unbind(device, 1);
    unbind(device, 2);
    bindConstantColor(device, material.lineColor);
    unbind(device, 4);
    device.SetIndices(indexBuffer(list));
    device.DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, count(mesh.vertexCount()), 0, count(list.count()));
    device.SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, FALSE);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device.SetIndices(nullptr);
    unbindAll(device);
}

void drawSprites(IDirect3DDevice9& device, const Mesh& mesh, const scene::Material& material) {
    const MeshArray<float>* sizes = spriteChannel(mesh, material.spriteSizeChannel);
    const MeshArray<float>* alphas = spriteChannel(mesh, material.spriteAlphaChannel);
    // The positions stay in memory for exactly this; a mesh whose upload took them has no sprites.
    if (material.spriteTexture == nullptr || !mesh.positions.inMemory()) return;
    device.SetRenderState(D3DRS_ZENABLE, material.depthTest ? D3DZB_TRUE : D3DZB_FALSE);
    device.SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device.SetRenderState(D3DRS_LIGHTING, FALSE);
    device.SetRenderState(D3DRS_ZFUNC, material.depthTest ? D3DCMP_LESS : D3DCMP_ALWAYS);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    bindModulatedTexture(device, material.spriteTexture->texture());
    device.SetVertexDeclaration(deviceState().quadDeclaration.get());
    const D3DMATRIX identity = toD3DMatrix(math::matIdentity());
    device.SetTransform(D3DTS_WORLD, &identity);
    const math::Matrix4& world = deviceState().sharedWorld;
    for (std::int32_t i = 0; i < mesh.vertexCount(); ++i) {
        const Vec4 c = vecTimesMatrix(mesh.positions[i], world);
        const float s = sizes != nullptr ? material.spriteSize * valueAt(*sizes, i) : material.spriteSize;
        const D3DCOLOR color = alphas != nullptr ? withAlpha(0xFFFFFFFF, valueAt(*alphas, i)) : 0xFFFFFFFF;
        // Clockwise seen from the camera, so that culling of counter-clockwise faces keeps it.
        const QuadVertex square[4] = {
            {c.x - s, c.y + s, c.z, 0.0f, 0.0f, color},
            {c.x + s, c.y + s, c.z, 1.0f, 0.0f, color},
            {c.x + s, c.y - s, c.z, 1.0f, 1.0f, color},
            {c.x - s, c.y - s, c.z, 0.0f, 1.0f, color},
        };
        device.DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, square, sizeof(QuadVertex));
    }
}

}  // namespace mesh
