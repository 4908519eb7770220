// A platform backend driven by the test: messages delivered when a condition holds, a clock the test
// sets (and that a lost device's sleep moves on), a setup dialog with a fixed answer, the software device
// presenting into memory, and a log of the platform calls the shell makes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/device_host.h"
#include "platform/soft/soft_sinks.h"
#include "shell/platform.h"
#include "shell/presentation.h"

namespace shelltest {

// What exitProcess throws, so that a test sees the process end and its code.
struct ProcessExit {
    int code;
};

class ScriptedPlatform final : public shell::ShellWindow,
                               public shell::ShellTimer,
                               public shell::ShellCursor,
                               public shell::SetupDialog,
                               public device::DeviceHost,
                               public shell::ProcessControl,
                               public soft::PresentSink {
public:
    // The clock: timeGetTime returns now(callsSoFar); the default runs 10 ms per reading from 1000.
    std::function<std::uint32_t(int readings)> clock = [](int readings) { return 1000u + 10u * readings; };
    // The dialog's answer: the options after OK, or nothing for Cancel.
    std::optional<shell::SetupOptions> dialogAnswer = shell::SetupOptions{};
    // Destroying the window posts a quit message with code 0, as Win32 does.
    bool destroyPostsQuit = false;
    // Whether the Direct3D source hands out a software device.
    bool haveDirect3D = true;

    // Called before every peek, so that a test can change the device's state between frames.
    std::function<void()> beforePeek;
    // Presents made before timeBeginPeriod, i.e. while the device started and the graph was built; -1
    // until then. Frame n of the loop is presented as present number presentsBeforeFrames + n + 1.
    int presentsBeforeFrames = -1;

    // Delivers message at the first peek at which when() holds; messages go in the order scheduled.
    void schedule(std::function<bool()> when, shell::Message message);

    shell::ShellServices services();

    std::vector<std::string> log;          // platform calls in order, e.g. "createWindow windowed"
    std::vector<std::string> errorTexts;   // message boxes
    int presents = 0;
    int presentWidth = 0;
    int presentHeight = 0;
    std::vector<std::uint32_t> lastFrame;  // the last presented image, 0xFFRRGGBB
    int pumpRounds = 0;                    // peeks that found the queue empty
    int sleptMs = 0;
    bool windowOpen = false;

    bool contains(const std::string& entry) const;
    // Index of the first log entry equal to entry, or -1.
    int indexOf(const std::string& entry) const;

    bool run(shell::SetupOptions& options) override;
    bool createWindow(bool fullscreen) override;
    void destroyWindow() override;
    bool peekMessage(shell::Message& message) override;
    void translateMessage() override;
    void dispatchMessage() override;
    std::uint32_t timeGetTime() override;
    void timeBeginPeriod(std::uint32_t milliseconds) override;
    void timeEndPeriod(std::uint32_t milliseconds) override;
    void showCursor(bool show) override;
    device::HWND window() override;
    void hideWindow() override;
    void showCursor() override;
    void showErrorMessage(const char* text) override;
    void sleep(device::DWORD milliseconds) override;
    [[noreturn]] void exitProcess(int exitCode) override;
    void present(const std::uint32_t* pixels, int width, int height, int pitchInPixels) override;

private:
    struct Pending {
        std::function<bool()> when;
        shell::Message message;
    };
    std::deque<Pending> pending_;
    std::deque<shell::Message> posted_;
    shell::Message current_;
    int readings_ = 0;
    std::uint32_t sleepOffset_ = 0;
};

std::string describe(const shell::Message& message);

}  // namespace shelltest
