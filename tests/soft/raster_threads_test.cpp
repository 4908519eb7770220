// The raster worker pool: every task runs exactly once, on no more threads than the draw asked for,
// whatever thread counts earlier draws used (the pool only grows).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/soft/raster_threads.h"

namespace {

struct TaskRun {
    std::vector<int> timesRun;
    std::set<std::thread::id> threads;
};

TaskRun runCounted(int threadCount, int taskCount) {
    std::vector<std::atomic<int>> counts(static_cast<std::size_t>(taskCount));
    std::mutex mutex;
    TaskRun run;
    soft::runRasterTasks(threadCount, taskCount, [&](int i) {
        counts[static_cast<std::size_t>(i)].fetch_add(1);
        // Long enough that idle workers would get a share if they took tasks they were not asked for.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        const std::lock_guard<std::mutex> lock(mutex);
        run.threads.insert(std::this_thread::get_id());
    });
    for (const auto& count : counts) run.timesRun.push_back(count.load());
    return run;
}

TEST(RasterThreads, EveryTaskRunsOnceOnAtMostTheThreadsAskedFor) {
    // Up to 8, down to 1, up again: the pool keeps the workers of the widest draw.
    for (const int threads : {4, 1, 8, 2, 3, 12, 0, -5}) {
        for (const int tasks : {0, 1, 3, 64}) {
            const TaskRun run = runCounted(threads, tasks);
            EXPECT_EQ(run.timesRun, std::vector<int>(static_cast<std::size_t>(tasks), 1))
                << threads << " threads, " << tasks << " tasks";
            const std::size_t allowed = static_cast<std::size_t>(std::clamp(threads, 1, 8));
            EXPECT_LE(run.threads.size(), allowed) << threads << " threads, " << tasks << " tasks";
            if (threads <= 1 && tasks > 0) {
                EXPECT_EQ(*run.threads.begin(), std::this_thread::get_id()) << "one thread is the caller's";
            }
        }
    }
}

}  // namespace
