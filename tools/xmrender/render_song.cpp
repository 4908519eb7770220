// Offline rendering of an XM module to a WAV file with the engine's own loader, replayer and mixer.
#include "render_song.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <unordered_set>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/playback_state.h"
#include "platform/headless/wav_writer.h"

namespace xmrender {
namespace {

constexpr const char* kUsage = "usage: xmrender [--seconds N] [--rules ft2|engine] INPUT.xm OUTPUT.wav";
// Blocks as long as the audio output thread's, so that the file sounds exactly like the live output.
constexpr std::int32_t kBlockFrames = (kSampleRate * 20 / 1000 + 3) & ~3;

std::optional<double> parseSeconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !(value > 0.0) || value > kMaxSeconds) return std::nullopt;
    return value;
}

// Watches the rows the song starts while renderBlock ticks it. One render at a time, so the tick hook
// finds its watcher in a static.
struct LoopWatch {
    music::TickProcedure procedure = nullptr;  // the module's own tick
    std::unordered_set<std::uint64_t> playedRows;
    std::int64_t tickOffset = 0;  // where in the current block the next tick falls
    std::optional<std::int64_t> stopOffset;
};
LoopWatch* activeWatch = nullptr;

bool patternLoopRunning() {
    for (const music::Channel& channel : music::playbackState().channels)
        if (channel.patternLoopCounter != 0) return true;
    return false;
}

void watchedTick(music::Module& module) {
    LoopWatch& watch = *activeWatch;
    const bool rowStart = module.tickCounter == 0;
    // Asked before the row runs: the last pass of a pattern loop clears the counter on its final row.
    const bool inPatternLoop = rowStart && patternLoopRunning();
    if (watch.procedure != nullptr) watch.procedure(module);
    const std::int64_t offset = watch.tickOffset;
    // renderBlock takes the samples of this tick next, or the rest of the block when there are none.
    watch.tickOffset = module.samplesPerTick > 0 ? offset + module.samplesPerTick : kBlockFrames;
    if (!rowStart || watch.stopOffset) return;
    const std::uint64_t row = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(module.currentOrder)) << 32) |
                              static_cast<std::uint32_t>(module.currentRow);
    if (!watch.playedRows.insert(row).second && !inPatternLoop) watch.stopOffset = offset;
}

// Stores `value` little-endian in `bytes` bytes at `offset`, whatever the host's byte order.

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "read error";
        return std::nullopt;
    }
    return bytes;
}

// Loads through MemoryFile, the way the presentation loads its embedded module.
music::Module* loadFromMemory(const std::vector<std::uint8_t>& bytes, music::PlaybackRules rules) {
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    music::Module* module = music::loadModule("module", nullptr, rules);
    music::setMemoryFile(nullptr, 0);
    return module;
}

void printHelp(std::ostream& out) {
    out << kUsage << "\n\n"
        << "Renders an XM module with the engine's loader, replayer and mixer to a 16-bit stereo\n"
        << "44,100 Hz WAV file, exactly as the presentation's audio output would play it.\n\n"
        << "Without --seconds the song is rendered once through its order list and stops where it\n"
        << "would start over (the first row it reaches a second time, pattern loops aside), or after\n"
        << "30 minutes.\n\n"
        << "  --seconds N  render N seconds (up to 21600, fractions allowed), looping as the song does\n"
        << "  --rules R    ft2 (the default): play as FastTracker 2 does, for modules made in it and its\n"
        << "               successors; engine: the engine's own rules, which the presentation's\n"
        << "               soundtrack is written for\n"
        << "  --help       show this text\n\n"
        << "Exit status: 0 success, 1 unreadable or invalid module or unwritable output, 2 bad arguments.\n";
}

// "--name VALUE" or "--name=VALUE".
bool isOption(const std::string& argument, const std::string& name) {
    return argument == name || argument.rfind(name + "=", 0) == 0;
}

// The option's value, from the same argument or the next (which it then consumes).
bool optionValue(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
                 std::string& value, std::string& error) {
    if (arguments[i] != name) {
        value = arguments[i].substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= arguments.size()) {
        error = name + " needs a value";
        return false;
    }
    value = arguments[++i];
    return true;
}

}  // namespace

