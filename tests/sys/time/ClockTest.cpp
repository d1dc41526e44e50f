// The clock seam: the fake clock the headless backend runs on (ticks, seconds, sleeping,
// local time) and the real clock of the SDL backend.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "sys/backend.h"
#include "sys/time/time.h"

namespace {

// Leaves every test on the headless backend, whatever a test selected.
class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { sys::SelectBackend(sys::Backend::Headless); }
};

sys::time::LocalTime MakeTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    sys::time::LocalTime at;
    at.year = year;
    at.month = month;
    at.day = day;
    at.hour = hour;
    at.minute = minute;
    at.second = second;
    at.milliseconds = ms;
    return at;
}

void ExpectTime(const sys::time::LocalTime& at, int year, int month, int day, int dayOfWeek, int hour,
                int minute, int second, int ms) {
    EXPECT_EQ(at.year, year);
    EXPECT_EQ(at.month, month);
    EXPECT_EQ(at.day, day);
    EXPECT_EQ(at.dayOfWeek, dayOfWeek);
    EXPECT_EQ(at.hour, hour);
    EXPECT_EQ(at.minute, minute);
    EXPECT_EQ(at.second, second);
    EXPECT_EQ(at.milliseconds, ms);
}

TEST_F(ClockTest, FakeTicksStartWhereSetAndAdvance) {
    sys::time::SetFakeTicks(1000);
    EXPECT_EQ(sys::time::TickCount(), 1000u);
    sys::time::AdvanceFake(250);
    EXPECT_EQ(sys::time::TickCount(), 1250u);
    sys::time::SetFakeTicks(0);
    EXPECT_EQ(sys::time::TickCount(), 0u);
}

TEST_F(ClockTest, FakeTicksWrapAndTheUnsignedDifferenceStaysRight) {
    sys::time::SetFakeTicks(0xFFFFFF00u);
    const uint32_t before = sys::time::TickCount();
    const double secondsBefore = sys::time::Seconds();
    sys::time::AdvanceFake(0x200);
    const uint32_t after = sys::time::TickCount();
    EXPECT_EQ(after, 0x100u);
    EXPECT_EQ(after - before, 0x200u);
    // Seconds keep counting through the wrap instead of jumping back 49 days.
    EXPECT_NEAR(sys::time::Seconds() - secondsBefore, 0.512, 1e-9);
}

TEST_F(ClockTest, SettingTicksDoesNotMoveSeconds) {
    const double seconds = sys::time::Seconds();
    sys::time::SetFakeTicks(123456);
    EXPECT_DOUBLE_EQ(sys::time::Seconds(), seconds);
}

TEST_F(ClockTest, FakeSleepAdvancesTicksAndSecondsWithoutWaiting) {
    sys::time::SetFakeTicks(500);
    const double seconds = sys::time::Seconds();
    const auto realStart = std::chrono::steady_clock::now();
    sys::time::Sleep(3000);
    const auto realWait = std::chrono::steady_clock::now() - realStart;
    EXPECT_EQ(sys::time::TickCount(), 3500u);
    EXPECT_NEAR(sys::time::Seconds() - seconds, 3.0, 1e-9);
    EXPECT_LT(realWait, std::chrono::milliseconds(1000));
}

TEST_F(ClockTest, FakeLocalTimeIsTheBasePlusTheTicks) {
    sys::time::SetFakeTicks(0);
    sys::time::SetFakeLocalTime(MakeTime(2026, 2, 28, 23, 59, 59, 500));
    ExpectTime(sys::time::Now(), 2026, 2, 28, 6, 23, 59, 59, 500);  // a Saturday
    sys::time::AdvanceFake(1000);
    ExpectTime(sys::time::Now(), 2026, 3, 1, 0, 0, 0, 0, 500);  // a Sunday
    sys::time::SetFakeTicks(5000);
    ExpectTime(sys::time::Now(), 2026, 3, 1, 0, 0, 0, 4, 500);
}

TEST_F(ClockTest, FakeLocalTimeCarriesIntoLeapDaysAndNewYears) {
    sys::time::SetFakeTicks(24u * 60 * 60 * 1000);
    sys::time::SetFakeLocalTime(MakeTime(2024, 2, 28, 12, 0, 0, 0));
    ExpectTime(sys::time::Now(), 2024, 2, 29, 4, 12, 0, 0, 0);  // leap day, a Thursday

    sys::time::SetFakeTicks(1);
    sys::time::SetFakeLocalTime(MakeTime(1999, 12, 31, 23, 59, 59, 999));
    ExpectTime(sys::time::Now(), 2000, 1, 1, 6, 0, 0, 0, 0);  // a Saturday
}

TEST_F(ClockTest, FakeLocalTimeNormalisesFieldsOutOfRange) {
    sys::time::SetFakeTicks(0);
    // Month 13 is January of the next year; 61 minutes carry into the hour.
    sys::time::SetFakeLocalTime(MakeTime(2025, 13, 1, 10, 61, 0, 0));
    ExpectTime(sys::time::Now(), 2026, 1, 1, 4, 11, 1, 0, 0);  // a Thursday
}

TEST_F(ClockTest, RealClockMovesWithRealSleep) {
    sys::SelectBackend(sys::Backend::Sdl);
    const uint32_t ticks = sys::time::TickCount();
    const double seconds = sys::time::Seconds();
    sys::time::Sleep(30);
    const uint32_t elapsedTicks = sys::time::TickCount() - ticks;
    const double elapsedSeconds = sys::time::Seconds() - seconds;
    EXPECT_GE(elapsedTicks, 29u);  // the tick count truncates to whole milliseconds
    EXPECT_LT(elapsedTicks, 5000u);
    EXPECT_GE(elapsedSeconds, 0.030);
    EXPECT_LT(elapsedSeconds, 5.0);
}

TEST_F(ClockTest, RealLocalTimeIsACalendarTime) {
    sys::SelectBackend(sys::Backend::Sdl);
    const sys::time::LocalTime now = sys::time::Now();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_GE(now.dayOfWeek, 0);
    EXPECT_LE(now.dayOfWeek, 6);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);  // a leap second
    EXPECT_GE(now.milliseconds, 0);
    EXPECT_LE(now.milliseconds, 999);
}

}  // namespace
