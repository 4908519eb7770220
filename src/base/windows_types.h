// The Windows API's integer names, declared once for the engine interfaces written in Windows terms (the
// graphics device and the audio output), which bring them into their own namespaces. Portable: no
// operating-system header is involved, and the Windows SDK declares these as typedefs, not macros.
#pragma once

#include <cstdint>

namespace base {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;

}  // namespace base
