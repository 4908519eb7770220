// Running the presentation on Win32.
#include "platform/win32/win32_app.h"

#include <cstdio>
#include <string>

#include "platform/audio_factory.h"
#include "platform/device_factory.h"
#include "platform/win32/win32_setup_dialog.h"
#include "platform/win32/win32_shell.h"

namespace win32 {

int runInteractive(void* instance, const shell::CommandLine& commandLine, const shell::SceneSource& scene) {
    Win32Shell shell(instance);
    std::string error;
    if (!platform::selectAudioDevice("winmm", error)) {
        std::fprintf(stderr, "velbry2007: %s; playing without sound\n", error.c_str());
    }
    Win32SetupDialog dialog(instance);
    shell::Presentation presentation(
        shell::ShellServices{.dialog = &dialog,
                             .window = shell,
                             .timer = shell,
                             .cursor = shell,
                             .deviceHost = shell,
                             .process = shell,
                             .direct3D = [] { return platform::createDirect3D("d3d9").direct3d; }},
        scene);
    const int exitCode = presentation.run(commandLine.setup);
    if (commandLine.stats) {
        const shell::PresentationStats& stats = presentation.stats();
        if (stats.firstFrameMs) {
            const std::uint32_t running = stats.endMs - *stats.firstFrameMs;
            std::fprintf(stderr, "velbry2007: %u ms from the window to the first frame; %u frames in %u ms\n",
                         *stats.firstFrameMs - stats.startMs, stats.framesDrawn, running);
        }
    }
    return exitCode;
}

}  // namespace win32
