// The presentation on Windows: the setup dialog unless options skipped it, the Win32 window, Direct3D 9
// and wave-out sound. Includes no Windows header.
#pragma once

#include "shell/command_line.h"
#include "shell/presentation.h"

namespace win32 {

// instance: the module's HINSTANCE. Returns the exit code.
int runInteractive(void* instance, const shell::CommandLine& commandLine, const shell::SceneSource& scene);

}  // namespace win32
