// Settings a benchmark takes from the environment for instruction counts of steady frames:
// MARLOWE_RASTER_THREADS sets the rasteriser's threads and MARLOWE_BENCH_FRAMES a fixed number of
// frames per run.
#pragma once
#include <benchmark/benchmark.h>
#include <d3d9/testhooks.h>

#include <cstdlib>

namespace benchenv {

// A count from the environment; 0 when it is not set.
inline unsigned CountFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? unsigned(std::strtoul(value, nullptr, 10)) : 0;
}

// Devices made from now on take MARLOWE_RASTER_THREADS rasteriser threads, where it is set.
inline void ThreadsFromEnvironment() {
    if (const unsigned threads = CountFromEnvironment("MARLOWE_RASTER_THREADS")) d3d9test::SetWorkerThreads(threads);
}

// A benchmark runs MARLOWE_BENCH_FRAMES iterations, where it is set (for BENCHMARK(...)->Apply).
inline void FramesFromEnvironment(benchmark::internal::Benchmark* b) {
    if (const unsigned frames = CountFromEnvironment("MARLOWE_BENCH_FRAMES")) b->Iterations(frames);
}

}  // namespace benchenv
