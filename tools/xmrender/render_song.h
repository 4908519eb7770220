// xmrender's work, kept apart from main() so that tests can run it: argument parsing, the offline render
// of a module through the block loop (once through its order list, or for a fixed time) into a WAV file.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "music/module.h"
#include "music/playback_rules.h"

namespace xmrender {

constexpr std::int32_t kSampleRate = 44100;
// Without --seconds a song that never comes back to a row it played still ends after this long.
constexpr std::int64_t kMaxSongFrames = std::int64_t{30} * 60 * kSampleRate;
// --seconds is limited so that the data chunk stays below the 4 GiB a RIFF size field can hold.
constexpr double kMaxSeconds = 6.0 * 3600.0;

struct Options {
    std::string input;
    std::string output;
    std::optional<double> seconds;  // none: once through the song
    music::PlaybackRules rules = music::PlaybackRules::FastTracker2;
    bool help = false;
};

// Parses the arguments after the program name. Returns nothing and sets `error` for bad arguments.
std::optional<Options> parseArguments(const std::vector<std::string>& arguments, std::string& error);

// Receives rendered 16-bit stereo frames, left first.
using FrameSink = std::function<void(const std::int16_t* frames, std::int32_t count)>;

// Plays a loaded module from its start through preparePlayback and renderBlock, in blocks as long as the
// audio output's, handing the frames to `sink`. With `frames`, renders exactly that many. Without, stops
// at the start of the first row that the song reaches a second time (so at the point where it would
// loop; a running pattern loop may revisit rows), or at kMaxSongFrames. Returns the frames rendered.
std::int64_t renderModule(music::Module& module, std::optional<std::int64_t> frames, const FrameSink& sink);

// Renders as renderModule does into a 16-bit stereo WAV file at kSampleRate. False with the reason in
// `error` when the file cannot be written; `rendered` receives the frames rendered.
bool renderToWav(music::Module& module, std::optional<std::int64_t> frames, const std::string& path,
                 std::int64_t& rendered, std::string& error);

// The whole program: 0 on success, 1 when the module or a file fails, 2 for bad arguments.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace xmrender
