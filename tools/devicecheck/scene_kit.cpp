// Shared scene helpers: explicit device state, projections, buffers and the engine's draw sequences.
#include "scene_kit.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include "device/texture_binding.h"
#include "device/color.h"

namespace devicecheck {
namespace {

using namespace device;

constexpr UINT kSlotStride = 16;  // the engine keeps every vertex attribute in a 16-byte Vec4 slot

DeviceRef<IDirect3DVertexBuffer9> uploadBytes(IDirect3DDevice9& device, const void* data, std::size_t size) {
    DeviceRef<IDirect3DVertexBuffer9> buffer;
    if (size == 0 || failed(device.CreateVertexBuffer(static_cast<UINT>(size), 0, 0, D3DPOOL_MANAGED,
                                                      buffer.out(), nullptr))) {
        return {};
    }
    void* mapped = nullptr;
    if (failed(buffer->Lock(0, 0, &mapped, 0)) || mapped == nullptr) {
        return {};
    }
    std::memcpy(mapped, data, size);
    buffer->Unlock();
    return buffer;
}

DeviceRef<IDirect3DVertexBuffer9> uploadSlots(IDirect3DDevice9& device, const std::vector<math::Vec4>& slots) {
    static_assert(sizeof(math::Vec4) == kSlotStride);
    return uploadBytes(device, slots.data(), slots.size() * sizeof(math::Vec4));
}

DeviceRef<IDirect3DIndexBuffer9> uploadIndexBuffer(IDirect3DDevice9& device,
                                                   const std::vector<std::uint32_t>& indices) {
    DeviceRef<IDirect3DIndexBuffer9> buffer;
    const std::size_t size = indices.size() * sizeof(std::uint32_t);
    if (size == 0 || failed(device.CreateIndexBuffer(static_cast<UINT>(size), 0, D3DFMT_INDEX32, D3DPOOL_MANAGED,
                                                     buffer.out(), nullptr))) {
        return {};
    }
    void* mapped = nullptr;
    if (failed(buffer->Lock(0, 0, &mapped, 0)) || mapped == nullptr) {
        return {};
    }
    std::memcpy(mapped, indices.data(), size);
    buffer->Unlock();
    return buffer;
}

D3DCOLORVALUE colorWithAlpha(D3DCOLOR color, float alpha) {
    D3DCOLORVALUE value = unpackColor(color);
    value.a = alpha;
    return value;
}

void setRenderStates(IDirect3DDevice9& d) {
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_COLORVERTEX, TRUE);
    d.SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    d.SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    d.SetRenderState(D3DRS_AMBIENT, 0);
    d.SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d.SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d.SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    d.SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d.SetRenderState(D3DRS_FOGENABLE, FALSE);
    d.SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    d.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    d.SetRenderState(D3DRS_RANGEFOGENABLE, FALSE);
    d.SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, FALSE);
    d.SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d.SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    d.SetRenderState(D3DRS_CLIPPING, TRUE);
    d.SetRenderState(D3DRS_DITHERENABLE, FALSE);
    d.SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
    d.SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                                 D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
}

void setStageStates(IDirect3DDevice9& d) {
    for (DWORD stage = 0; stage < 2; ++stage) {
        d.SetTexture(stage, nullptr);
        d.SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d.SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        d.SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d.SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_CURRENT);
        d.SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d.SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        d.SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
        d.SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
        d.SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        d.SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    }
}

}  // namespace

const MeshBuffers& SceneResources::mesh(const MeshData& data) {
    MeshBuffers& buffers = meshes_.emplace_back();
    buffers.positions = uploadSlots(device_, data.positions);
    buffers.normals = uploadSlots(device_, data.normals);
    buffers.texCoords = uploadSlots(device_, data.texCoords);
    buffers.vertexCount = static_cast<UINT>(data.positions.size());
    if (data.indices.empty()) {
        buffers.triangleCount = buffers.vertexCount / 3;
    } else {
        buffers.indices = uploadIndexBuffer(device_, data.indices);
        buffers.triangleCount = static_cast<UINT>(data.indices.size() / 3);
    }
    return buffers;
}

