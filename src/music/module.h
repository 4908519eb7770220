// The loaded XM module: song data filled by the loader, followed by the replay position and timing that
// the replayer advances tick by tick. One record per module; loadModule creates it, freeModule ends it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "music/playback_rules.h"

namespace music {

// One unpacked pattern cell, five bytes in this order.
struct Cell {
    std::uint8_t note = 0;        // 0 none, 1..96 notes, 255 key off
    std::uint8_t instrument = 0;  // 0 none, 1..128
    std::uint8_t volume = 0;      // volume-column byte
    std::uint8_t effect = 0;      // effect type
    std::uint8_t parameter = 0;   // effect parameter, x:y nibbles
};

constexpr std::uint8_t kKeyOffNote = 255;

struct Pattern {
    std::int32_t rows = 0;
    // rows x channel count cells, all channels of row 0 first.
    std::vector<Cell> cells;
};

enum class LoopMode : std::uint8_t { None = 1, Forward = 2, PingPong = 4 };

struct Sample {
    // Signed 16-bit frames: length frames, one guard frame after the loop, and zeroed spare frames so
    // that interpolation may always read the frame after the current one. Empty for a zero length.
    std::vector<std::int16_t> data;
    std::uint32_t length = 0;      // frames
    std::uint32_t loopStart = 0;   // frames
    std::uint32_t loopLength = 0;  // frames
    std::uint8_t volume = 0;       // 0..64
    std::int8_t finetune = 0;
    std::int32_t panning = 0;      // 0..255
    std::uint8_t bits = 16;        // 8 or 16 while loading, 16 afterwards
    LoopMode loopMode = LoopMode::None;
    std::int8_t relativeNote = 0;

    const std::int16_t* frames() const { return data.empty() ? nullptr : data.data(); }
};

// Spare frames after a sample's length: the guard frame plus what the mixer's two-frame reads need.
constexpr std::uint32_t kSampleSpareFrames = 8;

struct EnvelopePoint {
    std::uint16_t tick = 0;
    std::uint16_t value = 0;
};

// Envelope type bits.
constexpr std::uint8_t kEnvelopeOn = 1;
constexpr std::uint8_t kEnvelopeSustain = 2;
constexpr std::uint8_t kEnvelopeLoop = 4;

struct Instrument {
    std::int32_t sampleCount = 0;  // 0..16
    // Slots at and beyond sampleCount point at emptySample(), never null.
    std::array<Sample*, 16> samples{};
    std::array<std::uint8_t, 96> keymap{};  // sample slot per note
    std::array<EnvelopePoint, 12> volumeEnvelope{};
    std::array<EnvelopePoint, 12> panningEnvelope{};
    std::uint8_t volumePointCount = 0;
    std::uint8_t panningPointCount = 0;
    std::uint8_t volumeSustain = 0;
    std::uint8_t volumeLoopStart = 0;
    std::uint8_t volumeLoopEnd = 0;
    std::uint8_t panningSustain = 0;
    std::uint8_t panningLoopStart = 0;
    std::uint8_t panningLoopEnd = 0;
    std::uint8_t volumeType = 0;
    std::uint8_t panningType = 0;
    std::uint8_t vibratoType = 0;
    std::uint8_t vibratoSweep = 0;
    std::uint8_t vibratoDepth = 0;
    std::uint8_t vibratoRate = 0;
    std::uint16_t fadeout = 0;  // stored doubled
};

// The shared silent records: a voice on emptySample plays nothing.
Sample& emptySample();
Instrument& emptyInstrument();

// Replaces the loader's reading of sample data: (buffer, byte count, bits, instrument, sample slot).
using SampleDataHook = void (*)(void* buffer, std::int32_t byteCount, std::int32_t bits, std::int32_t instrument,
                                std::int32_t sample);

struct Module;
using TickProcedure = void (*)(Module& module);

constexpr std::int16_t kLinearFrequencyTable = 1;  // bit 0 of flags

struct Module {
    // Song data, set by the loader.
    std::vector<Pattern> patterns;  // allocated pattern count entries
    std::vector<Instrument> instruments;
    // Owns the samples that instruments point at.
    std::vector<std::unique_ptr<Sample>> sampleStore;
    std::int16_t songLength = 0;
    std::int16_t restartPosition = 0;
    std::int16_t channelCount = 0;
    std::int32_t usedPatternCount = 0;
    std::int32_t allocatedPatternCount = 0;
    std::int16_t instrumentCount = 0;
    std::int16_t flags = 0;
    std::int16_t defaultSpeed = 0;
    std::int16_t defaultBpm = 0;
    std::array<std::uint8_t, 256> orderTable{};
    std::uint8_t initialGlobalVolume = 64;
    TickProcedure tickProcedure = nullptr;
    SampleDataHook sampleDataHook = nullptr;
    // The rules the module was loaded by and is played by; playback start turns them into behaviours.
    PlaybackRules rules = PlaybackRules::Engine;

    // Replay state, set at playback start and advanced by the replayer.
    std::int32_t samplesLeftInTick = 0;
    std::int32_t samplesPerTick = 0;
    std::int32_t globalVolume = 0;  // 0..64
    std::uint8_t globalVolumeSlideMemory = 0;
    std::int32_t tickCounter = 0;
    std::int32_t speed = 0;  // ticks per row
    std::int32_t bpm = 0;
    std::int32_t currentRow = 0;
    std::int32_t currentOrder = 0;
    std::int32_t patternDelayTicks = 0;
    std::int32_t nextRow = -1;    // -1 = none
    std::int32_t nextOrder = -1;  // -1 = none
    RuleSet behaviours;            // what the replayer plays by, from rules

    bool linearFrequencies() const { return (flags & kLinearFrequencyTable) != 0; }
};

}  // namespace music
