// The SDL2 setup dialog.
#include "platform/sdl2/sdl2_setup_dialog.h"

#include <cstdio>
#include <optional>
#include <string>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "shell/setup_dialog.h"
#include "shell/setup_dialog_painter.h"

namespace sdl2 {
namespace {

std::optional<shell::DialogKey> dialogKey(const SDL_KeyboardEvent& key) {
    switch (key.keysym.sym) {
        case SDLK_TAB:
            return (key.keysym.mod & KMOD_SHIFT) != 0 ? shell::DialogKey::ShiftTab : shell::DialogKey::Tab;
        case SDLK_SPACE:
            return shell::DialogKey::Space;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return shell::DialogKey::Enter;
        case SDLK_ESCAPE:
            return shell::DialogKey::Escape;
        case SDLK_DOWN:
        case SDLK_RIGHT:
            return shell::DialogKey::Next;
        case SDLK_UP:
        case SDLK_LEFT:
            return shell::DialogKey::Previous;
        default:
            return std::nullopt;
    }
}

void show(SDL_Window* window, const shell::DialogImage& image) {
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (target == nullptr) {
        return;
    }
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint32_t*>(image.pixels.data()), image.width, image.height, 32, image.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (source == nullptr) {
        return;
    }
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(window);
}

void handle(const SDL_Event& event, Uint32 windowId, shell::SetupDialogModel& model) {
    switch (event.type) {
        case SDL_QUIT:
            model.close();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.windowID == windowId && event.window.event == SDL_WINDOWEVENT_CLOSE) {
                model.close();
            }
            break;
        case SDL_KEYDOWN:
            if (event.key.repeat == 0) {
                if (const std::optional<shell::DialogKey> key = dialogKey(event.key)) {
                    model.keyDown(*key);
                }
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT) {
                model.mouseDown(event.button.x, event.button.y);
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT) {
                model.mouseUp(event.button.x, event.button.y);
            }
            break;
        default:
            break;
    }
}

}  // namespace

bool Sdl2SetupDialog::run(shell::SetupOptions& options) {
    const shell::SetupDialogPainter painter(fonts_);
    shell::SetupDialogModel model(options);
    shell::DialogImage image = painter.paint(model);
    const std::string caption(shell::kSetupDialogCaption);
    SDL_Window* window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          image.width, image.height, SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        std::fprintf(stderr, "velbry2007: cannot show the setup dialog: %s\n", SDL_GetError());
        return false;
    }
    SDL_RaiseWindow(window);
    const Uint32 windowId = SDL_GetWindowID(window);
    show(window, image);
    while (model.result() == shell::DialogResult::Open) {
        SDL_Event event;
        if (SDL_WaitEvent(&event) == 0) {
            model.close();
            break;
        }
        handle(event, windowId, model);
        show(window, painter.paint(model));
    }
    SDL_DestroyWindow(window);
    // Nothing typed into the dialog may reach the presentation's window.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    options = model.options();
    return model.result() == shell::DialogResult::Ok;
}

}  // namespace sdl2
