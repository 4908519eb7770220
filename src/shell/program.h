// What every entry point does with its command line: help, version, a usage error, or one of the modes.
#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string_view>

#include "shell/command_line.h"

namespace shell {

constexpr int kExitUsage = 2;

struct ProgramModes {
    std::function<int(const CommandLine&)> interactive;
    std::function<int(const CommandLine&)> headless;  // Frame, Capture and RenderAudio
};

// Parses the arguments after the program name and runs the mode they ask for; the exit code. Help and
// version go to out; a bad command line gets one line of reason and the usage on err, and exit code 2.
int runProgram(std::span<const std::string_view> arguments, const ProgramModes& modes, std::ostream& out,
               std::ostream& err);

}  // namespace shell
