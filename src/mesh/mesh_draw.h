// The three things an object instance draws with its prepared mesh: the solid surface (one draw call from
// device buffers), its lines or edges (one line-list call), and one textured square per vertex (sprites).
// Each takes the node's world matrix from sharedWorld, where drawNodes left it.
#pragma once

#include "device/d3d9_interfaces.h"
#include "mesh/mesh.h"
#include "scene/material.h"

namespace mesh {

// Nothing for a negative surface mode. Otherwise the material's set-up (applyMaterial), the mesh
// declaration, streams 0 to 5 (texture coordinates when the material reads them; normals when lit, else
// the diffuse colour through the constant colour buffer at stride 0; the tangent frame when bound), an
// indexed triangle list for smooth materials or a plain one for flat ones; then every stream unbound,
// CCW culling and no shaders.
void drawSolid(device::IDirect3DDevice9& device, const Mesh& mesh, const scene::Material& material, float t);

// The line list (line mode 1) or edge list (2 or more), flat, unlit, alpha-blended and anti-aliased in
// the material's line colour, depth-tested (less or equal) without depth writes.
void drawWire(device::IDirect3DDevice9& device, const Mesh& mesh, const scene::Material& material);

// One blended, textured square of half edge spriteSize per vertex, facing the camera: the vertex is
// carried into camera space by sharedWorld and the square drawn there with the identity world matrix.
// The size channel scales each square; the alpha channel gives each its alpha, the colour staying white.
void drawSprites(device::IDirect3DDevice9& device, const Mesh& mesh, const scene::Material& material);

}  // namespace mesh
