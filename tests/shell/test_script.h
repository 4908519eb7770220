// Scene scripts for the shell's tests: a layer that records the times it is given, a music object that
// counts its starts and stops, the class table that builds them, and a script writer for small graphs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "graph/constructor.h"
#include "music/music.h"
#include "sequence/layer.h"
#include "shell/class_table.h"

namespace shelltest {

class RecordingLayer : public sequence::Layer {
public:
    void update(float t) override { updates.push_back(t); }
    void render(float t) override { renders.push_back(t); }

    std::vector<float> updates;
    std::vector<float> renders;
};

// Counts into counters that outlive the graph, so that a test can read them whatever became of it.
struct MusicCounters {
    int starts = 0;
    int stops = 0;
};

class CountingMusic : public music::Music {
public:
    explicit CountingMusic(MusicCounters& counters) : Music({}), counters_(counters) {}
    bool start() override {
        ++counters_.starts;
        return true;
    }
    void stop() override { ++counters_.stops; }

private:
    MusicCounters& counters_;
};

MusicCounters& musicCounters();
// The recording layer the last build made, or null.
RecordingLayer*& lastRecordingLayer();

// The main table with RecordingLayer (no arguments) at the ObjectInstance index and CountingMusic (no
// arguments) at the Music index.
std::array<graph::Constructor, shell::kMainClassCount> testClassTable();

struct TestScript {
    int padding = 0;  // ConstantVector records before the graph, each one more loading step
    std::uint32_t clearColour = 0xFF808080;
    float endTime = 120.0f;
};

// Music, recording layer, padding, clear layer, a timeline that shows the clear layer and then the
// recording layer from 0, and the Demo over them.
std::vector<std::uint8_t> testScript(const TestScript& shape);

}  // namespace shelltest
