// Binds a mesh to the material it will be drawn with, once: normals and tangent frames as the material
// needs them, texture seams split into vertices of their own, flat-shaded faces unwelded, the texture
// scales applied, and the arrays moved into device buffers.
#pragma once

#include "device/d3d9_interfaces.h"
#include "mesh/mesh.h"
#include "mesh/status.h"
#include "scene/material.h"

namespace mesh {

// In order: the mesh records the material; texture coordinates are projected when the material reads
// them and the mesh has none; the edge list is rebuilt; face normals, and for smooth materials vertex
// normals (with tangent frames when the material binds them) are computed; every face corner with a
// seam offset gets a vertex of its own with the offset added to its texture coordinate; u and v are
// multiplied by the texture scales and the offsets dropped; a flat material (surface mode 0) gets three
// vertices per face carrying the face's normal and frame, its lines and edges renumbered to match; then
// the positions (unless sprites read them every frame), and for a solid surface the normals, the texture
// coordinates the material reads, the tangent frame and the faces, and the line or edge list that the
// line mode draws, move into device buffers. The channels that scale and fade sprites are grown to their
// length here, so that drawing never allocates.
//
// Refused before anything changes, with a sentence saying why, when the mesh was already prepared (each
// instance needs its own MeshCopy), is empty, names vertices it does not have, would have more vertices
// once prepared than 16-bit indices reach (seam splits add vertices; flat shading gives every face three
// of its own), or when the material draws a surface or lines that are empty or longer than one draw call
// takes (kMaxPrimitivesPerDraw). device may be null: arrays then stay in memory, as they do when the
// device refuses a buffer, and are drawn as null streams.
Status prepareMesh(Mesh& mesh, const scene::Material& material, device::IDirect3DDevice9* device);

// The channel that sizes (or fades) sprites: null for an index of 0 or less, else the channel as
// channel() names it. Reads only; prepareMesh has grown it.
const MeshArray<float>* spriteChannel(const Mesh& mesh, std::int32_t index);

}  // namespace mesh
