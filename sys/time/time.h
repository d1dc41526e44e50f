#pragma once

#include <cstdint>

// The system clock: a millisecond tick count that wraps at 2^32 (compare two ticks only
// through their unsigned difference), seconds as a double for frame timing, sleeping and
// local time. On the headless backend all of it runs on a fake clock that tests advance.
namespace sys::time {

uint32_t TickCount();
double Seconds();
void Sleep(uint32_t milliseconds);

struct LocalTime {
    int year = 0;        // e.g. 2026
    int month = 0;       // 1..12
    int dayOfWeek = 0;   // 0 = Sunday
    int day = 0;         // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};
LocalTime Now();

// Fake clock of the headless backend. Sleep advances it too, so code that waits by sleeping
// finishes at once in tests. Ticks and seconds move together.
void SetFakeTicks(uint32_t ticks);
void AdvanceFake(uint32_t milliseconds);
// Local time the fake clock reports at tick 0; later ticks add to it.
void SetFakeLocalTime(const LocalTime& at);

}  // namespace sys::time
