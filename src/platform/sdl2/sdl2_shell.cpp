// SDL2 window, events, timer and presentation of the software device's frames.
#include "platform/sdl2/sdl2_shell.h"

#include <cstdio>
#include <cstdlib>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "shell/setup_dialog.h"

namespace sdl2 {
namespace {

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 500;
constexpr int kFullscreenHeight = 600;

}  // namespace

Sdl2Shell::Sdl2Shell() {
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    // The frame goes out as soon as it is drawn, as the device presents without waiting for the retrace.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        error_ = SDL_GetError();
        return;
    }
    ready_ = true;
}

Sdl2Shell::~Sdl2Shell() {
    destroyWindow();
    if (ready_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    }
}

bool Sdl2Shell::createWindow(bool fullscreen) {
    Uint32 flags = SDL_WINDOW_SHOWN;
    SDL_Rect area{static_cast<int>(SDL_WINDOWPOS_CENTERED), static_cast<int>(SDL_WINDOWPOS_CENTERED), kWindowWidth,
                  kWindowHeight};
    if (fullscreen) {
        // A borderless window the size of the screen, as a pop-up over the whole screen would be; it covers
        // the screen also where no window manager takes the full-screen request.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        if (SDL_GetDisplayBounds(0, &area) != 0) {
            area = {0, 0, kWindowWidth, kFullscreenHeight};
        }
    }
    const std::string title(shell::kSetupDialogCaption);
    window_ = SDL_CreateWindow(title.c_str(), area.x, area.y, area.w, area.h, flags);
    if (window_ == nullptr) {
        std::fprintf(stderr, "velbry2007: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer_ == nullptr) {
        std::fprintf(stderr, "velbry2007: cannot draw into the window: %s\n", SDL_GetError());
        destroyWindow();
        return false;
    }
    // Full screen shows the whole 800 x 600 back buffer, letterboxed by the desktop's shape if need be.
    SDL_RenderSetLogicalSize(renderer_, kWindowWidth, fullscreen ? kFullscreenHeight : kWindowHeight);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    SDL_RaiseWindow(window_);
    return true;
}

void Sdl2Shell::destroyWindow() {
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
        textureWidth_ = textureHeight_ = 0;
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
}

bool Sdl2Shell::peekMessage(shell::Message& message) {
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0) {
        return false;
    }
    message = {};
    switch (event.type) {
        case SDL_KEYDOWN:
            message.kind = shell::MessageKind::KeyDown;
            message.wParam = event.key.keysym.sym == SDLK_ESCAPE ? shell::kVirtualKeyEscape : 0;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                message.kind = shell::MessageKind::Close;
            }
            break;
        case SDL_QUIT:
            message.kind = shell::MessageKind::Close;
            break;
        default:
            break;
    }
    return true;
}

std::uint32_t Sdl2Shell::timeGetTime() { return SDL_GetTicks(); }

void Sdl2Shell::showCursor(bool show) { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

void Sdl2Shell::hideWindow() {
    if (window_ != nullptr) {
        SDL_HideWindow(window_);
    }
}

void Sdl2Shell::showErrorMessage(const char* text) {
    std::fprintf(stderr, "velbry2007: %s\n", text);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text, nullptr);
}

void Sdl2Shell::sleep(device::DWORD milliseconds) { SDL_Delay(milliseconds); }

void Sdl2Shell::exitProcess(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void Sdl2Shell::present(const std::uint32_t* pixels, int width, int height, int pitchInPixels) {
    if (renderer_ == nullptr) {
        return;
    }
    if (texture_ == nullptr || width != textureWidth_ || height != textureHeight_) {
        if (texture_ != nullptr) {
            SDL_DestroyTexture(texture_);
        }
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        // 0xAARRGGBB words, as the device presents them.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (texture_ == nullptr) {
            return;
        }
        textureWidth_ = width;
        textureHeight_ = height;
    }
    SDL_UpdateTexture(texture_, nullptr, pixels, pitchInPixels * 4);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

}  // namespace sdl2
