// The scripts the shell builds: the loader script (an end marker alone) and the scene script carried in
// the program.
#pragma once

#include <cstdint>
#include <span>

namespace shell {

// The int32 -1 alone: built with the loader class table, it calls no constructor and yields null.
std::span<const std::uint8_t> loaderScript();

// The scene script embedded in the program at build time (defined by the generated embedding source,
// library velbry_embedded_script).
std::span<const std::uint8_t> embeddedSceneScript();

}  // namespace shell
