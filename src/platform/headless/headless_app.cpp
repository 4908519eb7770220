// The headless modes.
#include "platform/headless/headless_app.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "device/device_state.h"
#include "platform/audio_factory.h"
#include "platform/device_factory.h"
#include "platform/headless/capture_output.h"
#include "platform/headless/file_output.h"
#include "platform/headless/frame_capture.h"
#include "platform/headless/soundtrack.h"
#include "platform/soft/soft_present.h"
#include "shell/bigscreen_gamma.h"
#include "shell/frame_time.h"

namespace headless {
namespace {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 500;

void fail(const std::string& message) { std::fprintf(stderr, "velbry2007: %s\n", message.c_str()); }

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The frame as the screen shows it: with the Bigscreen option the ramp a full-screen device would load.
bool readFrame(bool bigscreen, Frame& frame, std::string& error) {
    if (!captureFrame(*device::deviceState().device, frame, error)) {
        return false;
    }
    if (bigscreen) {
        soft::GammaTable gamma;
        gamma.set(shell::bigscreenGammaRamp());
        std::vector<std::uint32_t> ramped;
        gamma.apply(frame.pixels.data(), frame.width, frame.height, frame.width, ramped);
        frame.pixels = std::move(ramped);
    }
    return true;
}

// The shell, the presentation over it and its start-up, shared by every mode.
class HeadlessSession {
public:
    explicit HeadlessSession(const HeadlessRun& run)
        : run_(run),
          shell_(run.target),
          presentation_(shell::ShellServices{.dialog = nullptr,
                                             .window = shell_,
                                             .timer = shell_,
                                             .cursor = shell_,
                                             .deviceHost = shell_,
                                             .process = shell_,
                                             .direct3D = [this] { return createDirect3D(); }},
                        run.scene) {}

    // False after saying why.
    bool startUp() {
        // The music starts as it does in a window, on a device that plays nothing: the soundtrack of a
        // capture is rendered on its own, and no message says that there is no sound.
        std::string error;
        if (!platform::selectAudioDevice("offline", error)) {
            fail(error);
        }
        shell::SetupOptions options = run_.commandLine.setup.value_or(shell::SetupOptions{});
        options.fullscreen = false;
        if (presentation_.startUp(options)) {
            fail("the presentation could not start");
            return false;
        }
        return true;
    }

    HeadlessShell& shell() { return shell_; }
    shell::Presentation& presentation() { return presentation_; }
    shell::Demo& root() { return *presentation_.root(); }
    bool bigscreen() const { return presentation_.options().bigscreen; }

private:
    device::DeviceRef<device::IDirect3D9> createDirect3D() {
        platform::Direct3DCreation created = platform::createDirect3D(run_.deviceName);
        if (!created.direct3d) {
            fail(created.error);
        }
        return std::move(created.direct3d);
    }

    const HeadlessRun& run_;
    HeadlessShell shell_;
    shell::Presentation presentation_;
};

// A script's end time that is not a number, negative or beyond a day gives no capture or soundtrack.
bool endTimeUsable(HeadlessSession& session) {
    const float end = session.root().endTime();
    if (std::isfinite(end) && end >= 0.0f && end <= shell::kMaxFrameSeconds) {
        return true;
    }
    fail("the presentation's end time (" + seconds(end) + " s) is not a usable length");
    session.presentation().tearDown();
    return false;
}

int renderOneFrame(const HeadlessRun& run) {
    const shell::CommandLine& line = run.commandLine;
    HeadlessSession session(run);
    if (!session.startUp()) {
        return 1;
    }
    shell::Demo& root = session.root();
    // The option's range keeps the milliseconds within the timer's 32 bits.
    const auto targetMs = static_cast<std::uint32_t>(std::llround(line.frameSeconds * 1000.0));
    const float target = shell::presentationTime(targetMs, 0);
    if (target > root.endTime()) {
        fail("--frame " + seconds(line.frameSeconds) + " is after the end of the presentation (" +
             seconds(root.endTime()) + " s)");
        session.presentation().tearDown();
        return 2;
    }
    // The frames before it, as the frame loop would have advanced the schedule; only the last is drawn.
    for (std::int64_t index = 0;; ++index) {
        const std::uint32_t ms = frameMilliseconds(index, line.fps);
        if (ms >= targetMs) {
            break;
        }
        if (root.timeline() != nullptr) {
            root.timeline()->update(shell::presentationTime(ms, 0));
        }
    }
    root.runFrame(target);
    Frame frame;
    std::string error;
    const bool written =
        readFrame(session.bigscreen(), frame, error) &&
        writePngAtomically(line.output, frame.width, frame.height, frame.pixels, error);
    session.presentation().tearDown();
    if (!written) {
        fail(error);
        return 1;
    }
    return 0;
}

// Sees every drawn frame: reads it back, hands it on and moves the clock to the next frame's time.
class CaptureObserver final : public shell::FrameObserver {
public:
    CaptureObserver(HeadlessSession& session, CaptureOutput& output, int fps, std::int64_t total)
        : session_(session), output_(output), fps_(fps), progress_(total) {}

    void frameDrawn(float) override {
        if (error_.empty()) {
            Frame frame;
            if (!readFrame(session_.bigscreen(), frame, error_) || !output_.write(frame, error_)) {
                session_.shell().requestClose();
            }
        }
        ++frames_;
        progress_.update(frames_);
        session_.shell().setTime(frameMilliseconds(frames_, fps_));
    }

