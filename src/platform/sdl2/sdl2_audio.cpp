// The SDL2 audio backend. SDL pulls data through its callback; the bytes the callback has taken from the
// ring are the ones the output thread may render again, so they are what the position reports.
#include "platform/sdl2/sdl2_audio.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace sdl2 {

using namespace music;

namespace {

// About 23 ms per callback at 44100 Hz: well inside a 20 ms-block ring of two seconds.
constexpr Uint16 kCallbackFrames = 1024;

SDL_ThreadPriority sdlPriority(int priority) {
    if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
        return SDL_THREAD_PRIORITY_TIME_CRITICAL;
    }
    if (priority > THREAD_PRIORITY_NORMAL) {
        return SDL_THREAD_PRIORITY_HIGH;
    }
    return priority < THREAD_PRIORITY_NORMAL ? SDL_THREAD_PRIORITY_LOW : SDL_THREAD_PRIORITY_NORMAL;
}

}  // namespace

Sdl2AudioDevice::~Sdl2AudioDevice() {
    if (deviceId_ != 0) {
        reset();
        close();
    }
    releaseThread();
}

MMRESULT Sdl2AudioDevice::open(UINT deviceId, const WAVEFORMATEX& format, DWORD /*openFlags*/) {
    if (deviceId_ != 0) {
        return MMSYSERR_ALLOCATED;
    }
    if (deviceId != WAVE_MAPPER) {
        return MMSYSERR_BADDEVICEID;
    }
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16 || format.nChannels == 0 ||
        format.nChannels > 8 || format.nBlockAlign != format.nChannels * 2 || format.nSamplesPerSec == 0) {
        return WAVERR_BADFORMAT;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return MMSYSERR_NODRIVER;
    }
    subsystemStarted_ = true;

    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format.nSamplesPerSec);
    wanted.format = AUDIO_S16LSB;  // wave data is little-endian
    wanted.channels = static_cast<Uint8>(format.nChannels);
    wanted.samples = kCallbackFrames;
    wanted.callback = &Sdl2AudioDevice::audioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No allowed changes: SDL converts to whatever the hardware wants, so the callback sees this format.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted_ = false;
        return MMSYSERR_NODRIVER;
    }
    deviceId_ = id;
    silence_ = obtained.silence;
    queued_ = nullptr;
    position_ = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT Sdl2AudioDevice::prepareHeader(WAVEHDR& header) {
    if (deviceId_ == 0) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header.lpData == nullptr || header.dwBufferLength == 0) {
        return MMSYSERR_INVALPARAM;
    }
    header.dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Sdl2AudioDevice::write(WAVEHDR& header) {
    if (deviceId_ == 0) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((header.dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    const bool loops = (header.dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) == (WHDR_BEGINLOOP | WHDR_ENDLOOP);
    SDL_LockAudioDevice(deviceId_);
    // One buffer at a time: the output queues a single looping ring.
    const bool busy = queued_ != nullptr;
    if (!busy) {
        header.dwFlags = (header.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        queued_ = &header;
        offset_ = 0;
        playsLeft_ = loops ? std::max<std::uint64_t>(header.dwLoops, 1) : 1;
        position_ = 0;
    }
    SDL_UnlockAudioDevice(deviceId_);
    if (busy) {
        return MMSYSERR_INVALPARAM;
    }
    SDL_PauseAudioDevice(deviceId_, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT Sdl2AudioDevice::getPosition(MMTIME& time) {
    if (deviceId_ == 0) {
        return MMSYSERR_INVALHANDLE;
    }
    // Taken under the lock the callback runs in: the blocks the caller rewrites behind this position
    // are then ordered after the callback's reads of them, and before its next reads, one loop later.
    SDL_LockAudioDevice(deviceId_);
    time.wType = TIME_BYTES;
    time.u.cb = static_cast<DWORD>(position_.load());
    SDL_UnlockAudioDevice(deviceId_);
    return MMSYSERR_NOERROR;
}

MMRESULT Sdl2AudioDevice::reset() {
    if (deviceId_ == 0) {
        return MMSYSERR_INVALHANDLE;
    }
    SDL_PauseAudioDevice(deviceId_, 1);
    SDL_LockAudioDevice(deviceId_);
    if (queued_ != nullptr) {
        queued_->dwFlags = (queued_->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        queued_ = nullptr;
    }
    position_ = 0;
    SDL_UnlockAudioDevice(deviceId_);
    return MMSYSERR_NOERROR;
}

MMRESULT Sdl2AudioDevice::unprepareHeader(WAVEHDR& header) {
    if (deviceId_ == 0) {
        return MMSYSERR_INVALHANDLE;
    }
    SDL_LockAudioDevice(deviceId_);
    const bool stillPlaying = (header.dwFlags & WHDR_INQUEUE) != 0;
    SDL_UnlockAudioDevice(deviceId_);
    if (stillPlaying) {
        return WAVERR_STILLPLAYING;
    }
    header.dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Sdl2AudioDevice::close() {
    if (deviceId_ == 0) {
        return MMSYSERR_INVALHANDLE;
    }
    // The callback drops a buffer that has played out, so the queue is only read under its lock.
    SDL_LockAudioDevice(deviceId_);
    const bool stillPlaying = queued_ != nullptr;
    SDL_UnlockAudioDevice(deviceId_);
    if (stillPlaying) {
        return WAVERR_STILLPLAYING;
    }
    SDL_CloseAudioDevice(deviceId_);
    deviceId_ = 0;
    if (subsystemStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted_ = false;
    }
    return MMSYSERR_NOERROR;
}

bool Sdl2AudioDevice::startThread(ThreadProcedure procedure, int priority) {
    if (thread_ != nullptr || procedure == nullptr) {
        return false;
    }
    procedure_ = procedure;
    priority_ = priority;
    thread_ = SDL_CreateThread(&Sdl2AudioDevice::threadMain, "music output", this);
    return thread_ != nullptr;
}

void Sdl2AudioDevice::releaseThread() {
    if (thread_ != nullptr) {
        SDL_WaitThread(static_cast<SDL_Thread*>(thread_), nullptr);
        thread_ = nullptr;
    }
}

void Sdl2AudioDevice::sleep(DWORD milliseconds) { SDL_Delay(milliseconds); }

// SDL only sets the priority of the calling thread, so the new thread raises its own before it works.
// Without the rights for real-time scheduling the request fails and the thread runs at normal priority.
int Sdl2AudioDevice::threadMain(void* userdata) {
    auto* self = static_cast<Sdl2AudioDevice*>(userdata);
    SDL_SetThreadPriority(sdlPriority(self->priority_));
    return static_cast<int>(self->procedure_());
}

void Sdl2AudioDevice::audioCallback(void* userdata, std::uint8_t* stream, int length) {
    static_cast<Sdl2AudioDevice*>(userdata)->play(stream, static_cast<std::uint32_t>(length));
}

void Sdl2AudioDevice::play(std::uint8_t* stream, std::uint32_t length) {
    while (length > 0) {
        if (queued_ == nullptr) {
            std::memset(stream, silence_, length);
            return;
        }
        const std::uint32_t run = std::min(length, queued_->dwBufferLength - offset_);
        std::memcpy(stream, queued_->lpData + offset_, run);
        stream += run;
        length -= run;
        offset_ += run;
        position_ += run;
        if (offset_ == queued_->dwBufferLength) {
            offset_ = 0;
            if (--playsLeft_ == 0) {
                queued_->dwFlags = (queued_->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
                queued_ = nullptr;
            }
        }
    }
}

}  // namespace sdl2
