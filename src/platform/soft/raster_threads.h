// The raster stage's worker threads: one process-wide pool that runs the row bands of a large draw in
// parallel. Results never depend on the thread count, because every band draws its primitives in order.
// The pool holds threads only; how many a draw uses is the device's setting (raster_settings.h).
#pragma once

#include <functional>

namespace soft {

// Runs task(i) for every i in [0, taskCount) on threadCount threads at most (clamped to 1..8), the
// calling thread included, in any order, and returns when all are done. The pool grows to the largest
// count asked for. A call made while another is running executes its tasks inline.
void runRasterTasks(int threadCount, int taskCount, const std::function<void(int)>& task);

}  // namespace soft