IDirect3DIndexBuffer9* SceneResources::indices(const std::vector<std::uint32_t>& values) {
    return indexBuffers_.emplace_back(uploadIndexBuffer(device_, values)).get();
}

IDirect3DVertexBuffer9* SceneResources::quadVertices(const std::vector<QuadVertex>& vertices) {
    return vertexBuffers_.emplace_back(uploadBytes(device_, vertices.data(), vertices.size() * sizeof(QuadVertex)))
        .get();
}

IDirect3DTexture9* SceneResources::texture(const Image& image) {
    return textures_.emplace_back(uploadTexture(device_, image)).get();
}

void setCommonState(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    setRenderStates(d);
    setStageStates(d);
    for (DWORD light = 0; light < 8; ++light) {
        d.LightEnable(light, FALSE);
    }
    const D3DMATRIX identity = toD3DMatrix(math::matIdentity());
    d.SetTransform(D3DTS_WORLD, &identity);
    d.SetTransform(D3DTS_VIEW, &identity);
    const D3DMATRIX projection = perspectiveProjection();
    d.SetTransform(D3DTS_PROJECTION, &projection);
    d.SetVertexShader(nullptr);
    d.SetPixelShader(nullptr);
}

D3DMATRIX perspectiveProjection() {
    const float f = 1.0f / std::tan(std::numbers::pi_v<float> / 4.0f / 2.0f);
    D3DMATRIX m{};
    m._11 = f;
    m._22 = f / (500.0f / 800.0f);
    m._33 = std::bit_cast<float>(0x3F800054u);  // 1000 / (1000 - 0.01) as float32
    m._34 = 1.0f;
    m._43 = std::bit_cast<float>(0xBC23D775u);  // -0.01 * 1000 / (1000 - 0.01) as float32
    return m;
}

D3DMATRIX screenProjection() {
    D3DMATRIX m{};
    m._11 = 2.0f / 800.0f;
    m._22 = -2.0f / 500.0f;
    m._33 = 1.0f;
    m._34 = 1.0f;
    m._41 = -1.0f;
    m._42 = 1.0f;
    return m;
}

math::Matrix4 placement(float x, float y, float z, float scale, float angleX, float angleY) {
    const math::Matrix4 rotation = math::matMultiply(math::matRotation(0, angleX), math::matRotation(1, angleY));
    return math::matScale(math::matMultiply(rotation, math::matTranslation(x, y, z)), scale, scale, scale);
}

void setWorld(const SceneContext& context, const math::Matrix4& world) {
    const D3DMATRIX matrix = toD3DMatrix(world);
    context.device.SetTransform(D3DTS_WORLD, &matrix);
}

void setProjection(const SceneContext& context, const D3DMATRIX& projection) {
    context.device.SetTransform(D3DTS_PROJECTION, &projection);
}

void clearFrame(const SceneContext& context, D3DCOLOR color) {
    context.device.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0);
}

void setConstantColor(const SceneContext& context, D3DCOLOR color) {
    void* mapped = nullptr;
    if (context.constantColorBuffer != nullptr && succeeded(context.constantColorBuffer->Lock(0, 0, &mapped, 0)) &&
        mapped != nullptr) {
        std::memcpy(mapped, &color, sizeof color);
        context.constantColorBuffer->Unlock();
    }
}

void enablePointLight(const SceneContext& context, DWORD index, D3DVECTOR position, D3DCOLOR color, float range,
                      float attenuation0, float attenuation1, float attenuation2) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = colorWithAlpha(color, 1.0f);
    light.Specular = light.Diffuse;
    light.Ambient = light.Diffuse;
    light.Position = position;
    light.Range = range;
    light.Attenuation0 = attenuation0;
    light.Attenuation1 = attenuation1;
    light.Attenuation2 = attenuation2;
    context.device.SetLight(index, &light);
    context.device.LightEnable(index, TRUE);
}

