// The option table, its parser and the texts it prints.
#include "shell/command_line.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

#ifndef VELBRY_VERSION
#define VELBRY_VERSION "unknown"
#endif

namespace shell {
namespace {

using Apply = bool (*)(CommandLine& line, std::string_view value, std::string& error);

struct OptionSpec {
    std::string_view name;       // with its dashes
    std::string_view valueName;  // empty for a flag
    std::string_view help;
    Apply apply;
};

SetupOptions& setup(CommandLine& line) {
    if (!line.setup) {
        line.setup = SetupOptions{};
    }
    return *line.setup;
}

bool isHeadless(RunMode mode) {
    return mode == RunMode::Frame || mode == RunMode::Capture || mode == RunMode::RenderAudio;
}

// Help and version win over everything else; two different headless modes are an error.
bool setMode(CommandLine& line, RunMode mode, std::string& error) {
    if (isHeadless(mode) && isHeadless(line.mode) && line.mode != mode) {
        error = "--frame, --capture and --render-audio cannot be combined";
        return false;
    }
    if (line.mode != RunMode::Help && line.mode != RunMode::Version) {
        line.mode = mode;
    }
    return true;
}

bool parseSeconds(std::string_view text, double& seconds) {
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || errno != 0 || !std::isfinite(value) || value < 0.0 ||
        value > kMaxFrameSeconds) {
        return false;
    }
    seconds = value;
    return true;
}

bool nonEmpty(std::string_view value, std::string_view option, std::string& error) {
    if (value.empty()) {
        error = std::string(option) + " needs a file name";
        return false;
    }
    return true;
}

constexpr std::array<OptionSpec, 12> kOptions{{
    {"--window", "", "play in an 800 x 500 window (skips the setup dialog)",
     [](CommandLine& line, std::string_view, std::string&) {
         setup(line).fullscreen = false;
         return true;
     }},
    {"--fullscreen", "", "play full screen (skips the setup dialog)",
     [](CommandLine& line, std::string_view, std::string&) {
         setup(line).fullscreen = true;
         return true;
     }},
    {"--bigscreen", "", "brighten the picture for projectors (skips the setup dialog)",
     [](CommandLine& line, std::string_view, std::string&) {
         setup(line).bigscreen = true;
         return true;
     }},
    {"--no-antialiasing", "", "turn the anti-aliasing option off (skips the setup dialog)",
     [](CommandLine& line, std::string_view, std::string&) {
         setup(line).antiAliasing = false;
         return true;
     }},
    {"--frame", "SECONDS", "render the frame at that time to the PNG file given by --out, then exit",
     [](CommandLine& line, std::string_view value, std::string& error) {
         if (!parseSeconds(value, line.frameSeconds)) {
             error = "--frame wants a time in seconds from 0 to 86400, not '" + std::string(value) + "'";
             return false;
         }
         return setMode(line, RunMode::Frame, error);
     }},
    {"--out", "FILE.png", "where --frame writes its 800 x 500 PNG",
     [](CommandLine& line, std::string_view value, std::string& error) {
         line.output = value;
         return nonEmpty(value, "--out", error);
     }},
    {"--capture", "DIR|FILE.mp4",
     "render the whole presentation: numbered PNG frames and soundtrack.wav into DIR, or a video made by "
     "ffmpeg when the name ends in .mp4",
     [](CommandLine& line, std::string_view value, std::string& error) {
         line.output = value;
         return nonEmpty(value, "--capture", error) && setMode(line, RunMode::Capture, error);
     }},
    {"--fps", "N", "frames per second of --capture and of the clock --frame follows (default 30, at most 240)",
     [](CommandLine& line, std::string_view value, std::string& error) {
         int fps = 0;
         const auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), fps);
         if (status != std::errc() || end != value.data() + value.size() || fps < 1 || fps > kMaxCaptureFps) {
             error = "--fps wants a whole number from 1 to 240, not '" + std::string(value) + "'";
             return false;
         }
         line.fps = fps;
         line.fpsGiven = true;
         return true;
     }},
    {"--render-audio", "FILE.wav", "render the soundtrack for the presentation's length to a WAV file",
     [](CommandLine& line, std::string_view value, std::string& error) {
         line.output = value;
         return nonEmpty(value, "--render-audio", error) && setMode(line, RunMode::RenderAudio, error);
     }},
    {"--stats", "", "print the loading time and the frame rate on stderr at the end",
     [](CommandLine& line, std::string_view, std::string&) {
         line.stats = true;
         return true;
     }},
    {"--help", "", "show this text and exit",
     [](CommandLine& line, std::string_view, std::string& error) { return setMode(line, RunMode::Help, error); }},
    {"--version", "", "show the version and exit",
     [](CommandLine& line, std::string_view, std::string& error) {
         return setMode(line, RunMode::Version, error);
     }},
}};

