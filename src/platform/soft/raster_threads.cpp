// The raster stage's worker pool: persistent threads woken per parallel draw, tasks handed out through
// an atomic counter, the calling thread working alongside them.
#include "platform/soft/raster_threads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace soft {
namespace {

constexpr int kMaxThreads = 8;

class RasterWorkers {
public:
    ~RasterWorkers() { stopWorkers(); }

    void setThreadCount(int count) {
        std::lock_guard<std::mutex> runLock(runMutex_);
        stopWorkers();
        threadCount_ = std::clamp(count, 1, kMaxThreads);
    }

    int threadCount() {
        std::lock_guard<std::mutex> runLock(runMutex_);
        return threadCount_;
    }

    void run(int taskCount, const std::function<void(int)>& task) {
        std::unique_lock<std::mutex> runLock(runMutex_, std::try_to_lock);
        if (!runLock.owns_lock() || threadCount_ == 1 || taskCount <= 1) {
            for (int i = 0; i < taskCount; ++i) task(i);
            return;
        }
        startWorkers();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            task_ = &task;
            taskCount_ = taskCount;
            next_.store(0);
            busy_ = static_cast<int>(threads_.size());
            ++generation_;
        }
        wake_.notify_all();
        work(task, taskCount);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
        task_ = nullptr;
    }

private:
    void work(const std::function<void(int)>& task, int taskCount) {
        for (int i = next_.fetch_add(1); i < taskCount; i = next_.fetch_add(1)) task(i);
    }

    // seen is the generation current when the thread was created, so it waits for the next one.
    void workerLoop(unsigned long seen) {
        for (;;) {
            const std::function<void(int)>* task = nullptr;
            int taskCount = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
                if (stop_) return;
                seen = generation_;
                task = task_;
                taskCount = taskCount_;
            }
            work(*task, taskCount);
            std::lock_guard<std::mutex> lock(mutex_);
            if (--busy_ == 0) done_.notify_one();
        }
    }

    void startWorkers() {
        if (!threads_.empty()) return;
        unsigned long generation = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = false;
            generation = generation_;
        }
        for (int i = 1; i < threadCount_; ++i) threads_.emplace_back([this, generation] { workerLoop(generation); });
    }

    void stopWorkers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    std::mutex runMutex_;  // one parallel draw at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
    const std::function<void(int)>* task_ = nullptr;
    int taskCount_ = 0;
    std::atomic<int> next_{0};
    int busy_ = 0;
    unsigned long generation_ = 0;
    bool stop_ = false;
    int threadCount_ = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
};

RasterWorkers& workers() {
    static RasterWorkers instance;
    return instance;
}

}  // namespace

void setRasterThreadCount(int count) { workers().setThreadCount(count); }

int rasterThreadCount() { return workers().threadCount(); }

void runRasterTasks(int taskCount, const std::function<void(int)>& task) { workers().run(taskCount, task); }

}  // namespace soft
