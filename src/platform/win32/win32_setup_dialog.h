// The setup dialog on Win32: resource 101 created modeless and run by its own message loop until OK,
// Cancel or closing. Includes no Windows header.
#pragma once

#include "shell/platform.h"

namespace win32 {

class Win32SetupDialog final : public shell::SetupDialog {
public:
    // instance: the module whose resources hold the template (HINSTANCE).
    explicit Win32SetupDialog(void* instance) : instance_(instance) {}

    bool run(shell::SetupOptions& options) override;

private:
    void* instance_;
};

}  // namespace win32
