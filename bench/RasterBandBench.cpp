// What four band threads cost the process while the game's thread waits between frames: each
// iteration runs a job that does nothing on every band, then the calling thread sleeps a
// millisecond. Bands with processors of their own spin a moment before they sleep; bands that
// share processors sleep at once. Run it as is and under `taskset -c 0` to compare. CPU: the
// process's processor time an iteration, wake-ups and spins included (the sleep costs none);
// counters: the processors the threads may run on, and the pauses spent spinning an iteration.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sys/raster/band_workers.h"

namespace {

void BandsBetweenFrames(benchmark::State& state) {
    sys::raster::BandWorkers workers(4);
    std::atomic<int> runs{0};
    for (auto _ : state) {
        workers.Run([](void* context, int) { ++*static_cast<std::atomic<int>*>(context); }, &runs);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    state.counters["processors"] = sys::raster::AllowedProcessors();
    state.counters["pauses"] =
        benchmark::Counter(static_cast<double>(workers.Pauses()), benchmark::Counter::kAvgIterations);
}

}  // namespace

// Iterations follow the clock: a sleeping iteration costs so little processor time that a
// processor-time target would take minutes.
BENCHMARK(BandsBetweenFrames)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);
