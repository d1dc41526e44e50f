#pragma once

#include <cstdint>

#include "sys/time/time.h"

// The fake clock of the headless backend. Owned by sys::time, which forwards to it while the
// headless backend is selected; nothing else includes this header.
namespace sys::time::headless {

uint32_t TickCount();
double Seconds();
void Sleep(uint32_t milliseconds);
LocalTime Now();

void SetTicks(uint32_t ticks);
void Advance(uint32_t milliseconds);
void SetLocalTime(const LocalTime& at);

// Adds a number of milliseconds to a calendar time, carrying into seconds, days, months and
// years, and recomputes the weekday. Shared with the tests of the fake local time.
LocalTime AddMilliseconds(const LocalTime& base, uint64_t milliseconds);

}  // namespace sys::time::headless
