// The texture stage cascade (D3DTSS_COLOROP / ALPHAOP and their D3DTA_* arguments) for stages 0 and 1,
// evaluated over arrays of packed 0xAARRGGBB colours.
//
// Supported: D3DTOP_DISABLE, SELECTARG1, SELECTARG2, MODULATE, MODULATE2X, MODULATE4X, ADD; arguments
// DIFFUSE, CURRENT, TEXTURE, TFACTOR, SPECULAR with the COMPLEMENT and ALPHAREPLICATE modifiers.
#pragma once

#include <cstdint>

#include "platform/soft/raster.h"

namespace soft {

struct StageProgram {
    // Stages that run: a stage whose colour operation is D3DTOP_DISABLE ends the cascade, so with 0
    // the diffuse colour passes through unchanged.
    int count = 0;
    StageState stages[kStageCount];
    bool alphaSharesColor[kStageCount] = {};  // alpha operation and arguments equal the colour ones
    bool readsTexture[kStageCount] = {};
    bool readsSpecular = false;
    bool readsFactor = false;
    std::uint32_t textureFactor = 0xFFFFFFFFu;
};

StageProgram prepareStages(const PixelState& state);

struct StageInputs {
    const std::uint32_t* diffuse = nullptr;
    const std::uint32_t* specular = nullptr;  // read only if the program reads it
    const std::uint32_t* texture[kStageCount] = {};  // read only for stages that read their texture
};

// out[i] = the cascade's result for fragment i < count (count <= kBatchSize; arrays padded to 4).
void combineStages(const StageProgram& program, const StageInputs& inputs, int count, std::uint32_t* out);

}  // namespace soft
