#include "sys/rand.h"

#include <atomic>
#include <cstdint>

namespace sys {

namespace {

// One state for the whole process; the update is atomic so that a call arriving from
// another thread cannot tear it, while the main thread's sequence for a seed stays the same.
std::atomic<uint32_t> g_state{1};

constexpr uint32_t kMultiplier = 214013u;
constexpr uint32_t kIncrement = 2531011u;

}  // namespace

void Srand(unsigned seed) { g_state.store(static_cast<uint32_t>(seed), std::memory_order_relaxed); }

int Rand() {
    uint32_t current = g_state.load(std::memory_order_relaxed);
    uint32_t next = 0;
    do {
        next = current * kMultiplier + kIncrement;
    } while (!g_state.compare_exchange_weak(current, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & static_cast<uint32_t>(kRandMax));
}

}  // namespace sys
