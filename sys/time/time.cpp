#include "sys/time/time.h"

#include "sys/backend.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/time/sdl/system_clock.h"

// Each call asks which backend runs, so a game that selects SDL at start-up gets the real
// clock from then on, and every test keeps the fake one.
namespace sys::time {

namespace {
bool Headless() { return CurrentBackend() == Backend::Headless; }
}  // namespace

uint32_t TickCount() { return Headless() ? headless::TickCount() : real::TickCount(); }

double Seconds() { return Headless() ? headless::Seconds() : real::Seconds(); }

void Sleep(uint32_t milliseconds) {
    if (Headless()) {
        headless::Sleep(milliseconds);
    } else {
        real::Sleep(milliseconds);
    }
}

LocalTime Now() { return Headless() ? headless::Now() : real::Now(); }

void SetFakeTicks(uint32_t ticks) { headless::SetTicks(ticks); }

void AdvanceFake(uint32_t milliseconds) { headless::Advance(milliseconds); }

void SetFakeLocalTime(const LocalTime& at) { headless::SetLocalTime(at); }

}  // namespace sys::time
