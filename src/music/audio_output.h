// The audio output: a two-second ring of 16-bit stereo PCM that the device loops over, and a thread of
// its own that re-renders each 20 ms block of the ring as soon as the device has played it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "music/audio_device.h"
#include "music/module.h"

namespace music {

constexpr std::int32_t kMillisecondsPerSecond = 1000;

// Block length in frames: 20 ms rounded up to a multiple of four frames (884 at 44100 Hz, not 882).
constexpr std::int32_t blockLengthFor(std::int32_t mixRate) {
    return (mixRate * 20 / kMillisecondsPerSecond + 3) & ~3;
}
// Ring length in frames: 100 blocks, about two seconds.
constexpr std::int32_t ringLengthFor(std::int32_t mixRate) {
    return (kMillisecondsPerSecond / 20) * blockLengthFor(mixRate) * 2;
}

// Spare floats after the float ring; its working start is rounded up to 16 bytes inside them.
constexpr std::int32_t kFloatRingSpare = 64;

// The one playback of the process, part of the MusicState. The controlling thread owns everything but the
// three flags while no output thread runs; while one runs, the thread owns the module, the rings and the
// write index.
struct AudioOutput {
    std::int32_t blockLength = 0;  // frames
    std::int32_t ringLength = 0;   // frames
    std::int32_t blockCount = 0;

    std::unique_ptr<std::int16_t[]> pcmRing;  // ringLength x 2 values, left first
    std::unique_ptr<float[]> floatStorage;
    float* floatRing = nullptr;  // ringLength x 2 floats inside floatStorage, 16-byte aligned
    WAVEHDR header;

    AudioDevice* device = nullptr;  // the open device, null when none is open
    Module* module = nullptr;       // the module being played
    std::int32_t writeIndex = 0;    // the next block to render

    std::atomic<std::uint8_t> stopRequest{0};
    std::atomic<std::uint8_t> busy{0};             // set by the thread around one block's rendering
    std::atomic<std::uint8_t> threadFinished{1};   // 0 only while the thread runs
    bool threadHeld = false;
};

AudioOutput& audioOutput();

// The device startPlayback opens; null (the start-up value) means no output device, so playback fails
// into silence. The shell selects one through the platform's audio factory.
void setAudioDevice(AudioDevice* device);
AudioDevice* audioDevice();

// Plays a loaded module from its start: pre-renders the whole ring, starts the device looping over it
// and starts the output thread. False for a null module, incomplete file callbacks, a device that
// cannot be opened or a thread that cannot be started; the caller then carries on without music.
bool startPlayback(Module* module);
// Stops the thread and releases the device and the rings; the module stays. False only for null.
bool stopPlayback(Module* module);
// Renders the block at the write index and advances the index.
void mixBlock();
// One pass of the output thread: renders every block the device has finished since the last pass.
void renderPlayedBlocks();
// The output thread's procedure.
DWORD outputThread();

}  // namespace music
