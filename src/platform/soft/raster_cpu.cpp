// Run-time detection of AVX2 for the raster stage's wider kernels, and the switches tests use to compare
// kernels.
#include "platform/soft/raster_cpu.h"

#include <atomic>

namespace soft {
namespace {

bool cpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

std::atomic<bool> avx2Allowed{true};
std::atomic<bool> spanKernelsAllowed{true};

}  // namespace

bool rasterUsesAvx2() { return cpuHasAvx2() && avx2Allowed.load(std::memory_order_relaxed); }

void setRasterAvx2Allowed(bool allowed) { avx2Allowed.store(allowed, std::memory_order_relaxed); }

bool rasterUsesSpanKernels() { return spanKernelsAllowed.load(std::memory_order_relaxed); }

void setRasterSpanKernelsAllowed(bool allowed) { spanKernelsAllowed.store(allowed, std::memory_order_relaxed); }

}  // namespace soft
