// The engine clock on the fake clock of the headless backend: steps that follow the elapsed
// time, a high-resolution counter that leaps and a tick count that falls behind.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "core/SClock.h"
#include "sys/time/time.h"

namespace {

constexpr double kTolerance = 1e-6;

// Moves the fake clock's counter (its seconds) and its tick count by different amounts, the
// tick count never more than the counter and never backwards.
void StepCounterAndTicks(uint32_t counterMs, uint32_t tickMs) {
    const uint32_t ticks = sys::time::TickCount();
    sys::time::AdvanceFake(counterMs);
    sys::time::SetFakeTicks(ticks + tickMs);
}

// Earlier tests in this program may have moved the fake clock in any way. Two counter leaps
// of different sizes make the engine clock line counter and tick count up again; the last one
// ends with the answer taken from the tick count itself.
double Realign() {
    SecondsSinceStart();
    StepCounterAndTicks(5000, 0);
    SecondsSinceStart();
    StepCounterAndTicks(7000, 200);
    return SecondsSinceStart();
}

}  // namespace

TEST(EngineClock, FirstCallStartsAtZero) {
    // A fresh process, so this really is the first call.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const double first = SecondsSinceStart();
            sys::time::AdvanceFake(16);
            const double second = SecondsSinceStart();
            std::exit(first == 0.0 && second > 0.0159 && second < 0.0161 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(EngineClock, StepsFollowTheElapsedTime) {
    const double start = Realign();
    sys::time::AdvanceFake(16);
    EXPECT_NEAR(SecondsSinceStart(), start + 0.016, kTolerance);
    sys::time::AdvanceFake(1000);  // exactly one second: still trusted without a cross-check
    EXPECT_NEAR(SecondsSinceStart(), start + 1.016, kTolerance);
    sys::time::AdvanceFake(2500);  // a long step both clocks saw
    EXPECT_NEAR(SecondsSinceStart(), start + 3.516, kTolerance);
    // Within a tenth of a second of each other the finer counter wins.
    StepCounterAndTicks(1500, 1450);
    EXPECT_NEAR(SecondsSinceStart(), start + 5.016, kTolerance);
    EXPECT_NEAR(SecondsSinceStart(), start + 5.016, kTolerance);
}

TEST(EngineClock, CounterLeapIsAbsorbed) {
    const double start = Realign();
    StepCounterAndTicks(5000, 0);
    // The five seconds only the counter saw never reach the game.
    EXPECT_NEAR(SecondsSinceStart(), start, kTolerance);
    sys::time::AdvanceFake(100);
    EXPECT_NEAR(SecondsSinceStart(), start + 0.1, kTolerance);
    sys::time::AdvanceFake(3000);
    EXPECT_NEAR(SecondsSinceStart(), start + 3.1, kTolerance);
}

TEST(EngineClock, LeapLargerThanATenthFollowsTheTickCount) {
    const double start = Realign();
    StepCounterAndTicks(2000, 1500);
    EXPECT_NEAR(SecondsSinceStart(), start + 1.5, kTolerance);
    sys::time::AdvanceFake(500);
    EXPECT_NEAR(SecondsSinceStart(), start + 2.0, kTolerance);
}

TEST(EngineClock, TickCountFallingBehindIsCaughtUp) {
    const double start = Realign();
    // Steps of up to a second are taken from the counter alone, while the tick count stalls.
    for (int i = 1; i <= 3; ++i) {
        StepCounterAndTicks(900, 0);
        EXPECT_NEAR(SecondsSinceStart(), start + 0.9 * i, kTolerance);
    }
    // The next long step finds the tick count behind the last answer: the counter is believed
    // and the tick count is moved up to it...
    StepCounterAndTicks(1500, 500);
    EXPECT_NEAR(SecondsSinceStart(), start + 4.2, kTolerance);
    // ...so it still tells a later counter leap from real time.
    StepCounterAndTicks(5000, 100);
    EXPECT_NEAR(SecondsSinceStart(), start + 4.3, kTolerance);
    sys::time::AdvanceFake(1500);
    EXPECT_NEAR(SecondsSinceStart(), start + 5.8, kTolerance);
}
