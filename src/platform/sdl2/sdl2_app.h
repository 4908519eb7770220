// The presentation in an SDL2 window with SDL2 sound: the setup dialog unless options skipped it, then the
// shell's start-up, frames and tear-down.
#pragma once

#include "shell/command_line.h"
#include "shell/presentation.h"

namespace sdl2 {

// The exit code; 1 with a message when there is no display.
int runInteractive(const shell::CommandLine& commandLine, const shell::SceneSource& scene);

}  // namespace sdl2
