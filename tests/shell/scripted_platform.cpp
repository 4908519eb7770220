// The scripted platform backend.
#include "scripted_platform.h"

#include <algorithm>
#include <stdexcept>

#include "device/device_ref.h"
#include "platform/soft/soft_direct3d.h"

namespace shelltest {

std::string describe(const shell::Message& message) {
    switch (message.kind) {
        case shell::MessageKind::KeyDown:
            return "key " + std::to_string(message.wParam);
        case shell::MessageKind::Close:
            return "close";
        case shell::MessageKind::Quit:
            return "quit " + std::to_string(message.wParam);
        case shell::MessageKind::Other:
            return "other";
    }
    return "?";
}

void ScriptedPlatform::schedule(std::function<bool()> when, shell::Message message) {
    pending_.push_back({std::move(when), message});
}

shell::ShellServices ScriptedPlatform::services() {
    return shell::ShellServices{.dialog = this,
                                .window = *this,
                                .timer = *this,
                                .cursor = *this,
                                .deviceHost = *this,
                                .process = *this,
                                .direct3D = [this] {
                                    if (!haveDirect3D) {
                                        return device::DeviceRef<device::IDirect3D9>();
                                    }
                                    soft::SoftDirect3DOptions options;
                                    options.presentSink = this;
                                    return device::DeviceRef<device::IDirect3D9>::adopt(
                                        soft::createSoftDirect3D(options));
                                }};
}

bool ScriptedPlatform::contains(const std::string& entry) const { return indexOf(entry) >= 0; }

int ScriptedPlatform::indexOf(const std::string& entry) const {
    const auto found = std::find(log.begin(), log.end(), entry);
    return found == log.end() ? -1 : static_cast<int>(found - log.begin());
}

bool ScriptedPlatform::run(shell::SetupOptions& options) {
    log.push_back("dialog");
    if (!dialogAnswer) {
        return false;
    }
    options = *dialogAnswer;
    return true;
}

bool ScriptedPlatform::createWindow(bool fullscreen) {
    log.push_back(fullscreen ? "createWindow fullscreen" : "createWindow windowed");
    windowOpen = true;
    return true;
}

void ScriptedPlatform::destroyWindow() {
    log.push_back("destroyWindow");
    windowOpen = false;
    if (destroyPostsQuit) {
        posted_.push_back({shell::MessageKind::Quit, 0});
    }
}

bool ScriptedPlatform::peekMessage(shell::Message& message) {
    if (beforePeek) {
        beforePeek();
    }
    if (!posted_.empty()) {
        message = posted_.front();
        posted_.pop_front();
    } else {
        const auto due = std::find_if(pending_.begin(), pending_.end(), [](const Pending& p) { return p.when(); });
        if (due == pending_.end()) {
            ++pumpRounds;
            return false;
        }
        message = due->message;
        pending_.erase(due);
    }
    current_ = message;
    return true;
}

void ScriptedPlatform::translateMessage() { log.push_back("translate " + describe(current_)); }

void ScriptedPlatform::dispatchMessage() { log.push_back("dispatch " + describe(current_)); }

std::uint32_t ScriptedPlatform::timeGetTime() { return clock(readings_++) + sleepOffset_; }

void ScriptedPlatform::timeBeginPeriod(std::uint32_t milliseconds) {
    presentsBeforeFrames = presents;
    log.push_back("timeBeginPeriod " + std::to_string(milliseconds));
}

void ScriptedPlatform::timeEndPeriod(std::uint32_t milliseconds) {
    log.push_back("timeEndPeriod " + std::to_string(milliseconds));
}

void ScriptedPlatform::showCursor(bool show) { log.push_back(show ? "showCursor 1" : "showCursor 0"); }

device::HWND ScriptedPlatform::window() {
    static int handle = 0;
    return windowOpen ? &handle : nullptr;
}

void ScriptedPlatform::hideWindow() { log.push_back("hideWindow"); }

void ScriptedPlatform::showCursor() { showCursor(true); }

void ScriptedPlatform::showErrorMessage(const char* text) {
    log.push_back("messageBox");
    errorTexts.emplace_back(text);
}

// A lost device's wait takes the clock along, as real time would pass.
void ScriptedPlatform::sleep(device::DWORD milliseconds) {
    sleptMs += static_cast<int>(milliseconds);
    sleepOffset_ += milliseconds;
}

void ScriptedPlatform::exitProcess(int exitCode) {
    log.push_back("exit " + std::to_string(exitCode));
    throw ProcessExit{exitCode};
}

void ScriptedPlatform::present(const std::uint32_t* pixels, int width, int height, int pitchInPixels) {
    ++presents;
    presentWidth = width;
    presentHeight = height;
    lastFrame.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        std::copy_n(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(pitchInPixels), width,
                    lastFrame.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
}

}  // namespace shelltest
