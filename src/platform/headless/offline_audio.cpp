// The offline audio device: wave-out semantics for one looping buffer, with a clock the caller moves.
#include "platform/headless/offline_audio.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

namespace headless {

using namespace music;

namespace {

constexpr std::uint32_t kDefaultBytesPerFrame = 4;

bool queued(const WAVEHDR& header) { return (header.dwFlags & WHDR_INQUEUE) != 0; }

}  // namespace

OfflineAudioDevice::OfflineAudioDevice(Sink sink) : sink_(std::move(sink)) {}

OfflineAudioDevice::~OfflineAudioDevice() { releaseThread(); }

MMRESULT OfflineAudioDevice::open(UINT deviceId, const WAVEFORMATEX& format, DWORD /*openFlags*/) {
    std::lock_guard lock(mutex_);
    if (open_) {
        return MMSYSERR_ALLOCATED;
    }
    if (deviceId != WAVE_MAPPER && deviceId != 0) {
        return MMSYSERR_BADDEVICEID;
    }
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16 || format.nChannels == 0 ||
        format.nBlockAlign != format.nChannels * 2 || format.nSamplesPerSec == 0) {
        return WAVERR_BADFORMAT;
    }
    open_ = true;
    format_ = format;
    position_ = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT OfflineAudioDevice::prepareHeader(WAVEHDR& header) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (header.lpData == nullptr || header.dwBufferLength == 0) {
        return MMSYSERR_INVALPARAM;
    }
    header.dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT OfflineAudioDevice::write(WAVEHDR& header) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((header.dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    // One buffer at a time: the output queues a single looping ring.
    if (queued_ != nullptr || header.dwBufferLength % bytesPerFrame() != 0) {
        return MMSYSERR_INVALPARAM;
    }
    const bool loops = (header.dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) == (WHDR_BEGINLOOP | WHDR_ENDLOOP);
    header.dwFlags = (header.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    queued_ = &header;
    offset_ = 0;
    playsLeft_ = loops ? std::max<std::uint64_t>(header.dwLoops, 1) : 1;
    position_ = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT OfflineAudioDevice::getPosition(MMTIME& time) {
    std::lock_guard lock(mutex_);
    ++positionQueries_;
    queried_.notify_all();
    if (!open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (time.wType == TIME_SAMPLES) {
        time.u.sample = static_cast<DWORD>(position_ / bytesPerFrame());
        return MMSYSERR_NOERROR;
    }
    // Like wave-out drivers, answer an unsupported format in bytes.
    time.wType = TIME_BYTES;
    time.u.cb = static_cast<DWORD>(position_);
    return MMSYSERR_NOERROR;
}

MMRESULT OfflineAudioDevice::reset() {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return MMSYSERR_INVALHANDLE;
    }
    finishBuffer();
    position_ = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT OfflineAudioDevice::unprepareHeader(WAVEHDR& header) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (queued(header)) {
        return WAVERR_STILLPLAYING;
    }
    header.dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT OfflineAudioDevice::close() {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return MMSYSERR_INVALHANDLE;
    }
    if (queued_ != nullptr) {
        return WAVERR_STILLPLAYING;
    }
    open_ = false;
    return MMSYSERR_NOERROR;
}

bool OfflineAudioDevice::startThread(ThreadProcedure procedure, int priority) {
    if (thread_.joinable() || procedure == nullptr) {
        return false;
    }
    // Ordinary scheduling: the offline clock only moves when the caller says so, so nothing can underrun.
    threadPriority_ = priority;
    thread_ = std::thread([procedure] { procedure(); });
    return true;
}

void OfflineAudioDevice::releaseThread() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void OfflineAudioDevice::sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void OfflineAudioDevice::advance(std::uint32_t frames) {
    std::lock_guard lock(mutex_);
    queriesAtAdvance_ = positionQueries_;
    std::uint64_t left = static_cast<std::uint64_t>(frames) * bytesPerFrame();
    while (left > 0) {
        if (queued_ == nullptr) {
            emitSilence(static_cast<std::size_t>(left));
            return;
        }
        const auto run = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, queued_->dwBufferLength - offset_));
        emit(reinterpret_cast<const std::uint8_t*>(queued_->lpData) + offset_, run);
        offset_ += run;
        position_ += run;
        playedBytes_ += run;
        left -= run;
        if (offset_ == queued_->dwBufferLength) {
            offset_ = 0;
            if (--playsLeft_ == 0) {
                finishBuffer();
            }
        }
    }
}

bool OfflineAudioDevice::waitForReader(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return queried_.wait_for(lock, timeout,
                             [this] { return queued_ == nullptr || positionQueries_ >= queriesAtAdvance_ + 2; });
}

bool OfflineAudioDevice::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

bool OfflineAudioDevice::isPlaying() const {
    std::lock_guard lock(mutex_);
    return queued_ != nullptr;
}

std::uint64_t OfflineAudioDevice::playedBytes() const {
    std::lock_guard lock(mutex_);
    return playedBytes_;
}

int OfflineAudioDevice::threadPriority() const { return threadPriority_; }

std::uint32_t OfflineAudioDevice::bytesPerFrame() const {
    return open_ ? format_.nBlockAlign : kDefaultBytesPerFrame;
}

void OfflineAudioDevice::emit(const std::uint8_t* bytes, std::size_t count) {
    if (sink_) {
        sink_(std::span<const std::uint8_t>(bytes, count));
    }
}

void OfflineAudioDevice::emitSilence(std::size_t count) {
    static constexpr std::array<std::uint8_t, 4096> kZeros{};
    while (count > 0) {
        const std::size_t run = std::min(count, kZeros.size());
        emit(kZeros.data(), run);
        count -= run;
    }
}

void OfflineAudioDevice::finishBuffer() {
    if (queued_ != nullptr) {
        queued_->dwFlags = (queued_->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        queued_ = nullptr;
    }
    offset_ = 0;
}

}  // namespace headless
