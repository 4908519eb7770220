// Start-up, frame loop and tear-down.
#include "shell/presentation.h"

#include <string>
#include <utility>

#include "device/device_startup.h"
#include "device/device_state.h"
#include "graph/graph_builder.h"
#include "shell/bigscreen_gamma.h"
#include "shell/class_table.h"
#include "shell/frame_time.h"
#include "shell/message_pump.h"
#include "shell/scene_scripts.h"

namespace shell {
namespace {

constexpr std::uint32_t kWindowedHeight = 500;
constexpr std::uint32_t kFullscreenHeight = 600;
constexpr std::uint32_t kTimerPeriodMs = 1;

void present(device::IDirect3DDevice9& device) { device.Present(nullptr, nullptr, nullptr, nullptr); }

}  // namespace

Presentation::Presentation(ShellServices services, SceneSource scene)
    : services_(std::move(services)), scene_(scene), store_(std::make_unique<graph::ObjectStore>()) {}

Presentation::~Presentation() {
    // The music's output thread must not outlive the module the graph owns; stop is harmless when it
    // has already stopped.
    if (root_ != nullptr && root_->music() != nullptr) {
        root_->music()->stop();
    }
    store_.reset();
    device::releaseDeviceObjects(device::deviceState());
}

int Presentation::run(const std::optional<SetupOptions>& preset, FrameObserver* observer) {
    if (const std::optional<int> ended = startUp(preset)) {
        return *ended;
    }
    runFrames(observer);
    return tearDown();
}

std::optional<int> Presentation::startUp(const std::optional<SetupOptions>& preset) {
    options_ = preset.value_or(SetupOptions{});
    if (!preset) {
        if (services_.dialog == nullptr || !services_.dialog->run(options_)) {
            return 0;
        }
    }
    stats_.startMs = services_.timer.timeGetTime();
    if (options_.fullscreen) {
        services_.cursor.showCursor(false);
    }
    if (!services_.window.createWindow(options_.fullscreen)) {
        return 0;
    }
    device::DeviceState& state = device::deviceState();
    state.antiAliasing = options_.antiAliasing;
    const std::uint32_t height = options_.fullscreen ? kFullscreenHeight : kWindowedHeight;
    if (!device::startDevice(services_.deviceHost, services_.direct3D(), options_.fullscreen, height)) {
        // The user has read why. Destroying the window posts the quit message that ends the process in
        // the pump; a backend whose destruction posts none returns here.
        services_.window.destroyWindow();
        pumpMessages(services_.window, services_.process);
        return 0;
    }
    if (options_.bigscreen) {
        applyBigscreenGamma(*state.device);
    }
    if (const std::optional<int> ended = buildScene()) {
        return ended;
    }
    services_.timer.timeBeginPeriod(kTimerPeriodMs);
    if (root_->music() != nullptr) {
        root_->music()->start();
    }
    startTime_ = services_.timer.timeGetTime();
    return std::nullopt;
}

std::optional<int> Presentation::buildScene() {
    graph::buildGraph(loaderScript(), loaderClassTable(), nullptr, *store_);
    const graph::BuildResult built =
        graph::buildGraph(scene_.script, scene_.classTable, [this](std::int32_t) { loadingProgress(); }, *store_);
    if (!built.ok()) {
        return failStartUp(("The scene script cannot be built: " + built.error).c_str());
    }
    root_ = dynamic_cast<Demo*>(built.root);
    if (root_ == nullptr) {
        return failStartUp("The scene script does not end with a Demo record.");
    }
    return std::nullopt;
}

// A scene script that does not build is a broken program, not a broken machine: the user is told, the
// window goes and the program ends with a failure code.
int Presentation::failStartUp(const char* message) {
    services_.deviceHost.hideWindow();
    services_.cursor.showCursor(true);
    services_.deviceHost.showErrorMessage(message);
    services_.window.destroyWindow();
    return 1;
}

// Called after every record of the scene script: keeps the window answering and the picture on screen
// while the graph is built, and lets Escape or closing the window end the program before anything plays.
void Presentation::loadingProgress() {
    if (!pumpMessages(services_.window, services_.process)) {
        services_.window.destroyWindow();
        services_.process.exitProcess(0);
    }
    present(*device::deviceState().device);
}

void Presentation::runFrames(FrameObserver* observer) {
    bool running = true;
    while (running) {
        running = pumpMessages(services_.window, services_.process);
        const float t = presentationTime(services_.timer.timeGetTime(), startTime_);
        if (!running) {
            break;
        }
        // Checked again every frame: while the device is lost it sleeps, and the clock runs on meanwhile.
        if (!device::deviceReady(services_.deviceHost)) {
            ++stats_.framesSkipped;
            continue;
        }
        running = root_->runFrame(t);
        if (observer != nullptr) {
            observer->frameDrawn(t);
        }
        present(*device::deviceState().device);
        ++stats_.framesDrawn;
        if (!stats_.firstFrameMs) {
            stats_.firstFrameMs = services_.timer.timeGetTime();
        }
    }
    stats_.endMs = services_.timer.timeGetTime();
}

int Presentation::tearDown() {
    if (root_->music() != nullptr) {
        root_->music()->stop();
    }
    services_.window.destroyWindow();
    services_.timer.timeEndPeriod(kTimerPeriodMs);
    return 0;
}

}  // namespace shell
