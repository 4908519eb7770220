// Where a capture's frames go: numbered PNG files in a folder, or the standard input of an ffmpeg that
// encodes them with the soundtrack into a video. Either way nothing looks complete before it is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/headless/frame_capture.h"

namespace headless {

class CaptureOutput {
public:
    virtual ~CaptureOutput() = default;
    // Takes the next frame; false with the reason in error.
    virtual bool write(const Frame& frame, std::string& error) = 0;
    // Completes the output after the last frame; false with the reason in error (nothing is left that
    // looks complete).
    virtual bool finish(std::string& error) = 0;
};

// DIR/frame_00000.png, DIR/frame_00001.png, ...; the folder is created when missing.
std::unique_ptr<CaptureOutput> openPngSequence(const std::string& directory, std::string& error);

// The path of the frame file number index in a PNG sequence.
std::string sequenceFramePath(const std::string& directory, std::int64_t index);

// The ffmpeg program on the PATH, or empty.
std::string findFfmpeg();

// Starts ffmpeg reading width x height raw frames at fps from a pipe, with the WAV file as its sound (none
// when empty), writing an H.264/AAC MP4 to path when finished.
std::unique_ptr<CaptureOutput> openVideo(const std::string& ffmpeg, const std::string& path, int fps, int width,
                                         int height, const std::string& soundtrackWav, std::string& error);

// A line on stderr while a capture runs: frame, percent, frames per second and time left. On a terminal it
// is rewritten in place a few times a second; otherwise a line is added every ten percent.
class ProgressLine {
public:
    explicit ProgressLine(std::int64_t totalFrames);
    void update(std::int64_t framesDone);
    // Ends the line and returns the average frames per second.
    double finish(std::int64_t framesDone);

private:
    void print(std::int64_t framesDone, bool force);

    std::int64_t total_;
    bool terminal_;
    double startSeconds_;
    double lastPrintSeconds_ = -1.0;
    std::int64_t lastTenth_ = -1;
    std::int64_t lastPrinted_ = -1;
};

}  // namespace headless
