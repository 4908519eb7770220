// The program's command line: options that skip the setup dialog, the headless modes, help and version.
// One table of options drives parsing and the help text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "shell/platform.h"

namespace shell {

enum class RunMode {
    Interactive,  // the dialog (unless skipped), the window and the sound
    Frame,        // one frame to a PNG file
    Capture,      // every frame and the soundtrack to a folder or a video
    RenderAudio,  // the soundtrack to a WAV file
    Help,
    Version,
};

constexpr int kDefaultCaptureFps = 30;
constexpr int kMaxCaptureFps = 240;
constexpr double kMaxFrameSeconds = 86400.0;

struct CommandLine {
    RunMode mode = RunMode::Interactive;
    // Set as soon as one display option is given: the dialog is skipped and the options not given keep
    // the dialog's initial state.
    std::optional<SetupOptions> setup;
    double frameSeconds = 0.0;        // --frame
    std::string output;               // --out of --frame, the target of --capture, the file of --render-audio
    int fps = kDefaultCaptureFps;     // --fps of --capture
    bool fpsGiven = false;
    bool stats = false;               // --stats
};

struct CommandLineParse {
    std::optional<CommandLine> commandLine;  // empty on error
    std::string error;                       // one line, without the program name
};

// Parses the arguments after the program name. Options take their value as the next argument or after
// "=": --fps 25, --fps=25.
CommandLineParse parseCommandLine(std::span<const std::string_view> arguments);

// "usage: velbry2007 [options]" and the modes, a few lines.
std::string usageText();
// Every option with what it does.
std::string helpText();
std::string versionText();

}  // namespace shell
