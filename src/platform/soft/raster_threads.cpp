// The raster stage's worker pool: persistent threads woken per parallel draw, tasks handed out through
// an atomic counter, the calling thread working alongside them.
//
// A draw of a few hundred microseconds cannot afford the tens of microseconds a sleeping thread takes
// to wake, and draws come in bursts (the layers of one frame). So after a draw the workers spin for a
// short while, watching for the next one, before they sleep; and the calling thread spins for the
// workers' last tasks before it sleeps.
#include "platform/soft/raster_threads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

namespace soft {
namespace {

constexpr int kMaxThreads = 8;
constexpr auto kSpinTime = std::chrono::microseconds(100);

void pause() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

// Spins until ready() or until kSpinTime has passed; returns ready().
template <typename Ready>
bool spinUntil(Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + kSpinTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready()) return true;
            pause();
        }
        if (std::chrono::steady_clock::now() >= deadline) return ready();
    }
}

class RasterWorkers {
public:
    ~RasterWorkers() { stopWorkers(); }

    void run(int threadCount, int taskCount, const std::function<void(int)>& task) {
        const int helpers = std::min(std::clamp(threadCount, 1, kMaxThreads), taskCount) - 1;
        std::unique_lock<std::mutex> runLock(runMutex_, std::try_to_lock);
        if (!runLock.owns_lock() || helpers <= 0) {
            for (int i = 0; i < taskCount; ++i) task(i);
            return;
        }
        startWorkers(helpers);
        task_ = &task;
        taskCount_ = taskCount;
        helpers_ = helpers;
        next_.store(0, std::memory_order_relaxed);
        busy_.store(static_cast<int>(threads_.size()), std::memory_order_relaxed);
        {
            // Under the mutex, so that a worker about to sleep sees either the old generation and then
            // the notification, or the new one.
            std::lock_guard<std::mutex> lock(mutex_);
            generation_.fetch_add(1, std::memory_order_release);
        }
        wake_.notify_all();
        work(task, taskCount);
        if (!spinUntil([this] { return busy_.load(std::memory_order_acquire) == 0; })) {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [this] { return busy_.load(std::memory_order_acquire) == 0; });
        }
        task_ = nullptr;
    }

private:
    void work(const std::function<void(int)>& task, int taskCount) {
        for (int i = next_.fetch_add(1); i < taskCount; i = next_.fetch_add(1)) task(i);
    }

    bool woken(unsigned long seen) const {
        return stop_.load(std::memory_order_acquire) || generation_.load(std::memory_order_acquire) != seen;
    }

    // seen is the generation current when the thread was created, so it waits for the next one. Every
    // worker answers every draw; those beyond the draw's helper count only report back.
    void workerLoop(int index, unsigned long seen) {
        for (;;) {
            if (!spinUntil([&] { return woken(seen); })) {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return woken(seen); });
            }
            if (stop_.load(std::memory_order_acquire)) return;
            seen = generation_.load(std::memory_order_acquire);
            if (index < helpers_) work(*task_, taskCount_);
            if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                std::lock_guard<std::mutex> lock(mutex_);
                done_.notify_one();
            }
        }
    }

    // Called between draws, so every existing worker is waiting for the next generation.
    void startWorkers(int helpers) {
        const unsigned long generation = generation_.load(std::memory_order_acquire);
        for (int i = static_cast<int>(threads_.size()); i < helpers; ++i) {
            threads_.emplace_back([this, i, generation] { workerLoop(i, generation); });
        }
    }

    void stopWorkers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_.store(true, std::memory_order_release);
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    std::mutex runMutex_;  // one parallel draw at a time
    std::mutex mutex_;     // for sleeping and waking only; the hand-off itself is through the atomics
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
    // Written by the calling thread before it advances generation_ (release), read by workers after
    // they see the new generation (acquire).
    const std::function<void(int)>* task_ = nullptr;
    int taskCount_ = 0;
    int helpers_ = 0;  // workers that take tasks in this draw: those with index < helpers_
    std::atomic<int> next_{0};
    std::atomic<int> busy_{0};  // workers still inside the current draw
    std::atomic<unsigned long> generation_{0};
    std::atomic<bool> stop_{false};
};

RasterWorkers& workers() {
    static RasterWorkers instance;
    return instance;
}

}  // namespace

void runRasterTasks(int threadCount, int taskCount, const std::function<void(int)>& task) {
    workers().run(threadCount, taskCount, task);
}

}  // namespace soft
