// The raster settings resolved against the processor: its hardware threads and whether it has AVX2,
// both read once.
#include "platform/soft/raster_settings.h"

#include <algorithm>
#include <thread>

namespace soft {
namespace {

constexpr int kMaxThreads = 8;

bool cpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

int hardwareThreads() {
    static const int count = static_cast<int>(std::thread::hardware_concurrency());
    return count;
}

}  // namespace

int rasterThreadCount(const RasterSettings& settings) {
    const int wanted = settings.threadCount == 0 ? hardwareThreads() : settings.threadCount;
    return std::clamp(wanted, 1, kMaxThreads);
}

bool rasterUsesAvx2(const RasterSettings& settings) { return settings.avx2 == KernelUse::Auto && cpuHasAvx2(); }

bool rasterUsesSpanKernels(const RasterSettings& settings) { return settings.spanKernels == KernelUse::Auto; }

}  // namespace soft
