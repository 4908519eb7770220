// Offline music rendering: 120 seconds of one module through the engine's loader, replayer and mixer,
// against two other XM players rendering the same module to a WAV file in the same run.
//
//   BM_RenderToWav     xmrender's path: load through MemoryFile, preparePlayback, renderBlock in 884-frame
//                      blocks (the audio output's), 16-bit samples into a WAV file in a temporary folder.
//   BM_RenderOnly      the same render into memory, without the file.
//   BM_Xmp             `xmp -q -i linear -l -t 120 -o FILE.wav MODULE` as a child process.
//   BM_Openmpt123      `openmpt123 --render --filter 2 --samplerate 44100 --repeat -1 --end-time 120
//                      --no-float --force -q MODULE`, which writes MODULE.wav, as a child process.
//
// How to read the output: each benchmark runs 5 repetitions of one render and prints the aggregates; read
// the *_median rows. Time is the processor time (user + system) of one 120-second render: of this process
// for the engine, of the child for the players (from wait4), so that other work on a busy machine does not
// blur the comparison; ignore the CPU column, which counts only this process. The counters x_xmp and
// x_openmpt123 on the engine's rows are that time divided by the median time (5 runs, measured once
// before the benchmarks) of the other player rendering the same module: below 1 means faster. The players
// run as processes, so their times include start-up and loading (a few milliseconds); BM_RenderToWav
// includes loading and writing the file as they do. A player that is not installed is reported skipped.
//
// The module: the first argument that is not a --benchmark_ flag; otherwise the presentation's module
// when the build has made it (build/data/velbry2007.xm); otherwise a module generated here (16 channels,
// forward, ping-pong and unlooped samples, slides, vibrato and volume-column work). The presentation's
// module plays by the engine's rules, every other by FastTracker 2's, as xmrender plays them. For a third-party
// module, tools/compare-xm.sh fetches Debian's ri-li-data package, whose jeu1.xm has 26 channels and 116 s:
//   build/release/bench/music_bench build/release/xmcompare/jeu1.xm
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "render_song.h"
#include "xm_writer.h"

extern char** environ;