    const std::string& error() const { return error_; }
    double finish() { return progress_.finish(frames_); }
    std::int64_t frames() const { return frames_; }

private:
    HeadlessSession& session_;
    CaptureOutput& output_;
    int fps_;
    ProgressLine progress_;
    std::int64_t frames_ = 0;
    std::string error_;
};

bool isVideoTarget(const std::string& target) {
    const std::string extension = std::filesystem::path(target).extension().string();
    return extension == ".mp4" || extension == ".MP4";
}

// The soundtrack a video is made with, rendered beside the target and removed when the video is done.
class TemporarySoundtrack {
public:
    explicit TemporarySoundtrack(std::string path) : path_(std::move(path)) {}
    ~TemporarySoundtrack() {
        std::error_code code;
        std::filesystem::remove(path_, code);
    }
    TemporarySoundtrack(const TemporarySoundtrack&) = delete;
    TemporarySoundtrack& operator=(const TemporarySoundtrack&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The capture's output: the video (after its soundtrack, which ffmpeg reads as its second input) or the
// folder of frames with soundtrack.wav. Null after saying why.
std::unique_ptr<CaptureOutput> openCaptureOutput(const shell::CommandLine& line, const std::string& ffmpeg,
                                                 const music::Music* music, std::int64_t soundFrames,
                                                 std::optional<TemporarySoundtrack>& videoSound) {
    std::string error;
    std::unique_ptr<CaptureOutput> output;
    if (ffmpeg.empty()) {
        output = openPngSequence(line.output, error);
        const std::string wav = (std::filesystem::path(line.output) / "soundtrack.wav").string();
        if (output != nullptr && music != nullptr && !writeSoundtrackWav(*music, soundFrames, wav, error)) {
            output.reset();
        }
    } else {
        std::string wav;
        if (music != nullptr) {
            videoSound.emplace(partPathFor(line.output) + ".wav");
            wav = videoSound->path();
        }
        if (wav.empty() || writeSoundtrackWav(*music, soundFrames, wav, error)) {
            output = openVideo(ffmpeg, line.output, line.fps, kFrameWidth, kFrameHeight, wav, error);
        }
    }
    if (output == nullptr) {
        fail(error);
    }
    return output;
}

int capture(const HeadlessRun& run) {
    const shell::CommandLine& line = run.commandLine;
    std::string ffmpeg;
    if (isVideoTarget(line.output)) {
        ffmpeg = findFfmpeg();
        if (ffmpeg.empty()) {
            fail("--capture " + line.output +
                 " makes the video with ffmpeg, which is not installed (or not on the PATH); install it, or "
                 "capture PNG frames and the soundtrack into a folder: --capture DIR");
            return 1;
        }
    }
    HeadlessSession session(run);
    if (!session.startUp() || !endTimeUsable(session)) {
        return 1;
    }
    shell::Demo& root = session.root();
    std::optional<TemporarySoundtrack> videoSound;
    std::unique_ptr<CaptureOutput> output =
        openCaptureOutput(line, ffmpeg, root.music(), soundtrackFrames(root.endTime()), videoSound);
    if (output == nullptr) {
        session.presentation().tearDown();
        return 1;
    }
    const std::int64_t total = framesUntil(root.endTime(), line.fps);
    CaptureObserver observer(session, *output, line.fps, total);
    session.presentation().runFrames(&observer);
    const double fps = observer.finish();
    std::string error = observer.error();
    const bool finished = error.empty() && observer.frames() == total && output->finish(error);
    output.reset();
    session.presentation().tearDown();
    if (!finished) {
        fail(error.empty() ? "the capture ended early" : error);
        return 1;
    }
    std::fprintf(stderr, "velbry2007: captured %lld frames at %d fps (rendered at %.1f fps) to %s\n",
                 static_cast<long long>(total), line.fps, fps, line.output.c_str());
    return 0;
}

int renderAudio(const HeadlessRun& run) {
    HeadlessSession session(run);
    if (!session.startUp() || !endTimeUsable(session)) {
        return 1;
    }
    shell::Demo& root = session.root();
    std::string error;
    bool written = false;
    if (root.music() == nullptr) {
        error = "the scene script has no music";
    } else {
        written = writeSoundtrackWav(*root.music(), soundtrackFrames(root.endTime()), run.commandLine.output, error);
    }
    session.presentation().tearDown();
    if (!written) {
        fail(error);
        return 1;
    }
    return 0;
}

}  // namespace

std::uint32_t frameMilliseconds(std::int64_t index, int fps) {
    return static_cast<std::uint32_t>(index * 1000 / fps);
}

std::int64_t framesUntil(float endTime, int fps) {
    std::int64_t index = 0;
    while (!(shell::presentationTime(frameMilliseconds(index, fps), 0) >= endTime) &&
           frameMilliseconds(index, fps) < 1000 * static_cast<std::uint32_t>(shell::kMaxFrameSeconds)) {
        ++index;
    }
    return index + 1;
}

int runHeadless(const HeadlessRun& run) {
    switch (run.commandLine.mode) {
        case shell::RunMode::Frame:
            return renderOneFrame(run);
        case shell::RunMode::Capture:
            return capture(run);
        case shell::RunMode::RenderAudio:
            return renderAudio(run);
        default:
            return 2;
    }
}

}  // namespace headless
