#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The threads that draw a triangle draw's screen bands beside the calling thread. A job runs
// once per band, on whichever thread takes the band first: the calling thread takes one and
// then any band no thread has started, so a thread the system has not run yet holds nothing
// up; Run returns only when every band has finished, so a draw is complete when the draw call
// returns. A thread that waits (for the next job, or the caller for the bands in hand) spins
// briefly first, since draws of one frame follow each other closely, but only while every band
// has a processor of its own: where bands share processors a spinning thread would keep one
// from a band that has work, or from the game's main thread, so it sleeps at once. Owned by
// the rasterizer that uses it; its threads end with it and run where the thread that made it
// may run.
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
    // The pauses every waiting thread, the caller's included, has spent spinning so far: none
    // while bands share processors.
    uint64_t Pauses() const { return m_paused.load(std::memory_order_relaxed); }

    // Calls job(context, band) once for every band and waits for all of them. The job must not
    // throw; each band touches only what belongs to it, whichever thread runs it.
    void Run(Job job, void* context);

private:
    // The job's generation sits above the number of the next band nobody has taken.
    static constexpr int kBandBits = 8;
    static constexpr uint64_t kBandMask = (uint64_t{1} << kBandBits) - 1;

    void Stop();
    void Loop();
    // Waits for a job newer than `seen`; false when stopping.
    bool WaitForJob(uint64_t seen);
    // Runs the current job's bands that nobody has taken, one after another, until none is
    // left; `seen` becomes that job's generation.
    void RunUntaken(uint64_t& seen);

    int m_bands;
    bool m_spin;  // each band has a processor to itself, so a waiting thread may spin
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_sleepers = 0;  // guarded by m_mutex
    std::atomic<uint64_t> m_work{0};
    std::atomic<int> m_pending{0};  // bands of the current job not finished
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_paused{0};
    // Written by Run before it publishes a new generation, read by a thread once it has taken a
    // band of that generation (Run cannot end, nor the next begin, before that band finishes).
    Job m_job = nullptr;
    void* m_context = nullptr;
};

// The processors the calling thread may run on: its affinity set, which taskset and a
// container's processor set narrow, or the machine's hardware threads when the system does not
// tell; 0 when neither is known.
unsigned AllowedProcessors();

// The number of band threads a rasterizer uses when none is set: TARVEX_RASTER_THREADS when it
// holds a whole number from 1 to kMaxBandThreads (read once per process), otherwise the
// processors the calling thread may run on, up to four (worked out once per thread).
constexpr int kMaxBandThreads = 16;
int DefaultBandThreads();
// DefaultBandThreads' rule for a given setting (null: not set) and processor count (0: unknown).
int BandThreadsFor(const char* setting, unsigned processors);

}  // namespace sys::raster
