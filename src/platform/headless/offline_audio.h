// An audio device without hardware: the caller moves its clock with advance, which plays the queued
// buffer into a sink (a WAV file, a test's vector) and moves the reported position. It drives the
// headless soundtrack and the deterministic tests of the output ring.
#pragma once

#include "music/audio_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

namespace headless {

class OfflineAudioDevice : public music::AudioDevice {
public:
    // Receives every played byte in order, silence included; may be empty.
    using Sink = std::function<void(std::span<const std::uint8_t> bytes)>;

    explicit OfflineAudioDevice(Sink sink = {});
    // Waits for a started thread; stop the playback that uses the device before destroying it.
    ~OfflineAudioDevice() override;
    OfflineAudioDevice(const OfflineAudioDevice&) = delete;
    OfflineAudioDevice& operator=(const OfflineAudioDevice&) = delete;

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

    // Plays frames frames: the queued buffer from its current place (looping as its flags say), or
    // silence when nothing is queued. Safe to call from any thread.
    void advance(std::uint32_t frames);

    // Waits until the device's reader (the output thread) has finished a pass that began after the last
    // advance, so that every block played so far has been rendered again before the clock moves on: a
    // pass starts with a position query, so that is the second query since the advance. Returns true at
    // once when nothing is queued, false when the timeout passes first.
    bool waitForReader(std::chrono::milliseconds timeout);

    bool isOpen() const;
    bool isPlaying() const;
    // Bytes played from buffers since the device was created (silence not counted).
    std::uint64_t playedBytes() const;
    // The priority the last thread was started with.
    int threadPriority() const;

private:
    std::uint32_t bytesPerFrame() const;
    void emit(const std::uint8_t* bytes, std::size_t count);
    void emitSilence(std::size_t count);
    void finishBuffer();

    Sink sink_;
    mutable std::mutex mutex_;
    std::condition_variable queried_;
    bool open_ = false;
    music::WAVEFORMATEX format_;
    music::WAVEHDR* queued_ = nullptr;
    std::uint32_t offset_ = 0;        // byte offset inside the queued buffer
    std::uint64_t playsLeft_ = 0;     // passes through the queued buffer still to play
    std::uint64_t position_ = 0;      // bytes since the buffer was written
    std::uint64_t playedBytes_ = 0;
    std::uint64_t positionQueries_ = 0;
    std::uint64_t queriesAtAdvance_ = 0;
    std::thread thread_;
    int threadPriority_ = music::THREAD_PRIORITY_NORMAL;
};

}  // namespace headless
