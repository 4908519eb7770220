// The program's entry point on Windows: the Win32 window, Direct3D 9 and wave-out, and the headless modes
// through Direct3D 9 in a hidden window.
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/font_factory.h"
#include "platform/headless/headless_app.h"
#include "platform/win32/hidden_window.h"
#include "platform/win32/win32_app.h"
#include "shell/class_table.h"
#include "shell/program.h"
#include "shell/scene_scripts.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

// A program of the GUI subsystem has no console: when started from one, its messages go there unless
// they are already redirected.
void attachParentConsole() {
    const ::HANDLE output = ::GetStdHandle(STD_ERROR_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
        std::ios::sync_with_stdio(true);
    }
}

int runHeadless(const shell::CommandLine& line, const shell::SceneSource& scene) {
    std::string error;
    const std::unique_ptr<win32::HiddenWindow> window = win32::HiddenWindow::create(800, 500, error);
    if (window == nullptr) {
        std::fprintf(stderr, "velbry2007: no window for Direct3D 9: %s\n", error.c_str());
        return 1;
    }
    return headless::runHeadless(
        {line, {window->handle(), [] { win32::HiddenWindow::pumpMessages(); }}, "d3d9", scene});
}

}  // namespace

int WINAPI WinMain(::HINSTANCE instance, ::HINSTANCE, ::LPSTR, int) {
    const std::vector<std::string_view> arguments(__argv + 1, __argv + __argc);
    if (!arguments.empty()) {
        attachParentConsole();
    }
    const shell::SceneSource scene{shell::embeddedSceneScript(), shell::mainClassTable()};
    // Text records draw with GDI while the graph is built.
    const shell::ProgramModes modes{
        .interactive =
            [&](const shell::CommandLine& line) {
                platform::useSystemFontRenderer();
                return win32::runInteractive(instance, line, scene);
            },
        .headless =
            [&](const shell::CommandLine& line) {
                platform::useSystemFontRenderer();
                return runHeadless(line, scene);
            },
    };
    return shell::runProgram(arguments, modes, std::cout, std::cerr);
}
