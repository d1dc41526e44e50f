#include "sys/time/headless/headless_clock.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace sys::time::headless {

namespace {

// Seconds count the fake milliseconds ever advanced, so they never run backwards, even
// when a test moves the tick count next to its wrap; ticks are that count plus an offset
// set by SetTicks, taken modulo 2^32.
struct FakeClock {
    std::mutex lock;
    uint64_t elapsedMs = 0;
    uint32_t tickOffset = 0;
    LocalTime localAtTickZero = {2000, 1, 6, 1, 0, 0, 0, 0};  // Saturday 1 January 2000
};

FakeClock& Clock() {
    static FakeClock clock;
    return clock;
}

uint32_t TicksLocked(const FakeClock& clock) {
    return clock.tickOffset + static_cast<uint32_t>(clock.elapsedMs);
}

}  // namespace

uint32_t TickCount() {
    FakeClock& clock = Clock();
    std::lock_guard<std::mutex> guard(clock.lock);
    return TicksLocked(clock);
}

double Seconds() {
    FakeClock& clock = Clock();
    std::lock_guard<std::mutex> guard(clock.lock);
    return static_cast<double>(clock.elapsedMs) / 1000.0;
}

void Advance(uint32_t milliseconds) {
    FakeClock& clock = Clock();
    std::lock_guard<std::mutex> guard(clock.lock);
    clock.elapsedMs += milliseconds;
}

void Sleep(uint32_t milliseconds) {
    Advance(milliseconds);
    // Let another thread run, as a real sleep would; a polling loop must not starve it.
    std::this_thread::yield();
}

void SetTicks(uint32_t ticks) {
    FakeClock& clock = Clock();
    std::lock_guard<std::mutex> guard(clock.lock);
    clock.tickOffset = ticks - static_cast<uint32_t>(clock.elapsedMs);
}

void SetLocalTime(const LocalTime& at) {
    FakeClock& clock = Clock();
    std::lock_guard<std::mutex> guard(clock.lock);
    // Normalised once here, so a weekday or an overflowing field given by a test cannot
    // come back out of Now() inconsistent.
    clock.localAtTickZero = AddMilliseconds(at, 0);
}

LocalTime Now() {
    FakeClock& clock = Clock();
    std::lock_guard<std::mutex> guard(clock.lock);
    return AddMilliseconds(clock.localAtTickZero, TicksLocked(clock));
}

LocalTime AddMilliseconds(const LocalTime& base, uint64_t milliseconds) {
    using namespace std::chrono;
    // Month and day are carried by hand, so fields past their range roll over instead of
    // reaching the calendar types' unspecified cases.
    const int monthIndex = base.month - 1;
    const int carryYears = monthIndex >= 0 ? monthIndex / 12 : -((11 - monthIndex) / 12);
    const int monthOfYear = monthIndex - carryYears * 12 + 1;
    const sys_days baseDay = sys_days{year{base.year + carryYears} / month{static_cast<unsigned>(monthOfYear)} / 1} +
                             days{base.day - 1};
    const int64_t baseMs = ((static_cast<int64_t>(base.hour) * 60 + base.minute) * 60 + base.second) * 1000 +
                           base.milliseconds;
    const int64_t totalMs = baseMs + static_cast<int64_t>(milliseconds);
    const auto instant = time_point<system_clock, std::chrono::milliseconds>(baseDay) +
                         std::chrono::milliseconds(totalMs);
    const sys_days dayPart = floor<days>(instant);
    const year_month_day date{dayPart};
    const hh_mm_ss<std::chrono::milliseconds> clock{instant - dayPart};

    LocalTime result;
    result.year = static_cast<int>(date.year());
    result.month = static_cast<int>(static_cast<unsigned>(date.month()));
    result.day = static_cast<int>(static_cast<unsigned>(date.day()));
    result.dayOfWeek = static_cast<int>(weekday{dayPart}.c_encoding());
    result.hour = static_cast<int>(clock.hours().count());
    result.minute = static_cast<int>(clock.minutes().count());
    result.second = static_cast<int>(clock.seconds().count());
    result.milliseconds = static_cast<int>(clock.subseconds().count());
    return result;
}

}  // namespace sys::time::headless
