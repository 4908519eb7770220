// The audio output thread and the looping ring it keeps filled ahead of the device's play position.
#include "music/audio_output.h"

#include <cstdio>
#include <memory>
#include <new>

#include "music/block_renderer.h"
#include "music/file_callbacks.h"
#include "music/module_loader.h"
#include "music/music_state.h"
#include "music/playback_state.h"

namespace music {
namespace {

constexpr std::int32_t kBytesPerFrame = 4;  // two 16-bit channels
constexpr DWORD kLoopForever = 0xFFFFFFFFu;

WAVEFORMATEX outputFormat(std::int32_t mixRate) {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(mixRate);
    format.nAvgBytesPerSec = static_cast<DWORD>(mixRate * kBytesPerFrame);
    format.nBlockAlign = kBytesPerFrame;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    return format;
}

// Opens the selected device; says on stderr why there will be no music when it cannot.
AudioDevice* openDevice(std::int32_t mixRate) {
    AudioDevice* device = musicState().selectedDevice;
    if (device == nullptr) {
        std::fprintf(stderr, "music: no audio output device; playing without sound\n");
        return nullptr;
    }
    const MMRESULT result = device->open(WAVE_MAPPER, outputFormat(mixRate), CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        std::fprintf(stderr, "music: the audio output device did not open (error %u); playing without sound\n",
                     static_cast<unsigned>(result));
        return nullptr;
    }
    return device;
}

// The 16-bit ring, its looping header and the float ring; false when memory runs out.
bool allocateRings(AudioOutput& out) {
    const auto values = static_cast<std::size_t>(out.ringLength) * 2;
    out.pcmRing.reset(new (std::nothrow) std::int16_t[values]());
    if (!out.pcmRing) {
        return false;
    }
    out.header = WAVEHDR{};
    out.header.lpData = reinterpret_cast<char*>(out.pcmRing.get());
    out.header.dwBufferLength = static_cast<DWORD>(out.ringLength * kBytesPerFrame);
    out.header.dwBytesRecorded = 0;
    out.header.dwUser = 0;
    out.header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    out.header.dwLoops = kLoopForever;
    out.device->prepareHeader(out.header);

    // The mixing loops want 16-byte aligned stretches; the spare floats leave room to align the start.
    out.floatStorage.reset(new (std::nothrow) float[values + kFloatRingSpare]());
    if (!out.floatStorage) {
        return false;
    }
    void* start = out.floatStorage.get();
    std::size_t space = (values + kFloatRingSpare) * sizeof(float);
    out.floatRing = static_cast<float*>(std::align(16, values * sizeof(float), start, space));
    return out.floatRing != nullptr;
}

}  // namespace

AudioOutput& audioOutput() { return musicState().output; }

void setAudioDevice(AudioDevice* device) { musicState().selectedDevice = device; }

AudioDevice* audioDevice() { return musicState().selectedDevice; }

bool startPlayback(Module* module) {
    if (module == nullptr) {
        return false;
    }
    stopPlayback(module);
    if (!fileCallbacksComplete()) {
        return false;
    }

    AudioOutput& out = audioOutput();
    const std::int32_t mixRate = playbackState().mixRate;
    out.blockLength = blockLengthFor(mixRate);
    out.ringLength = ringLengthFor(mixRate);
    if (out.blockLength <= 0) {
        return false;  // no usable mix rate
    }
    out.blockCount = out.ringLength / out.blockLength;
    preparePlayback(*module);
    out.module = module;

    out.device = openDevice(mixRate);
    if (out.device == nullptr) {
        return false;
    }
    if (!allocateRings(out)) {
        stopPlayback(module);
        return false;
    }

    // The song's first two seconds, before the device starts looping over them.
    do {
        mixBlock();
    } while (out.writeIndex != 0);
    out.device->write(out.header);

    out.stopRequest = 0;
    out.threadHeld = out.device->startThread(&outputThread, THREAD_PRIORITY_TIME_CRITICAL);
    if (!out.threadHeld) {
        // Without the thread the device would repeat the same two seconds forever.
        std::fprintf(stderr, "music: the audio output thread did not start; playing without sound\n");
        stopPlayback(module);
        return false;
    }
    return true;
}

bool stopPlayback(Module* module) {
    if (module == nullptr) {
        return false;
    }
    AudioOutput& out = audioOutput();
    out.stopRequest = 1;
    while (out.busy.load() == 1) {
    }
    if (out.threadHeld) {
        while (out.threadFinished.load() == 0) {
            out.device->sleep(10);
        }
        out.device->releaseThread();
        out.threadHeld = false;
    }

    if (out.device != nullptr) {
        out.device->reset();
        if (out.pcmRing) {
            out.device->unprepareHeader(out.header);
        }
    }
    out.header.dwFlags &= ~WHDR_PREPARED;
    out.pcmRing.reset();
    out.floatStorage.reset();
    out.floatRing = nullptr;
    out.module = nullptr;
    if (out.device != nullptr) {
        out.device->close();
        out.device = nullptr;
    }
    out.writeIndex = 0;
    return true;
}

void mixBlock() {
    AudioOutput& out = audioOutput();
    if (out.module == nullptr || out.floatRing == nullptr || !out.pcmRing) {
        return;
    }
    const std::int32_t offset = out.writeIndex * out.blockLength * 2;
    renderBlock(*out.module, out.floatRing + offset, out.pcmRing.get() + offset, out.blockLength);
    out.writeIndex = out.writeIndex + 1 == out.blockCount ? 0 : out.writeIndex + 1;
}

void renderPlayedBlocks() {
    AudioOutput& out = audioOutput();
    MMTIME time;
    time.wType = TIME_BYTES;
    time.u.cb = 0;
    out.device->getPosition(time);
    // The position keeps counting across loops; only its place inside the ring matters.
    const std::uint32_t frame = time.u.cb / kBytesPerFrame;
    const auto playBlock =
        static_cast<std::int32_t>(frame % static_cast<std::uint32_t>(out.ringLength)) / out.blockLength;
    while (out.writeIndex != playBlock) {
        out.busy = 1;
        mixBlock();
        out.busy = 0;
    }
}

DWORD outputThread() {
    AudioOutput& out = audioOutput();
    out.threadFinished = 0;
    while (out.stopRequest.load() == 0) {
        renderPlayedBlocks();
        out.device->sleep(5);
    }
    out.threadFinished = 1;
    return 0;
}

void freeModule(Module* module) {
    if (module == nullptr) {
        return;
    }
    while (audioOutput().busy.load() == 1) {
    }
    stopPlayback(module);
    delete module;
}

}  // namespace music
