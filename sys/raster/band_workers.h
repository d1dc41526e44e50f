#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The threads that draw a triangle draw's screen bands beside the calling thread. A job runs
// once per band: band 0 on the calling thread, the others on the pool's threads, and Run
// returns only when every band has finished, so a draw is complete when the draw call
// returns. Between jobs the threads spin briefly (draws of one frame follow each other
// closely) and then sleep until the next job. Owned by the rasterizer that uses it; its
// threads end with it.
namespace sys::raster {

class BandWorkers {
public:
    using Job = void (*)(void* context, int band);

    // Starts bands - 1 threads (none for one band). When the system refuses a thread, none are
    // kept and Run draws every band on the calling thread.
    explicit BandWorkers(int bands);
    ~BandWorkers();
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;

    int Bands() const { return m_bands; }

    // Calls job(context, band) for every band and waits for all of them. The job must not
    // throw; each band touches only what belongs to it.
    void Run(Job job, void* context);

private:
    void Stop();
    void Loop(int band);
    // Waits for a job newer than `seen`; the new generation, or `seen` when stopping.
    uint64_t WaitForJob(uint64_t seen);

    int m_bands;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_sleepers = 0;  // guarded by m_mutex
    std::atomic<uint64_t> m_generation{0};
    std::atomic<int> m_pending{0};
    std::atomic<bool> m_stop{false};
    // Written by Run before it publishes a new generation, read by the threads after seeing it.
    Job m_job = nullptr;
    void* m_context = nullptr;
};

// The number of band threads a rasterizer uses when none is set: TARVEX_RASTER_THREADS when it
// holds a whole number from 1 to kMaxBandThreads (read once per process), otherwise the
// machine's hardware threads up to four.
constexpr int kMaxBandThreads = 16;
int DefaultBandThreads();
// DefaultBandThreads' rule for a given setting (null: not set) and hardware thread count
// (0: unknown).
int BandThreadsFor(const char* setting, unsigned hardwareThreads);

}  // namespace sys::raster
