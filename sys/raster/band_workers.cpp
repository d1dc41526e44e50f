#include "sys/raster/band_workers.h"

#include <sched.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>

namespace sys::raster {

namespace {

// How long a waiting thread with a processor to itself keeps looking before it sleeps: long
// enough to bridge the gap between the draws of one frame, short against a frame.
constexpr auto kSpinTime = std::chrono::microseconds(200);

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Pauses until `done` holds or kSpinTime has passed, adding the pauses to `paused`; whether
// it holds.
template <typename Done>
bool SpinUntil(Done done, std::atomic<uint64_t>& paused) {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (int spins = 0;; ++spins) {
        const bool held = done();
        if (held || ((spins & 63) == 63 && std::chrono::steady_clock::now() >= until)) {
            if (spins > 0) {
                paused.fetch_add(static_cast<uint64_t>(spins), std::memory_order_relaxed);
            }
            return held;
        }
        Pause();
    }
}

// TARVEX_RASTER_THREADS as the process found it; null when it is not set.
const char* ThreadSetting() {
    static const std::optional<std::string> setting = []() -> std::optional<std::string> {
        const char* value = std::getenv("TARVEX_RASTER_THREADS");
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }();
    return setting ? setting->c_str() : nullptr;
}

}  // namespace

BandWorkers::BandWorkers(int bands)
    : m_bands(bands < 1 ? 1 : bands), m_spin(static_cast<unsigned>(m_bands) <= AllowedProcessors()) {
    try {
        for (int thread = 1; thread < m_bands; ++thread) {
            m_threads.emplace_back([this] { Loop(); });
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
    m_pending.store(m_bands, std::memory_order_relaxed);
    uint64_t generation = (m_work.load(std::memory_order_relaxed) >> kBandBits) + 1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_work.store(generation << kBandBits, std::memory_order_release);
        if (m_sleepers > 0) {
            m_wake.notify_all();
        }
    }
    RunUntaken(generation);
    const auto finished = [this] { return m_pending.load(std::memory_order_acquire) == 0; };
    if (m_spin && SpinUntil(finished, m_paused)) {
        return;
    }
    // The last band to finish wakes this thread.
    for (int left; (left = m_pending.load(std::memory_order_acquire)) != 0;) {
        m_pending.wait(left, std::memory_order_acquire);
    }
}

void BandWorkers::RunUntaken(uint64_t& seen) {
    uint64_t work = m_work.load(std::memory_order_acquire);
    for (;;) {
        seen = work >> kBandBits;
        const int band = static_cast<int>(work & kBandMask);
        if (band >= m_bands) {
            return;
        }
        if (!m_work.compare_exchange_weak(work, work + 1, std::memory_order_acq_rel, std::memory_order_acquire)) {
            continue;
        }
        m_job(m_context, band);
        if (m_pending.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            m_pending.notify_one();
        }
        work = m_work.load(std::memory_order_acquire);
    }
}

bool BandWorkers::WaitForJob(uint64_t seen) {
    const auto news = [this, seen] {
        return m_stop.load(std::memory_order_acquire) ||
               (m_work.load(std::memory_order_acquire) >> kBandBits) != seen;
    };
    if (!m_spin || !SpinUntil(news, m_paused)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_sleepers;
        m_wake.wait(lock, news);
        --m_sleepers;
    }
    return !m_stop.load(std::memory_order_acquire);
}

void BandWorkers::Loop() {
    uint64_t seen = 0;
    while (WaitForJob(seen)) {
        RunUntaken(seen);
    }
}

unsigned AllowedProcessors() {
    // A machine with more processors than the set holds answers EINVAL: ask again with a
    // larger set.
    for (size_t processors = CPU_SETSIZE; processors <= (size_t{1} << 16); processors *= 2) {
        cpu_set_t* set = CPU_ALLOC(processors);
        if (set == nullptr) {
            break;
        }
        const size_t bytes = CPU_ALLOC_SIZE(processors);
        CPU_ZERO_S(bytes, set);
        const bool read = sched_getaffinity(0, bytes, set) == 0;
        const bool tooSmall = !read && errno == EINVAL;
        const int allowed = read ? CPU_COUNT_S(bytes, set) : 0;
        CPU_FREE(set);
        if (allowed > 0) {
            return static_cast<unsigned>(allowed);
        }
        if (!tooSmall) {
            break;
        }
    }
    return std::thread::hardware_concurrency();
}

int BandThreadsFor(const char* setting, unsigned processors) {
    if (setting != nullptr && *setting != '\0') {
        char* end = nullptr;
        const long value = std::strtol(setting, &end, 10);
        if (*end == '\0' && value >= 1 && value <= kMaxBandThreads) {
            return static_cast<int>(value);
        }
    }
    if (processors == 0) {
        return 1;
    }
    return processors < 4 ? static_cast<int>(processors) : 4;
}

// Per thread, as each thread has its own affinity; a rasterizer asks at every draw, so the
// set is read once.
int DefaultBandThreads() {
    thread_local const int threads = BandThreadsFor(ThreadSetting(), AllowedProcessors());
    return threads;
}

}  // namespace sys::raster
