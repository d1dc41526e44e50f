#pragma once

#include <cstdint>

#include "sys/time/time.h"

// The machine's own clock, used by sys::time while the SDL backend is selected.
namespace sys::time::real {

uint32_t TickCount();
double Seconds();
void Sleep(uint32_t milliseconds);
LocalTime Now();

}  // namespace sys::time::real
