// The entry points' common dispatch.
#include "shell/program.h"

namespace shell {

int runProgram(std::span<const std::string_view> arguments, const ProgramModes& modes, std::ostream& out,
               std::ostream& err) {
    const CommandLineParse parsed = parseCommandLine(arguments);
    if (!parsed.commandLine) {
        err << "velbry2007: " << parsed.error << "\n" << usageText();
        err.flush();
        return kExitUsage;
    }
    const CommandLine& line = *parsed.commandLine;
    switch (line.mode) {
        case RunMode::Help:
            out << helpText();
            out.flush();
            return 0;
        case RunMode::Version:
            out << versionText();
            out.flush();
            return 0;
        case RunMode::Interactive:
            return modes.interactive(line);
        case RunMode::Frame:
        case RunMode::Capture:
        case RunMode::RenderAudio:
            return modes.headless(line);
    }
    return kExitUsage;
}

}  // namespace shell
