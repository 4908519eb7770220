// canvasdump: a scene script's canvases as PNG files (see --help).
#include <iostream>
#include <string>
#include <vector>

#include "canvas_dump.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return canvasdump::run(arguments, std::cout, std::cerr);
}
