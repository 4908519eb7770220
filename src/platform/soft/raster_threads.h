// The raster stage's worker threads: one process-wide pool that runs the row bands of a large draw in
// parallel. Results never depend on the thread count, because every band draws its primitives in order.
#pragma once

#include <functional>

namespace soft {

// Threads used by the raster stage, the calling thread included (at least 1). Until set, the number of
// hardware threads, at most 8. Tests set 1 to compare against parallel output.
void setRasterThreadCount(int count);
int rasterThreadCount();

// Runs task(i) for every i in [0, taskCount) on the pool and the calling thread, in any order, and
// returns when all are done. A call made while another is running executes its tasks inline.
void runRasterTasks(int taskCount, const std::function<void(int)>& task);

}  // namespace soft
