#include "sys/raster/band_workers.h"

#include <chrono>
#include <cstdlib>
#include <system_error>

namespace sys::raster {

namespace {

// How long an idle thread keeps looking for the next job before it sleeps: long enough to
// bridge the gap between the draws of one frame, short against a frame.
constexpr auto kSpinTime = std::chrono::microseconds(200);

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

BandWorkers::BandWorkers(int bands) : m_bands(bands < 1 ? 1 : bands) {
    try {
        for (int band = 1; band < bands; ++band) {
            m_threads.emplace_back([this, band] { Loop(band); });
        }
    } catch (const std::system_error&) {
        // The system has no thread to spare: every band is drawn on the calling thread.
        Stop();
    }
}

BandWorkers::~BandWorkers() { Stop(); }

void BandWorkers::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
    m_threads.clear();
}

void BandWorkers::Run(Job job, void* context) {
    if (m_threads.empty()) {
        for (int band = 0; band < m_bands; ++band) {
            job(context, band);
        }
        return;
    }
    // The previous job's bands have all finished (Run waited for them), so nobody reads these.
    m_job = job;
    m_context = context;
    m_pending.store(static_cast<int>(m_threads.size()), std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_generation.fetch_add(1, std::memory_order_release);
        if (m_sleepers > 0) {
            m_wake.notify_all();
        }
    }
    job(context, 0);
    for (int spins = 0; m_pending.load(std::memory_order_acquire) != 0; ++spins) {
        // A band thread the system has put aside can take a while; stop burning the core then.
        if (spins < 4096) {
            Pause();
        } else {
            std::this_thread::yield();
        }
    }
}

uint64_t BandWorkers::WaitForJob(uint64_t seen) {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (int spins = 0;; ++spins) {
        if (m_stop.load(std::memory_order_acquire)) {
            return seen;
        }
        const uint64_t now = m_generation.load(std::memory_order_acquire);
        if (now != seen) {
            return now;
        }
        if ((spins & 63) == 63 && std::chrono::steady_clock::now() >= until) {
            break;
        }
        Pause();
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_sleepers;
    m_wake.wait(lock, [this, seen] {
        return m_stop.load(std::memory_order_acquire) || m_generation.load(std::memory_order_acquire) != seen;
    });
    --m_sleepers;
    return m_stop.load(std::memory_order_acquire) ? seen : m_generation.load(std::memory_order_acquire);
}

void BandWorkers::Loop(int band) {
    uint64_t seen = 0;
    for (;;) {
        const uint64_t next = WaitForJob(seen);
        if (next == seen) {
            return;
        }
        seen = next;
        m_job(m_context, band);
        m_pending.fetch_sub(1, std::memory_order_release);
    }
}

int BandThreadsFor(const char* setting, unsigned hardwareThreads) {
    if (setting != nullptr && *setting != '\0') {
        char* end = nullptr;
        const long value = std::strtol(setting, &end, 10);
        if (*end == '\0' && value >= 1 && value <= kMaxBandThreads) {
            return static_cast<int>(value);
        }
    }
    if (hardwareThreads == 0) {
        return 1;
    }
    return hardwareThreads < 4 ? static_cast<int>(hardwareThreads) : 4;
}

int DefaultBandThreads() {
    static const int threads = BandThreadsFor(std::getenv("TARVEX_RASTER_THREADS"),
                                              std::thread::hardware_concurrency());
    return threads;
}

}  // namespace sys::raster
