// The audio output device the music plays through, in wave-out terms: one looping PCM buffer, a byte
// play position, and the thread and sleep services of the output thread. Backends live in platform/.
#pragma once

// This header re-declares wave-out names inside namespace music. The Windows SDK defines most of them as
// macros, so a translation unit must include this header before <windows.h> or <mmsystem.h>.
#if defined(_WINDOWS_) || defined(_INC_MMSYSTEM) || defined(_MMSYSTEM_H) || defined(WHDR_PREPARED)
#error "include music/audio_device.h before <windows.h> and <mmsystem.h>"
#endif

#include <cstdint>

#include "base/windows_types.h"

namespace music {

using base::BYTE;
using base::DWORD;
using base::UINT;
using base::WORD;
using DWORD_PTR = std::uintptr_t;
using MMRESULT = UINT;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;
constexpr DWORD CALLBACK_NULL = 0x00000000;

constexpr WORD WAVE_FORMAT_PCM = 1;

struct WAVEFORMATEX {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0;
};

constexpr DWORD WHDR_DONE = 0x00000001;
constexpr DWORD WHDR_PREPARED = 0x00000002;
constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
constexpr DWORD WHDR_ENDLOOP = 0x00000008;
constexpr DWORD WHDR_INQUEUE = 0x00000010;

struct WAVEHDR {
    char* lpData = nullptr;
    DWORD dwBufferLength = 0;
    DWORD dwBytesRecorded = 0;
    DWORD_PTR dwUser = 0;
    DWORD dwFlags = 0;
    DWORD dwLoops = 0;
    WAVEHDR* lpNext = nullptr;
    DWORD_PTR reserved = 0;
};

constexpr UINT TIME_MS = 0x0001;
constexpr UINT TIME_SAMPLES = 0x0002;
constexpr UINT TIME_BYTES = 0x0004;

struct MMTIME {
    UINT wType = 0;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
        DWORD ticks;
        struct {
            BYTE hour;
            BYTE min;
            BYTE sec;
            BYTE frame;
            BYTE fps;
            BYTE dummy;
            BYTE pad[2];
        } smpte;
        struct {
            DWORD songptrpos;
        } midi;
    } u{};
};

static_assert(sizeof(MMTIME) == 12, "MMTIME is twelve bytes, as the position query expects");

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

// The output thread's procedure: no parameter, returns 0.
using ThreadProcedure = DWORD (*)();

// One output device. An instance holds all of its backend's state, including the single open wave-out
// handle, the looping buffer it plays and the one thread it runs; one playback uses one instance.
// The byte position counts every byte played since the buffer was written, wrapping at 2^32.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;

    // Opens the device for 16-bit PCM. deviceId is WAVE_MAPPER; openFlags is CALLBACK_NULL.
    virtual MMRESULT open(UINT deviceId, const WAVEFORMATEX& format, DWORD openFlags) = 0;
    // Sets WHDR_PREPARED in header.dwFlags.
    virtual MMRESULT prepareHeader(WAVEHDR& header) = 0;
    // Queues the prepared buffer; with WHDR_BEGINLOOP | WHDR_ENDLOOP and dwLoops 0xFFFFFFFF it loops forever.
    // The header and its data must stay in place until reset.
    virtual MMRESULT write(WAVEHDR& header) = 0;
    // Fills time.u.cb when time.wType is TIME_BYTES (another type may be changed to TIME_BYTES).
    virtual MMRESULT getPosition(MMTIME& time) = 0;
    // Stops playing, returns the queued buffer (WHDR_DONE) and sets the position back to 0.
    virtual MMRESULT reset() = 0;
    // Clears WHDR_PREPARED; WAVERR_STILLPLAYING while the buffer is queued.
    virtual MMRESULT unprepareHeader(WAVEHDR& header) = 0;
    // MMSYSERR_INVALHANDLE when not open; WAVERR_STILLPLAYING while a buffer is queued.
    virtual MMRESULT close() = 0;

    // Starts procedure on a new thread at the given priority (THREAD_PRIORITY_TIME_CRITICAL for the
    // output thread); false when no thread could be started. One thread at a time.
    virtual bool startThread(ThreadProcedure procedure, int priority) = 0;
    // Waits for the started thread to return and releases it; nothing when none was started.
    virtual void releaseThread() = 0;
    // Sleeps the calling thread.
    virtual void sleep(DWORD milliseconds) = 0;
};

}  // namespace music
