// The AVX2 kernel of the textured span shortcut, eight pixels at a time; bit-identical to the SSE2 one.
#pragma once

#include "platform/soft/textured_span.h"

namespace soft {

// Draws the span's first count rounded down to a multiple of 8 pixels and returns how many it drew.
// Call only when rasterUsesAvx2().
int drawTexturedSpanAvx2(const SpanProgram& program, const TexturedSpan& span, const SpanRows& rows);

}  // namespace soft
