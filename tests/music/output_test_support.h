// Shared by the audio output and music object tests: a small song that changes every row, its straight
// render for comparison, and a recording audio device whose thread the test runs by hand.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "music/audio_device.h"
#include "music/audio_output.h"
#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/playback_state.h"
#include "xm_writer.h"

namespace music::test {

// Two channels playing a looped saw one semitone higher every row, for 64 rows (about 7.7 s), so that
// no stretch of the render repeats within a few passes of the ring.
inline std::vector<std::uint8_t> risingSawSong() {
    xmwriter::Song song;
    song.channels = 2;
    song.orders = {0};
    xmwriter::Pattern& pattern = song.patterns.emplace_back(64, 2);
    for (int row = 0; row < 64; ++row) {
        pattern.at(row, 0) = {static_cast<std::uint8_t>(25 + row), 1, 0, 0, 0};
        if (row % 8 == 0) {
            pattern.at(row, 1) = {static_cast<std::uint8_t>(13 + row / 2), 1, 0x30, 0, 0};
        }
    }
    xmwriter::Instrument& instrument = song.instruments.emplace_back();
    xmwriter::Sample& sample = instrument.samples.emplace_back();
    for (int i = 0; i < 32; ++i) {
        sample.frames.push_back(i * 8 - 128);
    }
    sample.loop = xmwriter::LoopType::Forward;
    sample.loopStart = 0;
    sample.loopLength = 32;
    return xmwriter::writeXm(song);
}

inline Module* loadFromMemory(const std::vector<std::uint8_t>& bytes) {
    setFileCallbacks(memoryFileCallbacks());
    setMemoryFile(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    Module* module = loadModule(nullptr, nullptr);
    setMemoryFile(nullptr, 0);
    return module;
}

struct ModuleDeleter {
    void operator()(Module* module) const { freeModule(module); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

// The song's first `frames` frames rendered block by block without any device: what the ring must hold.
// Uses the process-wide playback state, so no playback may run meanwhile.
inline std::vector<std::int16_t> straightRender(const std::vector<std::uint8_t>& song, std::int32_t frames) {
    ModulePtr module(loadFromMemory(song));
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    if (!module) {
        return pcm;
    }
    preparePlayback(*module);
    const std::int32_t block = blockLengthFor(kMixRate);
    std::vector<float> mix(static_cast<std::size_t>(block) * 2);
    for (std::int32_t done = 0; done < frames; done += block) {
        std::int16_t* out = pcm.data() + static_cast<std::size_t>(done) * 2;
        renderBlock(*module, mix.data(), out, std::min(block, frames - done));
    }
    return pcm;
}

// Follows the wave-out rules closely enough for the output to be checked against them, records every
// call, reports whatever position the test sets, and never starts a real thread: the test runs the
// output thread's passes itself.
class RecordingDevice : public AudioDevice {
public:
    MMRESULT open(UINT deviceId, const WAVEFORMATEX& format, DWORD openFlags) override {
        calls.push_back("open");
        openedId = deviceId;
        openedFormat = format;
        openedFlags = openFlags;
        if (openResult == MMSYSERR_NOERROR) {
            isOpen = true;
        }
        return openResult;
    }
    MMRESULT prepareHeader(WAVEHDR& header) override {
        calls.push_back("prepare");
        header.dwFlags |= WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    MMRESULT write(WAVEHDR& header) override {
        calls.push_back("write");
        written = &header;
        const auto* bytes = reinterpret_cast<const std::int16_t*>(header.lpData);
        ringAtWrite.assign(bytes, bytes + header.dwBufferLength / 2);
        header.dwFlags |= WHDR_INQUEUE;
        return MMSYSERR_NOERROR;
    }
    MMRESULT getPosition(MMTIME& time) override {
        calls.push_back("position");
        time.wType = TIME_BYTES;
        time.u.cb = position;
        return isOpen ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    }
    MMRESULT reset() override {
        calls.push_back("reset");
        if (written != nullptr) {
            written->dwFlags = (written->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
            written = nullptr;
        }
        return isOpen ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    }
    MMRESULT unprepareHeader(WAVEHDR& header) override {
        calls.push_back("unprepare");
        if ((header.dwFlags & WHDR_INQUEUE) != 0) {
            return WAVERR_STILLPLAYING;
        }
        header.dwFlags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }
    MMRESULT close() override {
        calls.push_back("close");
        const bool wasOpen = isOpen;
        isOpen = false;
        return wasOpen ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    }
    bool startThread(ThreadProcedure procedure, int priority) override {
        calls.push_back("thread");
        threadProcedure = procedure;
        threadPriority = priority;
        return threadResult;
    }
    void releaseThread() override { calls.push_back("release"); }
    void sleep(DWORD milliseconds) override { calls.push_back("sleep " + std::to_string(milliseconds)); }

    MMRESULT openResult = MMSYSERR_NOERROR;
    bool threadResult = true;
    DWORD position = 0;

    std::vector<std::string> calls;
    bool isOpen = false;
    UINT openedId = 0;
    WAVEFORMATEX openedFormat;
    DWORD openedFlags = 0xFFFFFFFFu;
    WAVEHDR* written = nullptr;
    std::vector<std::int16_t> ringAtWrite;
    ThreadProcedure threadProcedure = nullptr;
    int threadPriority = 0;
};

}  // namespace music::test
