// Small songs built in memory for the replayer and effect tests: patterns of cells, one-sample
// instruments, and a fresh playback state for every song.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "music/module.h"
#include "music/playback_state.h"
#include "music/replayer.h"

namespace replayer_test {

using music::Cell;
using music::Module;

struct SampleShape {
    std::uint32_t length = 1000;
    music::LoopMode loopMode = music::LoopMode::None;
    std::uint32_t loopStart = 0;
    std::uint32_t loopLength = 0;  // 0 with no loop means the whole sample
    std::uint8_t volume = 64;
    std::int32_t panning = 128;
    std::int8_t finetune = 0;
    std::int8_t relativeNote = 0;
};

// A song of `patterns` patterns of `rows` rows each, played in the given order, linear table by default.
inline Module makeSong(int channels, int patterns, int rows, std::vector<std::uint8_t> orders, int speed = 6,
                       int bpm = 125, bool linear = true) {
    Module module;
    module.channelCount = static_cast<std::int16_t>(channels);
    module.songLength = static_cast<std::int16_t>(orders.size());
    for (std::size_t i = 0; i < orders.size(); ++i) {
        module.orderTable[i] = orders[i];
    }
    for (int p = 0; p < patterns; ++p) {
        music::Pattern pattern;
        pattern.rows = rows;
        pattern.cells.resize(static_cast<std::size_t>(rows * channels));
        module.patterns.push_back(std::move(pattern));
    }
    module.usedPatternCount = patterns;
    module.allocatedPatternCount = patterns;
    module.defaultSpeed = static_cast<std::int16_t>(speed);
    module.defaultBpm = static_cast<std::int16_t>(bpm);
    module.flags = linear ? music::kLinearFrequencyTable : 0;
    return module;
}

// Adds an instrument whose every note plays one new sample; returns the sample.
inline music::Sample& addInstrument(Module& module, const SampleShape& shape = {}) {
    auto sample = std::make_unique<music::Sample>();
    sample->length = shape.length;
    sample->data.assign(shape.length + music::kSampleSpareFrames, 0);
    sample->loopMode = shape.loopMode;
    sample->loopStart = shape.loopMode == music::LoopMode::None ? 0 : shape.loopStart;
    sample->loopLength = shape.loopMode == music::LoopMode::None || shape.loopLength == 0 ? shape.length : shape.loopLength;
    sample->volume = shape.volume;
    sample->panning = shape.panning;
    sample->finetune = shape.finetune;
    sample->relativeNote = shape.relativeNote;
    music::Instrument instrument;
    instrument.samples.fill(&music::emptySample());
    instrument.samples[0] = sample.get();
    instrument.sampleCount = 1;
    module.instruments.push_back(instrument);
    module.instrumentCount = static_cast<std::int16_t>(module.instruments.size());
    module.sampleStore.push_back(std::move(sample));
    return *module.sampleStore.back();
}

inline void setCell(Module& module, int pattern, int row, int channel, Cell cell) {
    module.patterns[static_cast<std::size_t>(pattern)]
        .cells[static_cast<std::size_t>(row * module.channelCount + channel)] = cell;
}

inline void start(Module& module) {
    music::resetPlaybackState();
    music::startReplay(module);
}

inline void runTicks(Module& module, int ticks) {
    for (int i = 0; i < ticks; ++i) {
        music::tick(module);
    }
}

inline music::Channel& channel(int index) { return music::playbackState().channels[static_cast<std::size_t>(index)]; }
inline music::Voice& voice(int index) { return music::playbackState().voices[static_cast<std::size_t>(index)]; }

// C-4 on instrument 1: real note 48, linear period 4608, 8363 Hz.
constexpr std::uint8_t kC4 = 49;

}  // namespace replayer_test