namespace {

constexpr int kRepetitions = 5;
constexpr std::int64_t kSeconds = 120;
constexpr std::int64_t kFrames = kSeconds * xmrender::kSampleRate;
constexpr std::int32_t kBlockFrames = 884;

struct Setup {
    std::filesystem::path folder;  // temporary, holds the module copy and every rendered file
    std::filesystem::path module;  // the copy the players read
    std::string description;
    // As the presentation and xmrender play them: the soundtrack by the engine's rules, others by
    // FastTracker 2's.
    music::PlaybackRules rules = music::PlaybackRules::FastTracker2;
    std::vector<std::uint8_t> bytes;
};

Setup& setup() {
    static Setup s;
    return s;
}

// A module that exercises the mixer the way a busy song does, when no module file is at hand.
std::vector<std::uint8_t> generatedModule() {
    xmwriter::Song song;
    song.channels = 16;
    song.defaultSpeed = 6;
    song.defaultBpm = 140;
    const int instrumentCount = 4;
    for (int i = 0; i < instrumentCount; ++i) {
        xmwriter::Instrument& instrument = song.instruments.emplace_back();
        xmwriter::Sample& sample = instrument.samples.emplace_back();
        const int length = 2000 + 1500 * i;
        sample.bits = i % 2 == 0 ? 16 : 8;
        const double peak = sample.bits == 16 ? 12000.0 : 90.0;
        std::uint32_t seed = 12345u + static_cast<std::uint32_t>(i);
        for (int k = 0; k < length; ++k) {
            seed = seed * 1664525u + 1013904223u;
            const double tone = std::sin(k * (0.05 + 0.03 * i)) + 0.3 * std::sin(k * 0.31);
            const double noise = i == 3 ? (static_cast<double>(seed >> 16) / 32768.0 - 1.0) : 0.0;
            sample.frames.push_back(static_cast<std::int32_t>(peak * 0.7 * (tone + noise) / 1.3));
        }
        sample.loop = i == 0 ? xmwriter::LoopType::Forward
                             : (i == 1 ? xmwriter::LoopType::PingPong : (i == 2 ? xmwriter::LoopType::Forward
                                                                                : xmwriter::LoopType::None));
        sample.loopStart = static_cast<std::uint32_t>(length / 4);
        sample.loopLength = static_cast<std::uint32_t>(length / 2);
        sample.panning = static_cast<std::uint8_t>(40 + 60 * i);
        instrument.volumeEnvelope.points = {{0, 64}, {20, 40}, {60, 20}, {120, 0}};
        instrument.volumeEnvelope.sustain = 1;
        instrument.volumeEnvelope.type = xmwriter::kEnvelopeOn | xmwriter::kEnvelopeSustain;
        instrument.fadeout = 400;
    }
    for (int p = 0; p < 4; ++p) {
        xmwriter::Pattern& pattern = song.patterns.emplace_back(64, song.channels);
        for (int row = 0; row < 64; ++row) {
            for (int c = 0; c < song.channels; ++c) {
                if ((row + c) % 4 != 0) continue;
                xmwriter::Cell& cell = pattern.at(row, c);
                cell.note = static_cast<std::uint8_t>(25 + (row * 7 + c * 5 + p * 3) % 48);
                cell.instrument = static_cast<std::uint8_t>(1 + (c + p) % instrumentCount);
                cell.volume = static_cast<std::uint8_t>(0x10 + 24 + (c * 3) % 40);
                const int effect = (row / 4 + c) % 4;
                if (effect == 1) {
                    cell.effect = 4;  // vibrato
                    cell.parameter = 0x46;
                } else if (effect == 2) {
                    cell.effect = 0x0A;  // volume slide down
                    cell.parameter = 0x02;
                }
            }
        }
    }
    song.orders = {0, 1, 2, 3, 1, 2};
    return xmwriter::writeXm(song);
}

std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool prepare(const std::string& argument) {
    Setup& s = setup();
    s.folder = std::filesystem::temp_directory_path() / ("music_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(s.folder);
    std::optional<std::vector<std::uint8_t>> bytes;
    if (!argument.empty()) {
        bytes = readFile(argument);
        if (!bytes) {
            std::cerr << "music_bench: cannot read '" << argument << "'\n";
            return false;
        }
        s.description = argument;
    }
#ifdef VELBRY_SONG_MODULE
    if (!bytes && (bytes = readFile(VELBRY_SONG_MODULE))) {
        s.description = VELBRY_SONG_MODULE;
        s.rules = music::PlaybackRules::Engine;
    }
#endif
    if (!bytes) {
        bytes = generatedModule();
        s.description = "generated 16-channel test module";
    }
    s.bytes = *bytes;
    s.module = s.folder / "module.xm";
    std::ofstream(s.module, std::ios::binary)
        .write(reinterpret_cast<const char*>(s.bytes.data()), static_cast<std::streamsize>(s.bytes.size()));
    return true;
}

music::Module* loadModule() {
    const Setup& s = setup();
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(s.bytes.data(), static_cast<std::int32_t>(s.bytes.size()));
    music::Module* module = music::loadModule("module", nullptr, s.rules);
    music::setMemoryFile(nullptr, 0);
    return module;
}

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); }

