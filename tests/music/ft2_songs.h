// Small XM modules written with the XM writer for the FastTracker 2 rules tests, and what a listener
// measures of them tick by tick: the level of the mix and the pitch of one channel's voice.
//
// Setting VELBRY_WRITE_XM_DIR writes every module a test plays into that folder, so that the same files
// can be played by other trackers (openmpt123, xmp) for comparison.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/playback_state.h"
#include "music/playback_rules.h"
#include "xm_writer.h"

namespace ft2_songs {

using music::PlaybackRules;

constexpr int kTickFrames = 882;  // 125 BPM at 44100 Hz
constexpr std::uint8_t kC4 = 49;
constexpr std::uint8_t kKeyOff = 97;
constexpr double kC4Hz = 8363.0;

// A loud, looped sine of 32-frame period (a C-4 sounds at 261 Hz) whose default volume is `volume`.
inline xmwriter::Instrument sineInstrument(std::uint8_t volume = 64, bool looped = true, int frames = 1024) {
    xmwriter::Instrument instrument;
    xmwriter::Sample& sample = instrument.samples.emplace_back();
    sample.bits = 16;
    for (int i = 0; i < frames; ++i) {
        sample.frames.push_back(static_cast<std::int32_t>(std::lround(16000.0 * std::sin(i * 2.0 * M_PI / 32.0))));
    }
    if (looped) {
        sample.loop = xmwriter::LoopType::Forward;
        sample.loopLength = static_cast<std::uint32_t>(frames);
    }
    sample.volume = volume;
    return instrument;
}

// One pattern of `rows` rows on `channels` channels, speed 6 at 125 BPM, one looped sine instrument.
inline xmwriter::Song song(int rows, int channels = 1, int speed = 6) {
    xmwriter::Song song;
    // Named as the tracker names its files, so that other players take them as its modules.
    song.trackerName = "FastTracker v2.00";
    song.channels = channels;
    song.defaultSpeed = static_cast<std::uint16_t>(speed);
    song.patterns.emplace_back(rows, channels);
    song.orders = {0};
    song.instruments.push_back(sineInstrument());
    return song;
}

// What is heard in one tick.
struct Tick {
    double level = 0.0;      // peak of the mix after the gain ramp, 0..1 of full scale
    double frequency = 0.0;  // of the measured channel's voice in Hz; 0 while it plays nothing
};

inline std::vector<std::uint8_t> moduleBytes(const xmwriter::Song& song, const std::string& name) {
    std::vector<std::uint8_t> bytes = xmwriter::writeXm(song);
    if (const char* folder = std::getenv("VELBRY_WRITE_XM_DIR"); folder != nullptr && *folder != '\0') {
        std::filesystem::create_directories(folder);
        std::ofstream(std::filesystem::path(folder) / (name + ".xm"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return bytes;
}

inline music::Module* load(const std::vector<std::uint8_t>& bytes, PlaybackRules rules) {
    music::setFileCallbacks(music::memoryFileCallbacks());
    music::setMemoryFile(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    music::Module* module = music::loadModule("song", nullptr, rules);
    music::setMemoryFile(nullptr, 0);
    return module;
}

// Plays the song from its start for `ticks` ticks (all at 882 frames) and measures each.
inline std::vector<Tick> play(const xmwriter::Song& song, const std::string& name, PlaybackRules rules, int ticks,
                              int channel = 0) {
    const std::vector<std::uint8_t> bytes = moduleBytes(song, name);
    music::Module* module = load(bytes, rules);
    std::vector<Tick> heard;
    if (module == nullptr) {
        return heard;
    }
    music::preparePlayback(*module);
    std::vector<float> mix(2 * kTickFrames);
    std::vector<std::int16_t> pcm(2 * kTickFrames);
    constexpr int kRampFrames = 256;
    for (int t = 0; t < ticks; ++t) {
        music::renderBlock(*module, mix.data(), pcm.data(), kTickFrames);
        // The peak rather than the RMS: a tick holds no whole number of the sine's periods.
        int peak = 0;
        for (int i = 2 * kRampFrames; i < 2 * kTickFrames; ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(pcm[static_cast<std::size_t>(i)])));
        }
        Tick tick;
        tick.level = peak / 32768.0;
        const music::Voice* voice = music::playbackState().channels[static_cast<std::size_t>(channel)].voice;
        if (voice != nullptr && voice->sample != nullptr) {
            tick.frequency = (voice->stepInteger + voice->stepFraction / 4294967296.0) * music::kMixRate;
        }
        heard.push_back(tick);
    }
    music::freeModule(module);
    return heard;
}

// Below this peak level a tick is silent; above 0.01 a note clearly sounds.
constexpr double kSilent = 1e-4;
inline bool sounds(const Tick& tick) { return tick.level > 0.01; }

// Cents between two frequencies.
inline double cents(double frequency, double reference) { return 1200.0 * std::log2(frequency / reference); }

// The level a C-4 of the sine instrument has in the mix at a channel volume and a global volume (both
// 0..64), the reference for the levels that effects must reach.
inline double levelOf(int volume, int global = 64) {
    xmwriter::Song s = song(1, 2);
    s.patterns[0].at(0, 0) = {kC4, 1, 0, 12, static_cast<std::uint8_t>(volume)};
    s.patterns[0].at(0, 1) = {0, 0, 0, 16, static_cast<std::uint8_t>(global)};
    return play(s, "reference-level", PlaybackRules::FastTracker2, 2)[1].level;
}

}  // namespace ft2_songs
