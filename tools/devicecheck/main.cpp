// devicecheck OUTDIR [--device NAME] [--pins FILE | --update-pins FILE]: draws a fixed suite of small
// scenes through one device backend and writes each frame, read back from the render target, as
// OUTDIR/<scene>.png. Comparing the files of two backends shows where the software device departs from
// Direct3D 9; the pin file holds the hash every picture must have.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check_device.h"
#include "pin_check.h"
#include "platform/device_factory.h"
#include "platform/headless/frame_capture.h"
#include "platform/headless/png_writer.h"
#include "scenes.h"

#ifdef _WIN32
#include "platform/win32/hidden_window.h"
#endif

namespace devicecheck {
namespace {

struct Options {
    std::string outputDirectory;
    std::string deviceName;
    std::string pinFile;
    bool updatePins = false;
};

void printUsage() {
    std::fprintf(stderr,
                 "usage: devicecheck OUTDIR [--device NAME] [--pins FILE | --update-pins FILE]\n"
                 "  draws the device-check scenes and writes OUTDIR/<scene>.png\n"
                 "  --device NAME        one of: %s (default: %s)\n"
                 "  --pins FILE          fails unless every picture has the hash FILE pins; a changed one gets\n"
                 "                       OUTDIR/<scene>.diff.png against OUTDIR/pinned/<scene>.png\n"
                 "  --update-pins FILE   writes FILE with the hashes of this run's pictures\n",
                 platform::deviceBackendNames().c_str(), std::string(platform::defaultDeviceBackend()).c_str());
}

std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    options.deviceName = platform::defaultDeviceBackend();
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--device" && i + 1 < argc) {
            options.deviceName = argv[++i];
        } else if (argument.starts_with("--device=")) {
            options.deviceName = argument.substr(9);
        } else if ((argument == "--pins" || argument == "--update-pins") && i + 1 < argc && options.pinFile.empty()) {
            options.updatePins = argument == "--update-pins";
            options.pinFile = argv[++i];
        } else if (!argument.starts_with("-") && options.outputDirectory.empty()) {
            options.outputDirectory = argument;
        } else {
            return std::nullopt;
        }
    }
    if (options.outputDirectory.empty()) {
        return std::nullopt;
    }
    return options;
}

// The window Direct3D 9 needs for its device; the software device draws into memory and needs none.
class DeviceWindow {
public:
    bool open(std::string& error) {
#ifdef _WIN32
        window_ = win32::HiddenWindow::create(kFrameWidth, kFrameHeight, error);
        return window_ != nullptr;
#else
        (void)error;
        return true;
#endif
    }
    device::HWND handle() const {
#ifdef _WIN32
        return window_->handle();
#else
        return nullptr;
#endif
    }
    void pump() {
#ifdef _WIN32
        win32::HiddenWindow::pumpMessages();
#endif
    }

private:
#ifdef _WIN32
    std::unique_ptr<win32::HiddenWindow> window_;
#endif
};

// Draws one scene on a fresh device, reads it back and writes the PNG. False after printing why.
bool runScene(device::IDirect3D9& direct3d, DeviceWindow& window, const Scene& scene,
              const std::filesystem::path& directory, bool describeDevice, DrawnScene& drawn) {
    CheckDevice check;
    std::string error;
    if (!createCheckDevice(direct3d, window.handle(), check, error)) {
        std::fprintf(stderr, "devicecheck: %s: %s\n", scene.name, error.c_str());
        return false;
    }
    device::IDirect3DDevice9& d = *check.device.get();
    if (describeDevice) {
        std::printf("devicecheck: %s\n", describeCaps(d).c_str());
    }
    headless::Frame frame;
    {
        SceneResources resources(d);
        const SceneContext context{d, check.meshDeclaration.get(), check.quadDeclaration.get(),
                                   check.constantColorBuffer.get(), resources};
        d.BeginScene();
        scene.draw(context);
        d.EndScene();
        if (!headless::captureFrame(d, frame, error)) {
            std::fprintf(stderr, "devicecheck: %s: %s\n", scene.name, error.c_str());
            return false;
        }
        d.Present(nullptr, nullptr, nullptr, nullptr);
    }
    window.pump();
    const std::filesystem::path file = directory / (std::string(scene.name) + ".png");
    if (!headless::writePng(file.string(), frame.width, frame.height, frame.pixels, error)) {
        std::fprintf(stderr, "devicecheck: %s: %s\n", scene.name, error.c_str());
        return false;
    }
    std::printf("  %-22s %s\n", scene.name, file.generic_string().c_str());
    drawn = {scene.name, {frame.width, frame.height, std::move(frame.pixels)}};
    return true;
}

int run(const Options& options) {
    DeviceWindow window;
    std::string error;
    if (!window.open(error)) {
        std::fprintf(stderr, "devicecheck: no window for the device: %s\n", error.c_str());
        return 1;
    }
    const platform::Direct3DCreation created = platform::createDirect3D(options.deviceName);
    if (!created.direct3d) {
        std::fprintf(stderr, "devicecheck: %s\n", created.error.c_str());
        return 1;
    }
    const device::DeviceRef<device::IDirect3D9>& direct3d = created.direct3d;
    std::printf("devicecheck: device '%s'\n", options.deviceName.c_str());

    const std::filesystem::path directory = options.outputDirectory;
    std::error_code fileError;
    std::filesystem::create_directories(directory, fileError);
    if (fileError) {
        std::fprintf(stderr, "devicecheck: cannot create %s: %s\n", directory.string().c_str(),
                     fileError.message().c_str());
        return 1;
    }

    std::vector<DrawnScene> drawn;
    const auto scenes = sceneSuite();
    for (const Scene& scene : scenes) {
        const bool first = &scene == &scenes.front();
        DrawnScene picture;
        if (runScene(*direct3d, window, scene, directory, first, picture)) {
            drawn.push_back(std::move(picture));
        }
    }
    std::printf("devicecheck: wrote %zu of %zu scenes to %s\n", drawn.size(), scenes.size(),
                directory.string().c_str());
    if (drawn.size() != scenes.size()) {
        return 1;
    }
    if (options.pinFile.empty()) {
        return 0;
    }
    const bool pinned = options.updatePins ? updatePins(options.pinFile, drawn, directory)
                                           : checkPins(options.pinFile, drawn, directory);
    return pinned ? 0 : 1;
}

}  // namespace
}  // namespace devicecheck

int main(int argc, char** argv) {
    const std::optional<devicecheck::Options> options = devicecheck::parseArguments(argc, argv);
    if (!options) {
        devicecheck::printUsage();
        return 2;
    }
    return devicecheck::run(*options);
}
