// The musical state of one pattern channel: note, period, volume, panning, envelopes, effect memories
// and modulators. The replayer and its effects change it; applyChannel turns it into voice parameters.
#pragma once

#include <cstdint>

#include "music/voice.h"

namespace music {

// Update flags: what applyChannel must pass on to the voice after this tick.
constexpr std::uint8_t kUpdateFrequency = 1 << 0;
constexpr std::uint8_t kUpdateVolume = 1 << 1;
constexpr std::uint8_t kUpdatePanning = 1 << 2;
constexpr std::uint8_t kUpdateTrigger = 1 << 3;
// With the trigger: the note starts silent (a sample offset past its end).
constexpr std::uint8_t kUpdateSilentStart = 1 << 4;
constexpr std::uint8_t kUpdateRestart = 1 << 5;

struct EnvelopeState {
    std::int32_t tick = 0;
    std::int32_t pointIndex = 0;
    std::int32_t position = 0;  // 16.16
    std::int32_t value = 0;     // 0..64
    std::int32_t slope = 0;     // 16.16 per tick
    std::uint8_t ended = 0;
};

struct Channel {
    std::uint8_t note = 0;  // last note minus 1 (0..95), the keymap index
    std::uint8_t flags = 0;
    Voice* voice = nullptr;
    std::int32_t period = 0;
    std::int32_t volume = 0;   // normally 0..64
    std::int32_t panning = 0;  // normally 0..255
    std::int32_t volumeOffset = 0;  // tremolo and tremor, for one tick
    std::int32_t periodOffset = 0;  // vibrato, arpeggio and auto-vibrato, for one tick
    EnvelopeState volumeEnvelope;
    EnvelopeState panningEnvelope;  // value centre 32
    std::int32_t fadeoutVolume = 0;  // 0..65536
    std::int32_t autoVibratoPosition = 0;  // 0..255
    std::int32_t autoVibratoSweepCounter = 0;
    std::uint8_t keyOff = 0;
    std::uint8_t instrument = 0;  // 0-based
    std::uint8_t realNote = 0;    // note + relative note - 1
    std::int32_t notePeriod = 0;  // the tone-portamento target source
    std::uint8_t previousEffect = 0;
    std::int32_t sampleOffsetMemory = 0;
    std::uint8_t portamentoDownMemory = 0;
    std::uint8_t portamentoUpMemory = 0;
    std::uint8_t extraFinePortamentoDownMemory = 0;
    std::uint8_t extraFinePortamentoUpMemory = 0;
    std::uint8_t volumeSlideMemory = 0;
    std::uint8_t panningSlideMemory = 0;
    std::uint8_t multiRetriggerVolumeChange = 0;
    std::uint8_t multiRetriggerInterval = 0;
    std::int32_t tonePortamentoTarget = 0;
    std::uint8_t tonePortamentoSpeed = 0;
    std::int8_t vibratoPosition = 0;
    std::uint8_t vibratoSpeed = 0;
    std::uint8_t vibratoDepth = 0;
    std::int8_t tremoloPosition = 0;
    std::uint8_t tremoloSpeed = 0;
    std::uint8_t tremoloDepth = 0;
    std::uint8_t tremorCounter = 0;
    std::uint8_t tremorOnTicks = 0;
    std::uint8_t tremorOffTicks = 0;
    std::int32_t patternLoopRow = 0;
    std::int32_t patternLoopCounter = 0;
    std::uint8_t waveformControl = 0;  // low nibble vibrato, high nibble tremolo
    std::uint8_t fineVolumeSlideMemory = 0;
    std::uint8_t finePortamentoUpMemory = 0;
    std::uint8_t finePortamentoDownMemory = 0;

    // State that only the FastTracker 2 behaviours keep (playback_rules.h).
    std::uint8_t selectedInstrument = 0;  // 0-based: the instrument the next note plays
    std::int8_t finetune = 0;             // of the note playing, E5y included
    std::int32_t defaultVolume = 0;       // the sample volume and panning of the note playing
    std::int32_t defaultPanning = 0;
    std::uint8_t fineVolumeDownMemory = 0;
    std::uint8_t tremorMemory = 0;
    std::uint8_t tremorPhase = 0;  // bit 7 on, bits 0..6 ticks left in the phase
    std::uint8_t tremorSilenced = 0;  // tremor's off phase holds until a volume command
};

constexpr int kMaxChannels = 32;

}  // namespace music
