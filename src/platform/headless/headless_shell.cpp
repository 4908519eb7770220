// Headless platform services.
#include "platform/headless/headless_shell.h"

#include <cstdio>
#include <cstdlib>

namespace headless {

bool HeadlessShell::peekMessage(shell::Message& message) {
    // The hidden window's own messages are serviced here; none of them is the shell's business.
    if (target_.pumpWindow) {
        target_.pumpWindow();
    }
    if (closeRequested_) {
        closeRequested_ = false;
        message = {shell::MessageKind::Close, 0};
        return true;
    }
    return false;
}

void HeadlessShell::showErrorMessage(const char* text) { std::fprintf(stderr, "velbry2007: %s\n", text); }

void HeadlessShell::exitProcess(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace headless
