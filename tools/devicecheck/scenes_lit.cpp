// Lit scenes: Gouraud and flat shading under point lights with range and attenuation, specular
// highlights, and blended objects in linear table fog, set up the way the engine's scene clips draw.
#include <bit>

#include "scenes.h"

namespace devicecheck {
namespace {

using namespace device;

DWORD floatBits(float value) { return std::bit_cast<DWORD>(value); }

}  // namespace

void drawLitSphereGouraud(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF182028);
    setCommonState(context);
    d.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    enablePointLight(context, 0, {-3.0f, 2.5f, 2.0f}, 0xFFFFFFFF, 20.0f, 1.0f, 0.0f, 0.0f);
    // A short range with falling intensity: the far side of the spheres lies beyond it.
    enablePointLight(context, 1, {2.5f, -1.5f, 4.5f}, 0xFFFF8040, 3.5f, 0.6f, 0.3f, 0.1f);

    const MeshBuffers& fine = context.resources.mesh(makeSphere(24, 48));
    setLitSurface(context, {.ambient = 0xFF202020, .diffuse = 0xFF40D0FF, .specular = 0xFFFFFFFF, .power = 24.0f});
    setWorld(context, placement(-1.1f, 0.0f, 6.0f, 1.0f));
    drawMesh(context, fine, true);

    // Few vertices make the Gouraud interpolation of the highlight visible. The scale of 1.2 shortens the
    // transformed normals to 1 / 1.2, which dims the lighting: normals are not renormalized
    // (D3DRS_NORMALIZENORMALS is off, as the engine leaves it).
    const MeshBuffers& coarse = context.resources.mesh(makeSphere(6, 10));
    setLitSurface(context, {.ambient = 0xFF101010, .diffuse = 0xFFC0A060, .specular = 0xFF808080, .power = 8.0f});
    setWorld(context, placement(1.9f, 0.3f, 8.0f, 1.2f, 0.3f, 0.2f));
    drawMesh(context, coarse, true);
}

void drawLitCubeFlat(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF102018);
    setCommonState(context);
    d.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    enablePointLight(context, 0, {-3.0f, 3.0f, 0.0f}, 0xFFFFFFFF, 30.0f, 1.0f, 0.1f, 0.0f);
    enablePointLight(context, 1, {3.0f, -2.0f, 3.0f}, 0xFF40FF80, 10.0f, 0.5f, 0.1f, 0.02f);

    // Flat shading takes each triangle's colour from its first vertex; its specular term varies per vertex
    // even on one face, so the two triangles of a face can differ.
    const MeshBuffers& flat = context.resources.mesh(makeFlatCube());
    setLitSurface(context, {.ambient = 0xFF202020,
                            .diffuse = 0xFFC07030,
                            .specular = 0xFF505050,
                            .power = 40.0f,
                            .flat = true});
    setWorld(context, placement(-1.6f, 0.0f, 8.5f, 1.0f, 0.5f, 0.7f));
    drawMesh(context, flat, true);

    const MeshBuffers& smooth = context.resources.mesh(makeSmoothCube());
    setLitSurface(context, {.ambient = 0xFF202020, .diffuse = 0xFF8080FF, .specular = 0xFF808080, .power = 10.0f});
    setWorld(context, placement(1.8f, 0.0f, 9.0f, 1.0f, -0.4f, 0.6f));
    drawMesh(context, smooth, true);
}

void drawFogLinearBlended(const SceneContext& context) {
    IDirect3DDevice9& d = context.device;
    clearFrame(context, 0xFF181818);
    setCommonState(context);
    d.SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    enablePointLight(context, 0, {0.0f, 4.0f, 0.0f}, 0xFFFFFFFF, 2000.0f, 1.0f, 0.0f, 0.0f);
    // Table fog over camera-space depth: w of the projection is z, so the distances are plain units.
    d.SetRenderState(D3DRS_FOGENABLE, TRUE);
    d.SetRenderState(D3DRS_FOGCOLOR, 0xFF0080E0);
    d.SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    d.SetRenderState(D3DRS_FOGSTART, floatBits(5.0f));
    d.SetRenderState(D3DRS_FOGEND, floatBits(24.0f));

    const MeshBuffers& cube = context.resources.mesh(makeFlatCube());
    setLitSurface(context, {.ambient = 0xFF202020, .diffuse = 0xFFD0D0D0, .specular = 0xFF000000, .flat = true});
    for (int i = 0; i < 5; ++i) {
        const float z = 7.0f + 4.0f * static_cast<float>(i);
        const float x = i % 2 == 0 ? -2.4f : 2.4f;
        setWorld(context, placement(x, -0.8f, z, 1.0f, 0.4f, 0.3f * static_cast<float>(i)));
        drawMesh(context, cube, true);
    }

    // A smooth, specular sphere half-way into the fog.
    setLitSurface(context, {.ambient = 0xFF202020, .diffuse = 0xFFE0A040, .specular = 0xFF808080, .power = 20.0f});
    setWorld(context, placement(-0.3f, -1.1f, 13.0f));
    drawMesh(context, context.resources.mesh(makeSphere(16, 32)), true);

    // The late pass: lit, flat, blended, depth-tested and -written, culled, far to near.
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    setLitSurface(context, {.ambient = 0xFF202020,
                            .diffuse = 0xFF40D0FF,
                            .specular = 0xFFFFFFFF,
                            .power = 64.9f,
                            .alpha = 0.7f,
                            .flat = true});
    for (int i = 2; i >= 0; --i) {
        const float z = 9.0f + 4.0f * static_cast<float>(i);
        setWorld(context, placement(0.0f, 0.7f, z, 1.0f, 0.6f, 0.5f + 0.4f * static_cast<float>(i)));
        drawMesh(context, cube, true);
    }
}

}  // namespace devicecheck
