// Running the presentation on SDL2.
#include "platform/sdl2/sdl2_app.h"

#include <cstdio>
#include <string>

#include "platform/audio_factory.h"
#include "platform/device_factory.h"
#include "platform/font_factory.h"
#include "platform/sdl2/sdl2_setup_dialog.h"
#include "platform/sdl2/sdl2_shell.h"

namespace sdl2 {
namespace {

void printStats(const shell::PresentationStats& stats) {
    if (!stats.firstFrameMs) {
        return;  // nothing ran: the dialog was cancelled or the start-up failed
    }
    const std::uint32_t loading = *stats.firstFrameMs - stats.startMs;
    const std::uint32_t running = stats.endMs - *stats.firstFrameMs;
    const double fps = running > 0 ? 1000.0 * (stats.framesDrawn - 1) / running : 0.0;
    std::fprintf(stderr,
                 "velbry2007: %u ms from the window to the first frame; %u frames in %.2f s, %.1f frames per "
                 "second; %u frames skipped for a lost device\n",
                 loading, stats.framesDrawn, running / 1000.0, fps, stats.framesSkipped);
}

}  // namespace

int runInteractive(const shell::CommandLine& commandLine, const shell::SceneSource& scene) {
    Sdl2Shell shell;
    if (!shell.ready()) {
        std::fprintf(stderr,
                     "velbry2007: no display (%s); --frame, --capture and --render-audio work without one\n",
                     shell.error().c_str());
        return 1;
    }
    std::string error;
    if (!platform::selectAudioDevice("sdl2", error)) {
        std::fprintf(stderr, "velbry2007: %s; playing without sound\n", error.c_str());
    }
    Sdl2SetupDialog dialog(&platform::systemFontRenderer());
    shell::Presentation presentation(
        shell::ShellServices{.dialog = &dialog,
                             .window = shell,
                             .timer = shell,
                             .cursor = shell,
                             .deviceHost = shell,
                             .process = shell,
                             .direct3D =
                                 [&shell] {
                                     platform::Direct3DOptions options;
                                     options.presentSink = &shell;
                                     return platform::createDirect3D("soft", options).direct3d;
                                 }},
        scene);
    const int exitCode = presentation.run(commandLine.setup);
    if (commandLine.stats) {
        printStats(presentation.stats());
    }
    return exitCode;
}

}  // namespace sdl2
