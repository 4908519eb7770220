// The shared 800 x 500 frame: its viewport, the screen and perspective projections, the two vertex
// declarations and the one-colour vertex buffer, and the hand-over of our matrices to SetTransform.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <type_traits>

#include "device/d3d9_interfaces.h"
#include "math/matrix4.h"

namespace device {

// Six streams, one vertex buffer each: position, texture coordinate, normal, colour, tangent, binormal.
// Stream 3 is usually the constant colour buffer bound with stride 0.
constexpr std::array<D3DVERTEXELEMENT9, 7> kMeshDeclarationElements{{
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {1, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {2, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {3, 0, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {4, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {5, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    D3DDECL_END(),
}};

// One interleaved stream of QuadVertex.
constexpr std::array<D3DVERTEXELEMENT9, 4> kQuadDeclarationElements{{
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 20, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END(),
}};

struct QuadVertex {
    float x, y, z;
    float u, v;
    D3DCOLOR color;
};
static_assert(sizeof(QuadVertex) == 24 && offsetof(QuadVertex, u) == 12 && offsetof(QuadVertex, color) == 20);

// Called by startDevice once the render buffers exist: the 800 x 500 frame and its viewport (centred
// vertically in a taller back buffer), and the constant colour buffer holding 0xFFFFFF00. A failed
// buffer creation leaves constantColorBuffer null.
void initSharedRenderState(UINT backBufferHeight);

// Creates meshDeclaration, then quadDeclaration; false as soon as one fails.
bool createVertexDeclarations();

// sharedProjection maps frame pixels (x right, y down, origin top-left) at depth z to clip space with
// w = z, so a quad drawn at z = 1 lands exactly on its pixels; sharedWorld becomes the identity.
void setScreenProjection();

// Left-handed perspective, near 0.01, far 1000; fieldOfView is horizontal and clamped to 3 radians
// (NaN passes through). sharedWorld becomes the identity.
void setPerspectiveProjection(float fieldOfView);

// Our matrices and D3DMATRIX share one layout: sixteen floats, row-major, _11 .. _44.
static_assert(sizeof(math::Matrix4) == sizeof(D3DMATRIX));
static_assert(std::is_trivially_copyable_v<math::Matrix4> && std::is_trivially_copyable_v<D3DMATRIX>);
static_assert(offsetof(D3DMATRIX, _12) == sizeof(float) && offsetof(D3DMATRIX, _21) == 4 * sizeof(float) &&
              offsetof(D3DMATRIX, _44) == 15 * sizeof(float));

inline D3DMATRIX toD3DMatrix(const math::Matrix4& matrix) { return std::bit_cast<D3DMATRIX>(matrix); }
inline math::Matrix4 fromD3DMatrix(const D3DMATRIX& matrix) { return std::bit_cast<math::Matrix4>(matrix); }

}  // namespace device
