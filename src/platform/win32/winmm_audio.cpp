// WINMM wave-out and Win32 threads behind the music's audio device interface. The engine's WAVEHDR and
// MMTIME are portable copies of the system records, so each call passes through a system record.
#include "platform/win32/winmm_audio.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

namespace win32 {

static_assert(sizeof(::MMTIME) == sizeof(music::MMTIME), "MMTIME mirrors the system record");
static_assert(WAVE_MAPPER == music::UINT{0xFFFFFFFFu} && TIME_BYTES == 4 && WAVE_FORMAT_PCM == 1,
              "wave-out constants keep their system values");

struct WinmmAudioDevice::SystemHeader {
    ::WAVEHDR header;
};

namespace {

HWAVEOUT handleOf(void* waveOut) { return static_cast<HWAVEOUT>(waveOut); }

// The flags the engine reads back: prepared, queued, done, and the loop bits it set.
void copyFlags(const ::WAVEHDR& from, music::WAVEHDR& to) { to.dwFlags = from.dwFlags; }

}  // namespace

WinmmAudioDevice::~WinmmAudioDevice() {
    if (waveOut_ != nullptr) {
        waveOutReset(handleOf(waveOut_));
        if (header_ != nullptr) {
            waveOutUnprepareHeader(handleOf(waveOut_), &header_->header, sizeof(::WAVEHDR));
        }
        waveOutClose(handleOf(waveOut_));
    }
    delete header_;
    releaseThread();
}

music::MMRESULT WinmmAudioDevice::open(music::UINT deviceId, const music::WAVEFORMATEX& format,
                                       music::DWORD openFlags) {
    if (waveOut_ != nullptr) {
        return MMSYSERR_ALLOCATED;
    }
    ::WAVEFORMATEX system{};
    system.wFormatTag = format.wFormatTag;
    system.nChannels = format.nChannels;
    system.nSamplesPerSec = format.nSamplesPerSec;
    system.nAvgBytesPerSec = format.nAvgBytesPerSec;
    system.nBlockAlign = format.nBlockAlign;
    system.wBitsPerSample = format.wBitsPerSample;
    system.cbSize = format.cbSize;
    HWAVEOUT handle = nullptr;
    const MMRESULT result = waveOutOpen(&handle, deviceId, &system, 0, 0, openFlags);
    if (result == MMSYSERR_NOERROR) {
        waveOut_ = handle;
    }
    return result;
}

music::MMRESULT WinmmAudioDevice::prepareHeader(music::WAVEHDR& header) {
    if (waveOut_ == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header_ != nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    header_ = new SystemHeader{};
    ::WAVEHDR& system = header_->header;
    system.lpData = header.lpData;
    system.dwBufferLength = header.dwBufferLength;
    system.dwUser = header.dwUser;
    system.dwFlags = header.dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP);
    system.dwLoops = header.dwLoops;
    const MMRESULT result = waveOutPrepareHeader(handleOf(waveOut_), &system, sizeof(::WAVEHDR));
    if (result != MMSYSERR_NOERROR) {
        delete header_;
        header_ = nullptr;
        return result;
    }
    copyFlags(system, header);
    return result;
}

music::MMRESULT WinmmAudioDevice::write(music::WAVEHDR& header) {
    if (waveOut_ == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header_ == nullptr || header_->header.lpData != header.lpData) {
        return WAVERR_UNPREPARED;
    }
    const MMRESULT result = waveOutWrite(handleOf(waveOut_), &header_->header, sizeof(::WAVEHDR));
    copyFlags(header_->header, header);
    return result;
}

music::MMRESULT WinmmAudioDevice::getPosition(music::MMTIME& time) {
    ::MMTIME system{};
    system.wType = time.wType;
    const MMRESULT result = waveOutGetPosition(handleOf(waveOut_), &system, sizeof(::MMTIME));
    time.wType = system.wType;
    std::memcpy(&time.u, &system.u, sizeof(time.u));
    return result;
}

music::MMRESULT WinmmAudioDevice::reset() {
    // A closed (null) handle fails inside WINMM without effect, like any stale handle.
    return waveOutReset(handleOf(waveOut_));
}

music::MMRESULT WinmmAudioDevice::unprepareHeader(music::WAVEHDR& header) {
    if (waveOut_ == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header_ == nullptr || header_->header.lpData != header.lpData) {
        return WAVERR_UNPREPARED;
    }
    const MMRESULT result = waveOutUnprepareHeader(handleOf(waveOut_), &header_->header, sizeof(::WAVEHDR));
    copyFlags(header_->header, header);
    if (result == MMSYSERR_NOERROR) {
        delete header_;
        header_ = nullptr;
    }
    return result;
}

music::MMRESULT WinmmAudioDevice::close() {
    if (waveOut_ == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    const MMRESULT result = waveOutClose(handleOf(waveOut_));
    if (result == MMSYSERR_NOERROR) {
        waveOut_ = nullptr;
    }
    return result;
}

bool WinmmAudioDevice::startThread(music::ThreadProcedure procedure, int priority) {
    if (thread_ != nullptr || procedure == nullptr) {
        return false;
    }
    procedure_ = procedure;
    HANDLE thread = CreateThread(nullptr, 0, &WinmmAudioDevice::threadMain, this, 0, nullptr);
    if (thread == nullptr) {
        return false;
    }
    SetThreadPriority(thread, priority);
    thread_ = thread;
    return true;
}

void WinmmAudioDevice::releaseThread() {
    if (thread_ != nullptr) {
        WaitForSingleObject(static_cast<HANDLE>(thread_), INFINITE);
        CloseHandle(static_cast<HANDLE>(thread_));
        thread_ = nullptr;
    }
}

void WinmmAudioDevice::sleep(music::DWORD milliseconds) { Sleep(milliseconds); }

unsigned long __stdcall WinmmAudioDevice::threadMain(void* parameter) {
    return static_cast<WinmmAudioDevice*>(parameter)->procedure_();
}

}  // namespace win32
