// The shell's message pump: drains the window's queue and says whether the presentation goes on.
#pragma once

#include "shell/platform.h"

namespace shell {

// Takes every queued message: translates it; Escape pressed or a close request clears the keep-running
// flag; a quit message ends the process at once with its exit code; every other message, Escape and the
// close request included, is then dispatched. Returns the flag once the queue is empty.
bool pumpMessages(ShellWindow& window, ProcessControl& process);

}  // namespace shell
