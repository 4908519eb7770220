// The SDL2 audio backend: an SDL audio device at 44100 Hz, 16-bit stereo, whose callback plays the
// looping buffer and counts the bytes it has handed to SDL as the play position.
#pragma once

#include "music/audio_device.h"

#include <atomic>
#include <cstdint>

namespace sdl2 {

class Sdl2AudioDevice : public music::AudioDevice {
public:
    Sdl2AudioDevice() = default;
    // Closes the device and waits for a started thread; stop the playback that uses it first.
    ~Sdl2AudioDevice() override;
    Sdl2AudioDevice(const Sdl2AudioDevice&) = delete;
    Sdl2AudioDevice& operator=(const Sdl2AudioDevice&) = delete;

    music::MMRESULT open(music::UINT deviceId, const music::WAVEFORMATEX& format, music::DWORD openFlags) override;
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
    static void audioCallback(void* userdata, std::uint8_t* stream, int length);
    static int threadMain(void* userdata);
    void play(std::uint8_t* stream, std::uint32_t length);

    std::uint32_t deviceId_ = 0;  // SDL_AudioDeviceID; 0 = not open
    bool subsystemStarted_ = false;
    std::uint8_t silence_ = 0;
    // Touched by the callback only under SDL_LockAudioDevice (or while the device is paused).
    music::WAVEHDR* queued_ = nullptr;
    std::uint32_t offset_ = 0;
    std::uint64_t playsLeft_ = 0;
    // Bytes handed to SDL since the buffer was written; the position query reads it under the audio lock.
    std::atomic<std::uint64_t> position_{0};

    void* thread_ = nullptr;  // SDL_Thread*
    music::ThreadProcedure procedure_ = nullptr;
    int priority_ = music::THREAD_PRIORITY_NORMAL;
};

}  // namespace sdl2
