// The program's entry point on Linux and other systems with SDL2: the window and sound through SDL2, the
// headless modes through the software device alone.
#include <iostream>
#include <string_view>
#include <vector>

#include "platform/font_factory.h"
#include "platform/headless/headless_app.h"
#include "platform/sdl2/sdl2_app.h"
#include "shell/class_table.h"
#include "shell/program.h"
#include "shell/scene_scripts.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const shell::SceneSource scene{shell::embeddedSceneScript(), shell::mainClassTable()};
    // Text records draw with the system's font renderer while the graph is built.
    const shell::ProgramModes modes{
        .interactive =
            [&](const shell::CommandLine& line) {
                platform::useSystemFontRenderer();
                return sdl2::runInteractive(line, scene);
            },
        .headless =
            [&](const shell::CommandLine& line) {
                platform::useSystemFontRenderer();
                return headless::runHeadless({line, {}, "soft", scene});
            },
    };
    return shell::runProgram(arguments, modes, std::cout, std::cerr);
}
