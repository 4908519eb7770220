// xmrender: renders an XM module to a WAV file with the engine's music code (see --help).
#include <iostream>
#include <string>
#include <vector>

#include "render_song.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return xmrender::run(arguments, std::cout, std::cerr);
}
