#include "core/SClock.h"

#include <cmath>
#include <cstdint>

#include "sys/time/time.h"

namespace {

// The high-resolution counter is read as whole nanoseconds of the system clock's seconds, so
// the arithmetic below works in counts and a period, as it would on a hardware counter.
constexpr double kCounterFrequency = 1.0e9;

bool ReadCounter(int64_t& count) {
    count = static_cast<int64_t>(std::llround(sys::time::Seconds() * kCounterFrequency));
    return true;
}

struct ClockState {
    bool started = false;
    uint32_t multimediaBase = 0;
    bool counterPresent = false;
    int64_t counterBase = 0;
    double period = 0.0;
    double multimediaOffset = 0.0;
    double lastResult = 0.0;
};

ClockState g_clock;

double MultimediaSeconds() {
    const uint32_t elapsedMs = sys::time::TickCount() - g_clock.multimediaBase;
    return static_cast<double>(elapsedMs) * 0.001 + g_clock.multimediaOffset;
}

double Remember(double seconds) {
    g_clock.lastResult = seconds;
    return seconds;
}

}  // namespace

double SecondsSinceStart() {
    if (!g_clock.started) {
        g_clock.started = true;
        g_clock.multimediaBase = sys::time::TickCount();
        int64_t count = 0;
        if (ReadCounter(count)) {
            g_clock.counterPresent = true;
            g_clock.counterBase = count;
            g_clock.period = 1.0 / kCounterFrequency;
        }
    }

    int64_t count = 0;
    if (!g_clock.counterPresent || !ReadCounter(count))
        return Remember(MultimediaSeconds());

    const double counterSeconds = static_cast<double>(count - g_clock.counterBase) * g_clock.period;
    // Small steps, backwards ones included, are trusted: the counter is the finer clock.
    if (counterSeconds - g_clock.lastResult <= 1.0)
        return Remember(counterSeconds);

    // More than a second in one step: ask the tick count whether that time really passed.
    const double multimediaSeconds = MultimediaSeconds();
    if (multimediaSeconds < g_clock.lastResult) {
        // The tick count fell behind (it is the coarser clock); pull it up to the counter.
        g_clock.multimediaOffset += counterSeconds - multimediaSeconds;
        return Remember(counterSeconds);
    }
    if (std::fabs(counterSeconds - multimediaSeconds) <= 0.1)
        return Remember(counterSeconds);

    // The counter leapt: move its base by the leap so later readings go on from the tick count.
    g_clock.counterBase += static_cast<int64_t>((counterSeconds - multimediaSeconds) / g_clock.period);
    return Remember(multimediaSeconds);
}
