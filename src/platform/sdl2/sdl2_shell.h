// The shell's platform services on SDL2: the 800 x 500 window (or the whole screen) that shows the
// software device's presented frames through a streaming texture, its events as the shell's messages,
// SDL's millisecond ticks as the timer, the cursor and the error message box.
#pragma once

#include <cstdint>
#include <string>

#include "device/device_host.h"
#include "platform/soft/soft_sinks.h"
#include "shell/platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace sdl2 {

class Sdl2Shell final : public shell::ShellWindow,
                        public shell::ShellTimer,
                        public shell::ShellCursor,
                        public device::DeviceHost,
                        public shell::ProcessControl,
                        public soft::PresentSink {
public:
    // Starts SDL's video subsystem; ready() says whether it could.
    Sdl2Shell();
    ~Sdl2Shell();
    Sdl2Shell(const Sdl2Shell&) = delete;
    Sdl2Shell& operator=(const Sdl2Shell&) = delete;

    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }

    // A window of client size 800 x 500 centred on the screen, or a borderless one over the whole
    // desktop whose 800 x 600 frames are scaled to fit, keeping their shape.
    bool createWindow(bool fullscreen) override;
    void destroyWindow() override;
    // Escape is the key-down of virtual key 27; closing the window and SDL's quit event (also sent on an
    // interrupt signal) are close requests, so that the tear-down runs. SDL has no quit message with an
    // exit code.
    bool peekMessage(shell::Message& message) override;
    void translateMessage() override {}
    void dispatchMessage() override {}

    std::uint32_t timeGetTime() override;
    // The system timer already ticks in milliseconds.
    void timeBeginPeriod(std::uint32_t) override {}
    void timeEndPeriod(std::uint32_t) override {}

    void showCursor(bool show) override;

    device::HWND window() override { return window_; }
    void hideWindow() override;
    void showCursor() override { showCursor(true); }
    void showErrorMessage(const char* text) override;
    void sleep(device::DWORD milliseconds) override;

    [[noreturn]] void exitProcess(int exitCode) override;

    void present(const std::uint32_t* pixels, int width, int height, int pitchInPixels) override;

private:
    bool ready_ = false;
    std::string error_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
};

}  // namespace sdl2
