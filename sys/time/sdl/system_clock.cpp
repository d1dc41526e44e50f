#include "sys/time/sdl/system_clock.h"

#include <time.h>

#include <chrono>
#include <thread>

namespace sys::time::real {

namespace {

using Steady = std::chrono::steady_clock;

// Seconds are measured from the first use, so a double keeps sub-microsecond steps for the
// whole life of the program.
Steady::time_point Origin() {
    static const Steady::time_point origin = Steady::now();
    return origin;
}

}  // namespace

uint32_t TickCount() {
    // The monotonic clock counts from boot, as the tick count always has; truncating to 32
    // bits gives the same wrap every caller already handles.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

double Seconds() {
    return std::chrono::duration<double>(Steady::now() - Origin()).count();
}

void Sleep(uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

LocalTime Now() {
    const auto now = std::chrono::system_clock::now();
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const time_t seconds = static_cast<time_t>(sinceEpoch.count() / 1000);
    int millis = static_cast<int>(sinceEpoch.count() % 1000);
    // localtime_r applies the machine's zone and its daylight-saving rules.
    struct tm parts = {};
    LocalTime result;
    if (localtime_r(&seconds, &parts) == nullptr) {
        return result;
    }
    if (millis < 0) {
        millis += 1000;
    }
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.dayOfWeek = parts.tm_wday;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    result.milliseconds = millis;
    return result;
}

}  // namespace sys::time::real