const OptionSpec* findOption(std::string_view name) {
    if (name == "-h") {
        name = "--help";
    }
    for (const OptionSpec& option : kOptions) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

// The combinations the table's rows cannot see one at a time.
bool checkCombination(const std::span<const std::string_view> arguments, const CommandLine& line,
                      std::string& error) {
    bool window = false;
    bool fullscreen = false;
    bool out = false;
    for (std::string_view argument : arguments) {
        window = window || argument == "--window";
        fullscreen = fullscreen || argument == "--fullscreen";
        out = out || argument == "--out" || argument.starts_with("--out=");
    }
    if (line.mode == RunMode::Help || line.mode == RunMode::Version) {
        return true;
    }
    if (window && fullscreen) {
        error = "--window and --fullscreen cannot be combined";
    } else if (isHeadless(line.mode) && (window || fullscreen)) {
        error = "--frame, --capture and --render-audio always draw 800 x 500 without a window; drop " +
                std::string(window ? "--window" : "--fullscreen");
    } else if (line.mode == RunMode::Frame && !out) {
        error = "--frame needs --out FILE.png";
    } else if (line.mode != RunMode::Frame && out) {
        error = "--out belongs to --frame";
    } else if (line.fpsGiven && line.mode != RunMode::Capture && line.mode != RunMode::Frame) {
        error = "--fps belongs to --capture or --frame";
    }
    return error.empty();
}

}  // namespace

CommandLineParse parseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineParse result;
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const std::size_t equals = argument.find('=');
        const bool inlineValue = argument.starts_with("--") && equals != std::string_view::npos;
        const std::string_view name = inlineValue ? argument.substr(0, equals) : argument;
        const OptionSpec* option = findOption(name);
        if (option == nullptr) {
            result.error = argument.starts_with("-") ? "unknown option '" + std::string(name) + "'"
                                                     : "unexpected argument '" + std::string(argument) + "'";
            return result;
        }
        std::string_view value;
        if (option->valueName.empty()) {
            if (inlineValue) {
                result.error = std::string(name) + " takes no value";
                return result;
            }
        } else if (inlineValue) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            result.error = std::string(name) + " needs a value (" + std::string(option->valueName) + ")";
            return result;
        }
        if (!option->apply(line, value, result.error)) {
            return result;
        }
    }
    if (!checkCombination(arguments, line, result.error)) {
        return result;
    }
    result.commandLine = std::move(line);
    return result;
}

std::string usageText() {
    return "usage: velbry2007 [--window | --fullscreen] [--bigscreen] [--no-antialiasing] [--stats]\n"
           "       velbry2007 --frame SECONDS --out FILE.png [--fps N]\n"
           "       velbry2007 --capture DIR|FILE.mp4 [--fps N]\n"
           "       velbry2007 --render-audio FILE.wav\n";
}

std::string helpText() {
    std::string text = "velbry2007: the invitation, 120 seconds of real-time pictures and music.\n\n" + usageText() +
                       "\nWithout options the setup dialog asks for the display options first.\n\noptions:\n";
    constexpr std::size_t kHelpColumn = 28;
    constexpr std::size_t kLineWidth = 100;
    for (const OptionSpec& option : kOptions) {
        std::string line = "  " + std::string(option.name);
        if (!option.valueName.empty()) {
            line += " " + std::string(option.valueName);
        }
        line.resize(std::max(line.size() + 2, kHelpColumn), ' ');
        // The help text wrapped at word boundaries, continued under its first line.
        std::string_view help = option.help;
        while (line.size() + help.size() > kLineWidth) {
            const std::size_t cut = help.rfind(' ', kLineWidth - line.size());
            if (cut == std::string_view::npos) {
                break;
            }
            text += line + std::string(help.substr(0, cut)) + "\n";
            line.assign(kHelpColumn, ' ');
            help.remove_prefix(cut + 1);
        }
        text += line + std::string(help) + "\n";
    }
    text += "\nDuring the presentation Escape or closing the window ends it.\n"
            "Exit status: 0 success, 1 an output or the presentation failed, 2 bad options.\n";
    return text;
}

std::string versionText() { return "velbry2007 " VELBRY_VERSION "\n"; }

}  // namespace shell
