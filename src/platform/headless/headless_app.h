// The program's modes that need no display and no sound card: one frame to a PNG file, the whole
// presentation to PNG frames or a video, the soundtrack to a WAV file. They run the shell's own start-up
// and frame loop on a clock driven by the frame counter.
#pragma once

#include <cstdint>
#include <string>

#include "platform/headless/headless_shell.h"
#include "shell/command_line.h"
#include "shell/presentation.h"

namespace headless {

struct HeadlessRun {
    shell::CommandLine commandLine;  // mode Frame, Capture or RenderAudio
    HeadlessTarget target;
    std::string deviceName;          // the device backend: "soft", or "d3d9" on Windows
    shell::SceneSource scene;
};

// The timer reading of frame index at fps frames per second: what a millisecond timer shows then.
std::uint32_t frameMilliseconds(std::int64_t index, int fps);

// The number of frames the frame loop draws until the root's end time at fps (the last one at or after it).
std::int64_t framesUntil(float endTime, int fps);

// Runs the mode; the exit code (0 success, 1 failure, 2 a time outside the presentation).
int runHeadless(const HeadlessRun& run);

}  // namespace headless
