// Expected lines of the recording device's call log, written with the Direct3D names: so that a test of a
// call sequence reads "renderState(D3DRS_ZENABLE, D3DZB_FALSE)" and not "SetRenderState(7, 0x0)".
#pragma once

#include <string>
#include <vector>

#include "device/d3d9_interfaces.h"
#include "device/recording_format.h"

namespace recording::calls {

inline std::string on(const std::string& call) { return "device1." + call; }

inline std::string renderState(device::D3DRENDERSTATETYPE state, device::DWORD value) {
    return on("SetRenderState(" + args(state, hex(value)) + ")");
}
inline std::string stageState(device::DWORD stage, device::D3DTEXTURESTAGESTATETYPE type, device::DWORD value) {
    return on("SetTextureStageState(" + args(stage, type, hex(value)) + ")");
}
inline std::string samplerState(device::DWORD sampler, device::D3DSAMPLERSTATETYPE type, device::DWORD value) {
    return on("SetSamplerState(" + args(sampler, type, hex(value)) + ")");
}
inline std::string setTexture(device::DWORD stage, const std::string& name) {
    return on("SetTexture(" + args(stage, name) + ")");
}
// What bindModulatedTexture sends: the texture on stage 0, bilinear, modulated with the diffuse colour.
inline std::vector<std::string> modulatedStageZero(const std::string& textureName) {
    return {
        setTexture(0, textureName),
        samplerState(0, device::D3DSAMP_MAGFILTER, device::D3DTEXF_LINEAR),
        samplerState(0, device::D3DSAMP_MINFILTER, device::D3DTEXF_LINEAR),
        stageState(0, device::D3DTSS_COLORARG1, device::D3DTA_TEXTURE),
        stageState(0, device::D3DTSS_COLORARG2, device::D3DTA_DIFFUSE),
        stageState(0, device::D3DTSS_COLOROP, device::D3DTOP_MODULATE),
        stageState(0, device::D3DTSS_ALPHAARG1, device::D3DTA_TEXTURE),
        stageState(0, device::D3DTSS_ALPHAARG2, device::D3DTA_DIFFUSE),
        stageState(0, device::D3DTSS_ALPHAOP, device::D3DTOP_MODULATE),
    };
}
inline std::string lightEnable(device::DWORD index, bool enable) {
    return on("LightEnable(" + args(index, enable ? device::TRUE : device::FALSE) + ")");
}
inline std::string light(device::DWORD index, const device::D3DLIGHT9& record) {
    return on("SetLight(" + args(index, toText(record)) + ")");
}
inline std::string material(const device::D3DMATERIAL9& record) { return on("SetMaterial(" + toText(record) + ")"); }
inline std::string transform(const std::string& which, const device::D3DMATRIX& matrix) {
    return on("SetTransform(" + args(which, toText(matrix)) + ")");
}

}  // namespace recording::calls
