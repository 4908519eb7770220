// The per-vertex stage of a draw.
#include "platform/soft/vertex_transform.h"

namespace soft {

using namespace device;

bool prepareVertexStage(const DeviceState& state, const VertexInput& input, VertexStage& stage) {
    const D3DVIEWPORT9& vp = state.viewport;
    if (vp.Width == 0 || vp.Height == 0) return false;
    // Positions always go through one combined matrix, whether lit or not, so that the same geometry drawn
    // twice with different states (a surface and its wireframe) lands on exactly the same depths.
    const D3DMATRIX worldView = multiply(state.world, state.view);
    stage.worldViewProjection = multiply(worldView, state.projection);
    stage.lighting = prepareLighting(state, worldView, input);
    stage.viewport.x = static_cast<float>(vp.X);
    stage.viewport.y = static_cast<float>(vp.Y);
    stage.viewport.halfWidth = static_cast<float>(vp.Width) * 0.5f;
    stage.viewport.halfHeight = static_cast<float>(vp.Height) * 0.5f;
    stage.viewport.minZ = vp.MinZ;
    stage.viewport.depthScale = vp.MaxZ - vp.MinZ;
    stage.planes = makeClipPlanes(stage.viewport);
    return true;
}

void processVertex(const VertexStage& stage, const InputVertex& in, ProcessedVertex& out) {
    out.clip.position = transformVec4(in.position, stage.worldViewProjection);
    lightVertex(stage.lighting, in, out.clip.diffuse, out.clip.specular);
    out.clip.u = in.u;
    out.clip.v = in.v;
    out.outcode = outcode(stage.planes, out.clip.position);
    if (out.outcode == 0) out.screen = toScreen(stage.viewport, out.clip);
}

}  // namespace soft