void setLitSurface(const SceneContext& context, const SurfaceLook& look) {
    IDirect3DDevice9& d = context.device;
    D3DMATERIAL9 material{};
    material.Ambient = colorWithAlpha(look.ambient, look.alpha);
    material.Diffuse = colorWithAlpha(look.diffuse, look.alpha);
    material.Specular = colorWithAlpha(look.specular, look.alpha);
    material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = look.power;
    d.SetMaterial(&material);
    d.SetRenderState(D3DRS_LIGHTING, TRUE);
    d.SetRenderState(D3DRS_COLORVERTEX, TRUE);
    d.SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_SPECULARENABLE, (look.specular & 0x00FFFFFFu) != 0 ? TRUE : FALSE);
    d.SetRenderState(D3DRS_SHADEMODE, look.flat ? D3DSHADE_FLAT : D3DSHADE_GOURAUD);
}

void drawMesh(const SceneContext& context, const MeshBuffers& mesh, bool lit, bool textured) {
    IDirect3DDevice9& d = context.device;
    d.SetVertexDeclaration(context.meshDeclaration);
    d.SetStreamSource(0, mesh.positions.get(), 0, kSlotStride);
    if (textured) {
        d.SetStreamSource(1, mesh.texCoords.get(), 0, kSlotStride);
    } else {
        d.SetStreamSource(1, nullptr, 0, 0);
    }
    if (lit) {
        d.SetStreamSource(2, mesh.normals.get(), 0, kSlotStride);
        d.SetStreamSource(3, nullptr, 0, 0);
    } else {
        d.SetStreamSource(2, nullptr, 0, 0);
        d.SetStreamSource(3, context.constantColorBuffer, 0, 0);
    }
    d.SetStreamSource(4, nullptr, 0, 0);
    d.SetStreamSource(5, nullptr, 0, 0);
    if (mesh.indices) {
        d.SetIndices(mesh.indices.get());
        d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, 0, mesh.triangleCount);
        d.SetIndices(nullptr);
    } else {
        d.DrawPrimitive(D3DPT_TRIANGLELIST, 0, mesh.triangleCount);
    }
    for (UINT stream = 0; stream < 6; ++stream) {
        d.SetStreamSource(stream, nullptr, 0, 0);
    }
}

void drawFan(const SceneContext& context, const std::array<QuadVertex, 4>& vertices) {
    context.device.SetVertexDeclaration(context.quadDeclaration);
    context.device.DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, vertices.data(), sizeof(QuadVertex));
}

void drawOverlay(const SceneContext& context, const Overlay& overlay) {
    IDirect3DDevice9& d = context.device;
    if (overlay.texture != nullptr) {
        bindModulatedTexture(d, overlay.texture);
    } else {
        d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    const D3DMATRIX projection = screenProjection();
    d.SetTransform(D3DTS_PROJECTION, &projection);
    setWorld(context, math::matIdentity());
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d.SetRenderState(D3DRS_LIGHTING, FALSE);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    // Pixel centres of Direct3D 9 lie on integer coordinates: shifting the corners by half a pixel makes
    // the rectangle cover exactly its pixels and maps texel centres onto pixel centres.
    const float x0 = overlay.x - 0.5f;
    const float y0 = overlay.y - 0.5f;
    const float x1 = x0 + overlay.width;
    const float y1 = y0 + overlay.height;
    const float u0 = overlay.u0;
    const float v0 = overlay.v0;
    const float u1 = u0 + overlay.du;
    const float v1 = v0 + overlay.dv;
    drawFan(context, {{{x0, y0, 1.0f, u0, v0, overlay.color},
                       {x1, y0, 1.0f, u1, v0, overlay.color},
                       {x1, y1, 1.0f, u1, v1, overlay.color},
                       {x0, y1, 1.0f, u0, v1, overlay.color}}});
}

}  // namespace devicecheck
