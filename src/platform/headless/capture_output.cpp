// Capture outputs: PNG sequences, the ffmpeg pipe, and the progress line.
#include "platform/headless/capture_output.h"

#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define VELBRY_POPEN _popen
#define VELBRY_PCLOSE _pclose
#define VELBRY_ISATTY(file) _isatty(_fileno(file))
#else
#include <csignal>
#include <unistd.h>
#define VELBRY_POPEN popen
#define VELBRY_PCLOSE pclose
#define VELBRY_ISATTY(file) isatty(fileno(file))
#endif

#include "platform/headless/file_output.h"
#include "platform/headless/png_writer.h"

namespace headless {
namespace {

class PngSequence final : public CaptureOutput {
public:
    explicit PngSequence(std::string directory) : directory_(std::move(directory)) {}

    bool write(const Frame& frame, std::string& error) override {
        return writePngAtomically(sequenceFramePath(directory_, next_++), frame.width, frame.height, frame.pixels,
                                  error);
    }
    bool finish(std::string&) override { return true; }

private:
    std::string directory_;
    std::int64_t next_ = 0;
};

std::string quoteArgument(const std::string& text) {
#ifdef _WIN32
    return "\"" + text + "\"";
#else
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
#endif
}

class VideoPipe final : public CaptureOutput {
public:
    VideoPipe(std::FILE* pipe, std::string part, std::string path)
        : pipe_(pipe), part_(std::move(part)), path_(std::move(path)) {}

    ~VideoPipe() override {
        if (pipe_ != nullptr) {
            VELBRY_PCLOSE(pipe_);
            removePart();
        }
    }

    bool write(const Frame& frame, std::string& error) override {
        const std::size_t bytes = frame.pixels.size() * sizeof(std::uint32_t);
        if (std::fwrite(frame.pixels.data(), 1, bytes, pipe_) != bytes) {
            error = "ffmpeg stopped taking frames (see its messages above)";
            return false;
        }
        return true;
    }

    bool finish(std::string& error) override {
        const int status = VELBRY_PCLOSE(pipe_);
        pipe_ = nullptr;
        if (status != 0) {
            error = "ffmpeg failed to make " + path_ + " (see its messages above)";
            removePart();
            return false;
        }
        return commitPart(part_, path_, error);
    }

private:
    void removePart() {
        std::error_code code;
        std::filesystem::remove(part_, code);
    }

    std::FILE* pipe_;
    std::string part_;
    std::string path_;
};

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string sequenceFramePath(const std::string& directory, std::int64_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05" PRId64 ".png", index);
    return (std::filesystem::path(directory) / name).string();
}

std::unique_ptr<CaptureOutput> openPngSequence(const std::string& directory, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    if (code || !std::filesystem::is_directory(directory, code)) {
        error = "cannot create the folder " + directory + (code ? ": " + code.message() : std::string());
        return nullptr;
    }
    return std::make_unique<PngSequence>(directory);
}

std::string findFfmpeg() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
#ifdef _WIN32
    const char separator = ';';
    const char* names[] = {"ffmpeg.exe"};
#else
    const char separator = ':';
    const char* names[] = {"ffmpeg"};
#endif
    const std::string list = path;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t end = list.find(separator, start);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string directory = list.substr(start, end - start);
        for (const char* name : names) {
            std::error_code code;
            const std::filesystem::path candidate = std::filesystem::path(directory.empty() ? "." : directory) / name;
            if (std::filesystem::is_regular_file(candidate, code)) {
                return candidate.string();
            }
        }
        start = end + 1;
    }
    return {};
}

std::unique_ptr<CaptureOutput> openVideo(const std::string& ffmpeg, const std::string& path, int fps, int width,
                                         int height, const std::string& soundtrackWav, std::string& error) {
#ifndef _WIN32
    // A failing ffmpeg closes its end of the pipe; the next write must fail, not kill the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const std::string part = partPathFor(path);
    const std::string sound =
        soundtrackWav.empty() ? std::string() : " -i " + quoteArgument(soundtrackWav) + " -c:a aac -b:a 192k";
    std::string command = quoteArgument(ffmpeg) + " -nostdin -loglevel error -y -f rawvideo -pixel_format bgr0" +
                          " -video_size " + std::to_string(width) + "x" + std::to_string(height) + " -framerate " +
                          std::to_string(fps) + " -i -" + sound +
                          " -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -movflags +faststart -f mp4 " +
                          quoteArgument(part);
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of a command line that starts with one.
    command = "\"" + command + "\"";
    std::FILE* pipe = VELBRY_POPEN(command.c_str(), "wb");
#else
    std::FILE* pipe = VELBRY_POPEN(command.c_str(), "w");
#endif
    if (pipe == nullptr) {
        error = "cannot start " + ffmpeg;
        return nullptr;
    }
    return std::make_unique<VideoPipe>(pipe, part, path);
}

ProgressLine::ProgressLine(std::int64_t totalFrames)
    : total_(totalFrames > 0 ? totalFrames : 1), terminal_(VELBRY_ISATTY(stderr) != 0), startSeconds_(nowSeconds()) {}

void ProgressLine::update(std::int64_t framesDone) { print(framesDone, false); }

double ProgressLine::finish(std::int64_t framesDone) {
    print(framesDone, true);
    if (terminal_) {
        std::fputc('\n', stderr);
    }
    const double elapsed = nowSeconds() - startSeconds_;
    return elapsed > 0.0 ? static_cast<double>(framesDone) / elapsed : 0.0;
}

void ProgressLine::print(std::int64_t framesDone, bool force) {
    const double now = nowSeconds();
    const std::int64_t tenth = framesDone * 10 / total_;
    if (framesDone == lastPrinted_) {
        return;
    }
    if (!force) {
        if (terminal_ && now - lastPrintSeconds_ < 0.25) {
            return;
        }
        if (!terminal_ && tenth == lastTenth_) {
            return;
        }
    }
    lastPrintSeconds_ = now;
    lastTenth_ = tenth;
    lastPrinted_ = framesDone;
    const double elapsed = now - startSeconds_;
    const double fps = elapsed > 0.0 ? static_cast<double>(framesDone) / elapsed : 0.0;
    const double left = fps > 0.0 ? static_cast<double>(total_ - framesDone) / fps : 0.0;
    const auto leftSeconds = static_cast<long long>(left + 0.5);
    std::fprintf(stderr, "%svelbry2007: frame %" PRId64 " of %" PRId64 " (%" PRId64 "%%), %.1f fps, %lld:%02lld left%s",
                 terminal_ ? "\r" : "", framesDone, total_, framesDone * 100 / total_, fps, leftSeconds / 60,
                 leftSeconds % 60, terminal_ ? "   " : "\n");
    std::fflush(stderr);
}

}  // namespace headless