std::optional<Options> parseArguments(const std::vector<std::string>& arguments, std::string& error) {
    Options options;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (isOption(a, "--seconds")) {
            std::string value;
            if (!optionValue(arguments, i, "--seconds", value, error)) return std::nullopt;
            options.seconds = parseSeconds(value);
            if (!options.seconds) {
                error = "--seconds wants a number of seconds above 0 and at most 21600, not '" + value + "'";
                return std::nullopt;
            }
        } else if (isOption(a, "--rules")) {
            std::string value;
            if (!optionValue(arguments, i, "--rules", value, error)) return std::nullopt;
            if (!music::parsePlaybackRules(value, options.rules)) {
                error = "--rules wants ft2 or engine, not '" + value + "'";
                return std::nullopt;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return std::nullopt;
        } else {
            files.push_back(a);
        }
    }
    if (options.help) return options;
    if (files.size() != 2) {
        error = files.size() < 2 ? "an input module and an output file are needed" : "too many arguments";
        return std::nullopt;
    }
    options.input = files[0];
    options.output = files[1];
    return options;
}

std::int64_t renderModule(music::Module& module, std::optional<std::int64_t> frames, const FrameSink& sink) {
    music::preparePlayback(module);
    LoopWatch watch;
    const music::TickProcedure original = module.tickProcedure;
    if (!frames) {
        watch.procedure = original;
        module.tickProcedure = &watchedTick;
        activeWatch = &watch;
    }
    const std::int64_t limit = frames ? *frames : kMaxSongFrames;
    std::vector<float> mix(2 * static_cast<std::size_t>(kBlockFrames));
    std::vector<std::int16_t> pcm(2 * static_cast<std::size_t>(kBlockFrames));
    std::int64_t done = 0;
    while (done < limit) {
        const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(kBlockFrames, limit - done));
        watch.tickOffset = module.samplesLeftInTick;
        music::renderBlock(module, mix.data(), pcm.data(), count);
        const auto keep = static_cast<std::int32_t>(watch.stopOffset ? *watch.stopOffset : count);
        if (keep > 0) sink(pcm.data(), keep);
        done += keep;
        if (watch.stopOffset) break;
    }
    module.tickProcedure = original;
    activeWatch = nullptr;
    return done;
}

bool renderToWav(music::Module& module, std::optional<std::int64_t> frames, const std::string& path,
                 std::int64_t& rendered, std::string& error) {
    // The writer takes the bytes of 16-bit values as they lie in memory, which WAVE wants little-endian.
    static_assert(std::endian::native == std::endian::little, "WAV data are written as the host's int16 bytes");
    headless::WavWriter wav;
    if (!wav.open(path, kSampleRate, 2, error)) {
        error = "the file cannot be created";
        return false;
    }
    rendered = renderModule(module, frames, [&](const std::int16_t* pcm, std::int32_t count) {
        wav.write({reinterpret_cast<const std::uint8_t*>(pcm), 4 * static_cast<std::size_t>(count)});
    });
    if (!wav.close()) {
        error = "a write failed";
        return false;
    }
    return true;
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<Options> options = parseArguments(arguments, error);
    if (!options) {
        err << "xmrender: " << error << "\n" << kUsage << "\n";
        return 2;
    }
    if (options->help) {
        printHelp(out);
        return 0;
    }
    const std::optional<std::vector<std::uint8_t>> bytes = readFile(options->input, error);
    if (!bytes) {
        err << "xmrender: cannot read '" << options->input << "': " << error << "\n";
        return 1;
    }
    if (bytes->size() > static_cast<std::size_t>(INT32_MAX)) {
        err << "xmrender: '" << options->input << "' is too large to be a module\n";
        return 1;
    }
    music::Module* module = loadFromMemory(*bytes, options->rules);
    if (module == nullptr) {
        err << "xmrender: '" << options->input << "' is not a playable XM module: " << music::lastLoadError() << "\n";
        return 1;
    }
    std::optional<std::int64_t> frames;
    if (options->seconds) frames = std::llround(*options->seconds * kSampleRate);
    std::int64_t rendered = 0;
    const bool written = renderToWav(*module, frames, options->output, rendered, error);
    music::freeModule(module);
    if (!written) {
        err << "xmrender: cannot write '" << options->output << "': " << error << "\n";
        return 1;
    }
    out << "xmrender: " << options->output << ": " << rendered << " frames (" << static_cast<double>(rendered) / kSampleRate
        << " s)\n";
    return 0;
}

}  // namespace xmrender
