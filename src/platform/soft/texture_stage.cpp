// The texture stage cascade: argument selection with modifiers and the combining operations, four
// fragments at a time with SSE2.
#include "platform/soft/texture_stage.h"

#include <emmintrin.h>

#include <algorithm>

#include "platform/soft/pixel_math.h"

namespace soft {
namespace {

using device::D3DTEXTUREOP;
using device::DWORD;

bool readsArgument(D3DTEXTUREOP op, DWORD arg1, DWORD arg2, DWORD select) {
    const bool first = op != device::D3DTOP_SELECTARG2 && (arg1 & device::D3DTA_SELECTMASK) == select;
    const bool second = op != device::D3DTOP_SELECTARG1 && (arg2 & device::D3DTA_SELECTMASK) == select;
    return op != device::D3DTOP_DISABLE && (first || second);
}

bool stageReads(const StageState& s, DWORD select) {
    return readsArgument(s.colorOp, s.colorArg1, s.colorArg2, select) ||
           readsArgument(s.alphaOp, s.alphaArg1, s.alphaArg2, select);
}

__m128i load4(const std::uint32_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
void store4(std::uint32_t* p, __m128i x) { _mm_store_si128(reinterpret_cast<__m128i*>(p), x); }

struct CascadeArrays {
    const StageInputs* inputs;
    const std::uint32_t* current;
    alignas(16) std::uint32_t factor[kBatchSize];
    alignas(16) std::uint32_t modified[2][kBatchSize];
};

// The array an argument reads, after its modifiers; slot picks the scratch array for modified values.
const std::uint32_t* argument(CascadeArrays& a, int stage, DWORD arg, int slot, int count) {
    const std::uint32_t* base = a.current;
    switch (arg & device::D3DTA_SELECTMASK) {
        case device::D3DTA_DIFFUSE: base = a.inputs->diffuse; break;
        case device::D3DTA_TEXTURE: base = a.inputs->texture[stage]; break;
        case device::D3DTA_TFACTOR: base = a.factor; break;
        case device::D3DTA_SPECULAR: base = a.inputs->specular; break;
        default: break;  // D3DTA_CURRENT, and selectors this device lacks
    }
    const bool complement = (arg & device::D3DTA_COMPLEMENT) != 0;
    const bool replicate = (arg & device::D3DTA_ALPHAREPLICATE) != 0;
    if (!complement && !replicate) return base;
    std::uint32_t* out = a.modified[slot];
    for (int i = 0; i < count; i += 4) {
        __m128i x = load4(base + i);
        if (complement) x = _mm_xor_si128(x, _mm_set1_epi32(-1));
        if (replicate) x = pixel::replicateAlpha4(x);
        store4(out + i, x);
    }
    return out;
}

template <typename Op>
void forEach4(int count, std::uint32_t* out, Op op) {
    for (int i = 0; i < count; i += 4) store4(out + i, op(i));
}

// Applies op to arg1 and arg2 into out. DISABLE (allowed here only for an alpha operation of an
// enabled stage) keeps the current value; an unknown operation acts as SELECTARG1.
void applyOp(D3DTEXTUREOP op, const std::uint32_t* arg1, const std::uint32_t* arg2, const std::uint32_t* current,
             int count, std::uint32_t* out) {
    switch (op) {
        case device::D3DTOP_DISABLE:
            forEach4(count, out, [&](int i) { return load4(current + i); });
            break;
        case device::D3DTOP_SELECTARG2:
            forEach4(count, out, [&](int i) { return load4(arg2 + i); });
            break;
        case device::D3DTOP_MODULATE:
            forEach4(count, out, [&](int i) { return pixel::modulate4(load4(arg1 + i), load4(arg2 + i)); });
            break;
        case device::D3DTOP_MODULATE2X:
            forEach4(count, out, [&](int i) {
                const __m128i r = pixel::modulate4(load4(arg1 + i), load4(arg2 + i));
                return _mm_adds_epu8(r, r);
            });
            break;
        case device::D3DTOP_MODULATE4X:
            forEach4(count, out, [&](int i) {
                __m128i r = pixel::modulate4(load4(arg1 + i), load4(arg2 + i));
                r = _mm_adds_epu8(r, r);
                return _mm_adds_epu8(r, r);
            });
            break;
        case device::D3DTOP_ADD:
            forEach4(count, out, [&](int i) { return _mm_adds_epu8(load4(arg1 + i), load4(arg2 + i)); });
            break;
        case device::D3DTOP_SELECTARG1:
        default:
            forEach4(count, out, [&](int i) { return load4(arg1 + i); });
            break;
    }
}

void runStage(CascadeArrays& a, const StageState& s, int stage, bool alphaShares, int count, std::uint32_t* out) {
    const std::uint32_t* c1 = argument(a, stage, s.colorArg1, 0, count);
    const std::uint32_t* c2 = argument(a, stage, s.colorArg2, 1, count);
    if (alphaShares) {
        applyOp(s.colorOp, c1, c2, a.current, count, out);
        return;
    }
    alignas(16) std::uint32_t color[kBatchSize];
    applyOp(s.colorOp, c1, c2, a.current, count, color);
    const std::uint32_t* a1 = argument(a, stage, s.alphaArg1, 0, count);
    const std::uint32_t* a2 = argument(a, stage, s.alphaArg2, 1, count);
    applyOp(s.alphaOp, a1, a2, a.current, count, out);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (int i = 0; i < count; i += 4) {
        store4(out + i, _mm_or_si128(_mm_and_si128(load4(out + i), alphaMask),
                                     _mm_andnot_si128(alphaMask, load4(color + i))));
    }
}

}  // namespace

StageProgram prepareStages(const PixelState& state) {
    StageProgram program;
    program.textureFactor = state.textureFactor;
    for (int s = 0; s < kStageCount; ++s) {
        const StageState& st = state.stages[s];
        if (st.colorOp == device::D3DTOP_DISABLE) break;
        program.stages[s] = st;
        program.alphaSharesColor[s] =
            st.alphaOp == st.colorOp && st.alphaArg1 == st.colorArg1 && st.alphaArg2 == st.colorArg2;
        program.readsTexture[s] = stageReads(st, device::D3DTA_TEXTURE);
        program.readsSpecular = program.readsSpecular || stageReads(st, device::D3DTA_SPECULAR);
        program.readsFactor = program.readsFactor || stageReads(st, device::D3DTA_TFACTOR);
        program.count = s + 1;
    }
    return program;
}

void combineStages(const StageProgram& program, const StageInputs& inputs, int count, std::uint32_t* out) {
    const int padded = (count + 3) & ~3;
    if (program.count == 0) {
        std::copy(inputs.diffuse, inputs.diffuse + padded, out);
        return;
    }
    CascadeArrays arrays;
    arrays.inputs = &inputs;
    arrays.current = inputs.diffuse;  // CURRENT at stage 0 is the diffuse colour
    if (program.readsFactor) std::fill(arrays.factor, arrays.factor + padded, program.textureFactor);
    alignas(16) std::uint32_t stageOut[kStageCount][kBatchSize];
    for (int s = 0; s < program.count; ++s) {
        std::uint32_t* target = (s == program.count - 1) ? out : stageOut[s];
        runStage(arrays, program.stages[s], s, program.alphaSharesColor[s], padded, target);
        arrays.current = target;
    }
}

}  // namespace soft
