// The loader script.
#include "shell/scene_scripts.h"

namespace shell {

std::span<const std::uint8_t> loaderScript() {
    static constexpr std::uint8_t kLoaderScript[] = {0xFF, 0xFF, 0xFF, 0xFF};
    return kLoaderScript;
}

}  // namespace shell