// Runs a program with its output discarded and measures the processor time it used (user + system);
// true when it exits with status 0.
bool runProgram(const std::vector<std::string>& command, double& cpuSeconds) {
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> xmpCommand() {
    return {"xmp", "-q", "-i", "linear", "-l", "-t", std::to_string(kSeconds), "-o",
            (setup().folder / "xmp.wav").string(), setup().module.string()};
}

std::vector<std::string> openmptCommand() {
    return {"openmpt123", "--render", "--filter", "2", "--samplerate", "44100", "--repeat", "-1", "--end-time",
            std::to_string(kSeconds), "--no-float", "--force", "-q", "--", setup().module.string()};
}

double secondsOf(const std::vector<std::string>& command, bool& ok) {
    double cpu = 0.0;
    ok = runProgram(command, cpu);
    return cpu;
}

// Processor time of this process (user + system); the engine renders on one thread.
double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Median of kRepetitions runs of a player, measured on first use; nothing when it fails or is missing.
std::optional<double> referenceSeconds(const std::vector<std::string>& command) {
    std::vector<double> samples;
    for (int i = 0; i < kRepetitions; ++i) {
        bool ok = false;
        const double used = secondsOf(command, ok);
        if (!ok) return std::nullopt;
        samples.push_back(used);
    }
    std::nth_element(samples.begin(), samples.begin() + kRepetitions / 2, samples.end());
    return samples[kRepetitions / 2];
}

const std::optional<double>& xmpSeconds() {
    static const std::optional<double> seconds = referenceSeconds(xmpCommand());
    return seconds;
}

const std::optional<double>& openmptSeconds() {
    static const std::optional<double> seconds = referenceSeconds(openmptCommand());
    return seconds;
}

template <typename Work>
void timeAgainstPlayers(benchmark::State& state, Work work) {
    double total = 0.0;
    for (auto _ : state) {
        const double start = processSeconds();
        if (!work()) {
            state.SkipWithError("the module did not load");
            return;
        }
        const double used = processSeconds() - start;
        state.SetIterationTime(used);
        total += used;
    }
    const double mean = total / static_cast<double>(state.iterations());
    if (xmpSeconds()) state.counters["x_xmp"] = mean / *xmpSeconds();
    if (openmptSeconds()) state.counters["x_openmpt123"] = mean / *openmptSeconds();
}

void BM_RenderToWav(benchmark::State& state) {
    const std::filesystem::path output = setup().folder / "engine.wav";
    timeAgainstPlayers(state, [&] {
        music::Module* module = loadModule();
        if (module == nullptr) return false;
        std::int64_t rendered = 0;
        std::string error;
        xmrender::renderToWav(*module, kFrames, output.string(), rendered, error);
        music::freeModule(module);
        return true;
    });
}

void BM_RenderOnly(benchmark::State& state) {
    std::vector<float> mix(2 * kBlockFrames);
    std::vector<std::int16_t> pcm(2 * static_cast<std::size_t>(kFrames));
    timeAgainstPlayers(state, [&] {
        music::Module* module = loadModule();
        if (module == nullptr) return false;
        music::preparePlayback(*module);
        for (std::int64_t done = 0; done < kFrames; done += kBlockFrames) {
            const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(kBlockFrames, kFrames - done));
            music::renderBlock(*module, mix.data(), pcm.data() + 2 * done, count);
        }
        benchmark::DoNotOptimize(pcm.data());
        music::freeModule(module);
        return true;
    });
}

void timePlayer(benchmark::State& state, const std::vector<std::string>& command) {
    for (auto _ : state) {
        bool ok = false;
        const double used = secondsOf(command, ok);
        if (!ok) {
            state.SkipWithError(("'" + command[0] + "' did not render the module (not installed?)").c_str());
            return;
        }
        state.SetIterationTime(used);
    }
}

void BM_Xmp(benchmark::State& state) { timePlayer(state, xmpCommand()); }
void BM_Openmpt123(benchmark::State& state) { timePlayer(state, openmptCommand()); }

}  // namespace

BENCHMARK(BM_RenderToWav)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RenderOnly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Xmp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Openmpt123)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string module;
    for (int i = 1; i < argc; ++i) {
        if (module.empty()) {
            module = argv[i];
        } else {
            std::cerr << "music_bench: unexpected argument '" << argv[i] << "'\n";
            return 2;
        }
    }
    if (!prepare(module)) return 1;
    std::cout << "module: " << setup().description << " (rules " << music::playbackRulesName(setup().rules)
              << ")\n";
    // The players' reference times, before anything else runs.
    xmpSeconds();
    openmptSeconds();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(setup().folder);
    return 0;
}
