// The AVX2 kernel of the textured span shortcut, eight pixels at a time; bit-identical to the SSE2 one.
#pragma once

#include "platform/soft/textured_span.h"

namespace soft {

// Draws the span (count > 0). Call only when program.avx2 is set.
void drawTexturedSpanAvx2(const SpanProgram& program, const TexturedSpan& span, const SpanRows& rows);

}  // namespace soft
