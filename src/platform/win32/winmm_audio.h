// The Windows audio backend: the system's wave-out device through WINMM, and Win32 threads.
// Includes no Windows header.
#pragma once

#include "music/audio_device.h"

namespace win32 {

class WinmmAudioDevice : public music::AudioDevice {
public:
    WinmmAudioDevice() = default;
    // Resets and closes a device left open and waits for a started thread.
    ~WinmmAudioDevice() override;
    WinmmAudioDevice(const WinmmAudioDevice&) = delete;
    WinmmAudioDevice& operator=(const WinmmAudioDevice&) = delete;

    music::MMRESULT open(music::UINT deviceId, const music::WAVEFORMATEX& format, music::DWORD openFlags) override;
    // One buffer at a time: the device keeps a single system header that mirrors the caller's.
    music::MMRESULT prepareHeader(music::WAVEHDR& header) override;
    music::MMRESULT write(music::WAVEHDR& header) override;
    music::MMRESULT getPosition(music::MMTIME& time) override;
    music::MMRESULT reset() override;
    music::MMRESULT unprepareHeader(music::WAVEHDR& header) override;
    music::MMRESULT close() override;

    bool startThread(music::ThreadProcedure procedure, int priority) override;
    void releaseThread() override;
    void sleep(music::DWORD milliseconds) override;

private:
    struct SystemHeader;
    static unsigned long __stdcall threadMain(void* parameter);

    void* waveOut_ = nullptr;  // HWAVEOUT
    SystemHeader* header_ = nullptr;  // the system WAVEHDR, allocated while a buffer is prepared
    void* thread_ = nullptr;   // HANDLE
    music::ThreadProcedure procedure_ = nullptr;
};

}  // namespace win32
