// Small procedural meshes for the device check: a latitude-longitude sphere, a cube (smooth and flat) and
// its edges, laid out as the engine uploads them (16-byte slots per vertex, 32-bit indices).
#pragma once

#include <cstdint>
#include <vector>

#include "math/vec4.h"

namespace devicecheck {

struct MeshData {
    std::vector<math::Vec4> positions;  // w = 1; the device reads x, y, z
    std::vector<math::Vec4> normals;    // unit length, w = 0; empty when unused
    std::vector<math::Vec4> texCoords;  // u, v in x, y; empty when unused
    std::vector<std::uint32_t> indices; // triangle list, clockwise seen from outside; empty when unindexed
};

// Radius 1 around the origin; rings x segments quads, poles included. Smooth normals, u around, v down.
MeshData makeSphere(int rings, int segments);

// Unit cube from -1 to 1 with 8 shared vertices and normals averaged over the three faces of each corner.
MeshData makeSmoothCube();

// The same cube unwelded for flat shading: 36 vertices, three per face, each with its face normal, no
// indices (drawn with DrawPrimitive). skipFaces drops the first n of the six sides (front first).
MeshData makeFlatCube(int skipFaces = 0);

// The 12 edges of the cube as index pairs into makeSmoothCube's positions.
std::vector<std::uint32_t> cubeEdges();

}  // namespace devicecheck
