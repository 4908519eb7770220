// The message pump.
#include "shell/message_pump.h"

namespace shell {

bool pumpMessages(ShellWindow& window, ProcessControl& process) {
    bool running = true;
    Message message;
    while (window.peekMessage(message)) {
        window.translateMessage();
        switch (message.kind) {
            case MessageKind::KeyDown:
                if (message.wParam == kVirtualKeyEscape) {
                    running = false;
                }
                break;
            case MessageKind::Close:
                running = false;
                break;
            case MessageKind::Quit:
                process.exitProcess(static_cast<int>(message.wParam));
            case MessageKind::Other:
                break;
        }
        window.dispatchMessage();
    }
    return running;
}

}  // namespace shell
