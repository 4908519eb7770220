// The program between its entry point and its end: the setup dialog, the window, the device, the graph
// built from the scene script while the window stays responsive, the music, the frame loop and the
// tear-down, in that order, over the platform services of shell/platform.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "device/d3d9_interfaces.h"
#include "device/device_host.h"
#include "device/device_ref.h"
#include "graph/constructor.h"
#include "graph/script_object.h"
#include "shell/demo.h"
#include "shell/platform.h"

namespace shell {

// Makes the Direct3D object at device start-up; null when there is none (the start-up then tells the user).
using Direct3DSource = std::function<device::DeviceRef<device::IDirect3D9>()>;

struct ShellServices {
    SetupDialog* dialog = nullptr;  // may be null when the options are preset
    ShellWindow& window;
    ShellTimer& timer;
    ShellCursor& cursor;
    device::DeviceHost& deviceHost;  // also the message box
    ProcessControl& process;
    Direct3DSource direct3D;
};

// The scene script and the class table its records index.
struct SceneSource {
    std::span<const std::uint8_t> script;
    graph::ClassTable classTable;
};

// Sees every drawn frame after the root has drawn it and before it is presented (headless backends read
// the render target back here).
class FrameObserver {
public:
    virtual void frameDrawn(float t) = 0;

protected:
    ~FrameObserver() = default;
};

// Timer readings of one run, for the program's statistics.
struct PresentationStats {
    std::uint32_t startMs = 0;                 // when the window was about to be created
    std::optional<std::uint32_t> firstFrameMs;  // after the first frame was presented
    std::uint32_t endMs = 0;                   // when the frame loop ended
    std::uint32_t framesDrawn = 0;
    std::uint32_t framesSkipped = 0;  // the device was not ready
};

class Presentation {
public:
    Presentation(ShellServices services, SceneSource scene);
    // Stops the music and releases the graph and the device.
    ~Presentation();
    Presentation(const Presentation&) = delete;
    Presentation& operator=(const Presentation&) = delete;

    // Start-up, frames until the end, Escape or a close request, then tear-down; the exit code. preset:
    // the options to run with instead of asking the setup dialog.
    int run(const std::optional<SetupOptions>& preset, FrameObserver* observer = nullptr);

    // The start-up alone. Empty when the frames may start; otherwise the program ends with that code.
    std::optional<int> startUp(const std::optional<SetupOptions>& preset);
    // The frame loop: until the root reports its end or the message pump says stop.
    void runFrames(FrameObserver* observer);
    // Stops the music (a second time after a normal end), destroys the window and ends the timer period.
    int tearDown();

    // Null until the scene script has been built.
    Demo* root() const { return root_; }
    const SetupOptions& options() const { return options_; }
    const PresentationStats& stats() const { return stats_; }

private:
    void loadingProgress();
    std::optional<int> buildScene();
    int failStartUp(const char* message);

    ShellServices services_;
    SceneSource scene_;
    SetupOptions options_;
    std::unique_ptr<graph::ObjectStore> store_;
    Demo* root_ = nullptr;
    std::uint32_t startTime_ = 0;
    PresentationStats stats_;
};

}  // namespace shell
