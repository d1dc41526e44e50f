// Calendar time: local dates built and taken apart with daylight saving decided by the
// system's rules, normalisation of impossible dates, strftime formatting, and "now" from the
// headless clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "sys/classlib/CTime.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/time/time.h"

namespace {

// Central European rules written out, so the test needs no zone database: UTC+1, summer time
// UTC+2 from the last Sunday of March to the last Sunday of October.
class CTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        m_hadTz = old != nullptr;
        if (m_hadTz)
            m_oldTz = old;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    void TearDown() override {
        if (m_hadTz)
            ::setenv("TZ", m_oldTz.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

    bool m_hadTz = false;
    std::string m_oldTz;
};

}  // namespace

TEST_F(CTimeTest, LocalDateWithTheSystemsDaylightSaving) {
    // 1 July 2020 12:00 summer time is 10:00 UTC; 1 January 2020 12:00 is 11:00 UTC.
    const CTime summer(2020, 7, 1, 12, 0, 0);
    EXPECT_EQ(summer.GetTime(), 1593597600);
    const CTime winter(2020, 1, 1, 12, 0, 0);
    EXPECT_EQ(winter.GetTime(), 1577876400);
    EXPECT_EQ(summer.GetYear(), 2020);
    EXPECT_EQ(summer.GetMonth(), 7);
    EXPECT_EQ(summer.GetDay(), 1);
    EXPECT_EQ(summer.GetHour(), 12);
    EXPECT_EQ(summer.GetMinute(), 0);
    EXPECT_EQ(summer.GetDayOfWeek(), 4);  // a Wednesday
    // Saying "no daylight saving" for a summer date moves it an hour later in local time.
    const CTime forcedStandard(2020, 7, 1, 12, 0, 0, 0);
    EXPECT_EQ(forcedStandard.GetTime(), 1593601200);
    EXPECT_EQ(forcedStandard.GetHour(), 13);
}

TEST_F(CTimeTest, ImpossibleDatesRollOver) {
    const CTime feb30(2001, 2, 30, 0, 0, 0);
    EXPECT_EQ(feb30.GetMonth(), 3);
    EXPECT_EQ(feb30.GetDay(), 2);
    const CTime midnight(1999, 12, 31, 24, 0, 0);
    EXPECT_EQ(midnight.GetYear(), 2000);
    EXPECT_EQ(midnight.GetDay(), 1);
}

TEST_F(CTimeTest, FormatAndCompare) {
    const CTime t(1999, 12, 31, 23, 5, 9);
    EXPECT_STREQ(t.Format("%Y-%m-%d %H:%M:%S"), "1999-12-31 23:05:09");
    EXPECT_STREQ(t.Format("%j"), "365");
    EXPECT_STREQ(t.Format(""), "");
    const CTime later(t.GetTime() + 1);
    EXPECT_TRUE(t < later);
    EXPECT_TRUE(t != later);
    EXPECT_TRUE(CTime(t.GetTime()) == t);
    std::tm fields{};
    ASSERT_EQ(t.GetLocalTm(&fields), &fields);
    EXPECT_EQ(fields.tm_yday, 364);
}

TEST_F(CTimeTest, CurrentTimeFollowsTheHeadlessClock) {
    // The local time is pinned to the fake clock's tick zero; earlier tests may have moved
    // the clock on by minutes.
    sys::time::headless::SetTicks(0);
    sys::time::SetFakeLocalTime({2003, 4, 0, 5, 6, 7, 8, 0});
    const CTime now = CTime::GetCurrentTime();
    EXPECT_EQ(now.GetYear(), 2003);
    EXPECT_EQ(now.GetMonth(), 4);
    EXPECT_EQ(now.GetDay(), 5);
    EXPECT_EQ(now.GetHour(), 6);
    EXPECT_EQ(now.GetMinute(), 7);
    EXPECT_GE(now.GetSecond(), 8);
}
