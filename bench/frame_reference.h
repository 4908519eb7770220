// The reference every benchmark here is reported against: a memcpy of one 800 x 500 frame of 32-bit
// pixels, timed in the same process, and the helper that reports a benchmark as a multiple of it.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 500;
constexpr std::size_t kFramePixels = static_cast<std::size_t>(kFrameWidth) * kFrameHeight;

// Median time of one frame-sized memcpy in seconds, over 201 copies, measured on first use.
inline double memcpyFrameSeconds() {
    static const double seconds = [] {
        std::vector<std::uint32_t> a(kFramePixels, 1u), b(kFramePixels, 2u);
        std::vector<double> samples;
        for (int i = 0; i < 201; ++i) {
            const auto start = std::chrono::steady_clock::now();
            std::memcpy(b.data(), a.data(), kFramePixels * sizeof(std::uint32_t));
            benchmark::DoNotOptimize(b.data());
            benchmark::ClobberMemory();
            samples.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            std::swap(a, b);
        }
        std::nth_element(samples.begin(), samples.begin() + 100, samples.end());
        return samples[100];
    }();
    return seconds;
}

// Runs the benchmark loop, timing each call of work with the wall clock (register the benchmark with
// UseManualTime), and reports the counter x_memcpy: the mean time of one call divided by
// memcpyFrameSeconds().
template <typename Work>
void timeAgainstMemcpy(benchmark::State& state, Work work) {
    double total = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work();
        benchmark::ClobberMemory();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["x_memcpy"] = total / static_cast<double>(state.iterations()) / memcpyFrameSeconds();
}

// The reference itself as a benchmark, so that its median appears in the same table.
inline void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<std::uint32_t> a(kFramePixels, 1u), b(kFramePixels, 2u);
    timeAgainstMemcpy(state, [&] {
        std::memcpy(b.data(), a.data(), kFramePixels * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(b.data());
    });
}

// Measures the reference before any benchmark runs, then runs them.
inline int runBenchmarks(int argc, char** argv) {
    memcpyFrameSeconds();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
