// CPU load of the audio output thread during real-time playback, as a share of one core, next to the CPU
// time of rendering the same stretch of music straight (no device, no polling) measured in the same run.
//
//   SDL_AUDIODRIVER=dummy audio_thread_load [--seconds 10] [--device sdl2] [song.xm]
//
// Without a file it plays a generated 20-channel song shaped like the presentation's (a note on every
// channel every other row, looped 8- and 16-bit samples, vibrato and volume slides).
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/audio_output.h"
#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/playback_state.h"
#include "platform/audio_factory.h"
#include "xm_writer.h"

namespace {

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The CPU time of the thread that the wrapped device starts, taken by the thread itself when it ends.
music::ThreadProcedure measuredProcedure = nullptr;
std::atomic<double> measuredThreadCpu{0.0};

music::DWORD measuredThread() {
    const double start = threadCpuSeconds();
    const music::DWORD result = measuredProcedure();
    measuredThreadCpu = threadCpuSeconds() - start;
    return result;
}

// Passes everything to a real backend, wrapping only the output thread's procedure.
class MeasuredDevice : public music::AudioDevice {
public:
    explicit MeasuredDevice(music::AudioDevice& inner) : inner_(inner) {}

    music::MMRESULT open(music::UINT id, const music::WAVEFORMATEX& format, music::DWORD flags) override {
        return inner_.open(id, format, flags);
    }
    music::MMRESULT prepareHeader(music::WAVEHDR& header) override { return inner_.prepareHeader(header); }
    music::MMRESULT write(music::WAVEHDR& header) override { return inner_.write(header); }
    music::MMRESULT getPosition(music::MMTIME& time) override { return inner_.getPosition(time); }
    music::MMRESULT reset() override { return inner_.reset(); }
    music::MMRESULT unprepareHeader(music::WAVEHDR& header) override { return inner_.unprepareHeader(header); }
    music::MMRESULT close() override { return inner_.close(); }
    bool startThread(music::ThreadProcedure procedure, int priority) override {
        measuredProcedure = procedure;
        return inner_.startThread(&measuredThread, priority);
    }
    void releaseThread() override { inner_.releaseThread(); }
    void sleep(music::DWORD milliseconds) override { inner_.sleep(milliseconds); }

private:
    music::AudioDevice& inner_;
};

xmwriter::Sample loopedWave(int bits, int length, int harmonics, xmwriter::LoopType loop) {
    xmwriter::Sample sample;
    sample.bits = bits;
    const int peak = bits == 16 ? 12000 : 50;
    for (int i = 0; i < length; ++i) {
        int value = 0;
        for (int h = 1; h <= harmonics; ++h) {
            value += (((i * h) % length) * 2 * peak / length - peak) / h;
        }
        sample.frames.push_back(value);
    }
    sample.loop = loop;
    sample.loopStart = 0;
    sample.loopLength = static_cast<std::uint32_t>(length);
    return sample;
}

std::vector<std::uint8_t> generatedSong() {
    constexpr int kChannels = 20;
    xmwriter::Song song;
    song.channels = kChannels;
    song.defaultSpeed = 6;
    song.defaultBpm = 160;
    for (int p = 0; p < 4; ++p) {
        xmwriter::Pattern& pattern = song.patterns.emplace_back(64, kChannels);
        for (int row = 0; row < 64; row += 2) {
            for (int c = 0; c < kChannels; ++c) {
                const auto note = static_cast<std::uint8_t>(25 + (row * 7 + c * 5 + p * 3) % 48);
                const auto instrument = static_cast<std::uint8_t>(1 + c % 4);
                const std::uint8_t effect = c % 3 == 0 ? 4 : (c % 3 == 1 ? 10 : 0);  // vibrato, volume slide
                pattern.at(row, c) = {note, instrument, static_cast<std::uint8_t>(0x20 + c), effect, 0x21};
            }
        }
        song.orders.push_back(static_cast<std::uint8_t>(p));
    }
    const xmwriter::LoopType loops[] = {xmwriter::LoopType::Forward, xmwriter::LoopType::PingPong};
    for (int i = 0; i < 4; ++i) {
        xmwriter::Instrument& instrument = song.instruments.emplace_back();
        instrument.samples.push_back(loopedWave(i % 2 == 0 ? 16 : 8, 1000 + 500 * i, 1 + i, loops[i % 2]));
    }
    return xmwriter::writeXm(song);
}

bool readFile(const char* path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::vector<std::uint8_t> chunk(1 << 16);
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
    std::fclose(file);
    return true;
}

music::Module* load(const std::vector<std::uint8_t>& song) {
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(song.data(), static_cast<std::int32_t>(song.size()));
    music::Module* module = music::loadModule(nullptr, nullptr);
    music::setMemoryFile(nullptr, 0);
    return module;
}

// CPU seconds of rendering `seconds` of the song block by block on this thread.
double straightRenderCpu(const std::vector<std::uint8_t>& song, double seconds) {
    music::Module* module = load(song);
    if (module == nullptr) {
        return 0.0;
    }
    const std::int32_t block = music::blockLengthFor(music::kMixRate);
    std::vector<float> mix(static_cast<std::size_t>(block) * 2);
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(block) * 2);
    const auto blocks = static_cast<std::int64_t>(seconds * music::kMixRate / block);
    const double start = threadCpuSeconds();
    music::preparePlayback(*module);
    for (std::int64_t b = 0; b < blocks; ++b) {
        music::renderBlock(*module, mix.data(), pcm.data(), block);
    }
    const double cpu = threadCpuSeconds() - start;
    music::freeModule(module);
    return cpu;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 10.0;
    std::string deviceName = "sdl2";
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
            deviceName = argv[++i];
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: %s [--seconds N] [--device NAME] [song.xm]\n", argv[0]);
            return 2;
        } else {
            path = argv[i];
        }
    }

    std::vector<std::uint8_t> song;
    if (path != nullptr ? !readFile(path, song) : (song = generatedSong()).empty()) {
        std::fprintf(stderr, "audio_thread_load: cannot read %s\n", path);
        return 1;
    }
    platform::AudioDeviceCreation creation = platform::createAudioDevice(deviceName);
    if (creation.device == nullptr) {
        std::fprintf(stderr, "audio_thread_load: %s\n", creation.error.c_str());
        return 1;
    }
    MeasuredDevice device(*creation.device);
    music::setAudioDevice(&device);

    music::Module* module = load(song);
    if (module == nullptr) {
        std::fprintf(stderr, "audio_thread_load: the song does not load: %s\n", music::lastLoadError().c_str());
        return 1;
    }
    const auto wallStart = std::chrono::steady_clock::now();
    if (!music::startPlayback(module)) {
        return 1;
    }
    device.sleep(static_cast<music::DWORD>(seconds * 1000.0));
    music::stopPlayback(module);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    music::freeModule(module);
    music::setAudioDevice(nullptr);

    // The thread rendered the two seconds of the pre-fill ahead, so it rendered about `wall` seconds.
    const double threadCpu = measuredThreadCpu.load();
    const double reference = straightRenderCpu(song, wall);
    std::printf("song: %s, %zu bytes; device %s; %.2f s of playback\n", path != nullptr ? path : "generated",
                song.size(), deviceName.c_str(), wall);
    std::printf("output thread:   %.4f s CPU = %.2f %% of one core\n", threadCpu, 100.0 * threadCpu / wall);
    std::printf("straight render: %.4f s CPU for the same %.2f s of music = %.2f %% of one core\n", reference, wall,
                100.0 * reference / wall);
    if (reference > 0.0) {
        std::printf("thread / straight render: %.2f\n", threadCpu / reference);
    }
    return 0;
}
