// samplescript MODULE.xm OUTPUT: writes the sample scene script with the module as its music.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "sample_script.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: samplescript MODULE.xm OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> module((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in || module.empty()) {
        std::fprintf(stderr, "samplescript: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<std::uint8_t> script = samplescript::sampleScript(module);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(script.data()), static_cast<std::streamsize>(script.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "samplescript: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
