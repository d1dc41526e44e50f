// The date helpers: month/day/year texts with their fall-backs, day numbers by the fixed
// month table, and sunrise and sunset.

#include <gtest/gtest.h>

#include "core/SDateUtil.h"
#include "sys/classlib/CTime.h"
#include "sys/time/time.h"

namespace {

void ExpectDate(const CTime& time, int year, int month, int day) {
    EXPECT_EQ(time.GetYear(), year);
    EXPECT_EQ(time.GetMonth(), month);
    EXPECT_EQ(time.GetDay(), day);
    EXPECT_EQ(time.GetHour(), 0);
    EXPECT_EQ(time.GetMinute(), 0);
    EXPECT_EQ(time.GetSecond(), 0);
}

sys::time::LocalTime At(int year, int month, int day) {
    sys::time::LocalTime at;
    at.year = year;
    at.month = month;
    at.day = day;
    return at;
}

}  // namespace

TEST(DateParsing, MonthDayYearAtMidnight) {
    ExpectDate(ParseDate("12/31/99"), 1999, 12, 31);
    ExpectDate(ParseDate("7/4/2001"), 2001, 7, 4);
    ExpectDate(ParseDate(" 3/ 9/ 2010"), 2010, 3, 9);
    ExpectDate(ParseDate("1/1/38"), 2038, 1, 1);
    ExpectDate(ParseDate("1/1/71"), 1971, 1, 1);
    ExpectDate(ParseDate("1/1/00"), 2000, 1, 1);
}

TEST(DateParsing, OutOfRangeFieldsFallBack) {
    ExpectDate(ParseDate("13/1/2000"), 2000, 1, 1);
    ExpectDate(ParseDate("0/15/2000"), 2000, 1, 15);
    ExpectDate(ParseDate("6/32/2000"), 2000, 6, 1);
    ExpectDate(ParseDate("6/0/2000"), 2000, 6, 1);
    // Years outside 1971..2038 become 1971, two-digit ones after their century is chosen.
    ExpectDate(ParseDate("6/15/1970"), 1971, 6, 15);
    ExpectDate(ParseDate("6/15/2039"), 1971, 6, 15);
    ExpectDate(ParseDate("6/15/2038"), 2038, 6, 15);
    ExpectDate(ParseDate("6/15/49"), 1971, 6, 15);
    ExpectDate(ParseDate("6/15/50"), 1971, 6, 15);
    ExpectDate(ParseDate("99999999999999999999/2/2000"), 2000, 1, 2);
}

TEST(DateParsing, MissingSeparators) {
    // No "/" at all: month and day fall back and the whole text is the year.
    ExpectDate(ParseDate("5"), 2005, 1, 1);
    ExpectDate(ParseDate("no digits"), 2000, 1, 1);
    ExpectDate(ParseDate(""), 2000, 1, 1);
    ExpectDate(ParseDate(nullptr), 2000, 1, 1);
    // A "/" in front leaves that field out of range and the rest goes on.
    ExpectDate(ParseDate("/5/2002"), 2002, 1, 5);
    // Only one "/": the day falls back and what follows the month is the year.
    ExpectDate(ParseDate("12/31"), 2031, 12, 1);
}

TEST(DayNumbers, DayOfYearUsesTheFixedMonthTable) {
    EXPECT_EQ(DayOfYear(CTime(2001, 1, 1, 12, 0, 0)), 1);
    EXPECT_EQ(DayOfYear(CTime(2001, 3, 1, 0, 0, 0)), 60);
    EXPECT_EQ(DayOfYear(CTime(2000, 3, 1, 0, 0, 0)), 60);  // a leap year changes nothing
    EXPECT_EQ(DayOfYear(CTime(2001, 6, 29, 0, 0, 0)), 180);
    EXPECT_EQ(DayOfYear(CTime(2000, 12, 31, 23, 59, 59)), 365);
}

TEST(DayNumbers, DateFromDayOfYearInTheCurrentYear) {
    sys::time::SetFakeLocalTime(At(2010, 6, 1));
    ExpectDate(DateFromDayOfYear(1), 2010, 1, 1);
    ExpectDate(DateFromDayOfYear(31), 2010, 1, 31);
    ExpectDate(DateFromDayOfYear(32), 2010, 2, 1);
    ExpectDate(DateFromDayOfYear(59), 2010, 2, 28);
    ExpectDate(DateFromDayOfYear(60), 2010, 3, 1);
    ExpectDate(DateFromDayOfYear(365), 2010, 12, 31);
    // Clamped to the table's days.
    ExpectDate(DateFromDayOfYear(0), 2010, 1, 1);
    ExpectDate(DateFromDayOfYear(-40), 2010, 1, 1);
    ExpectDate(DateFromDayOfYear(366), 2010, 12, 31);
    for (int day = 1; day <= 365; ++day)
        EXPECT_EQ(DayOfYear(DateFromDayOfYear(day)), day) << "day " << day;
    sys::time::SetFakeLocalTime(At(2000, 1, 1));
}

TEST(SunTimes, SunriseAndSunsetInMinutes) {
    int sunrise = 0;
    int sunset = 0;
    GetSunriseSunset(CTime(2001, 6, 29, 0, 0, 0), sunrise, sunset);  // day 180
    EXPECT_EQ(sunrise, 300);
    EXPECT_EQ(sunset, 1200);
    GetSunriseSunset(CTime(2001, 12, 26, 0, 0, 0), sunrise, sunset);  // day 360
    EXPECT_EQ(sunrise, 480);
    EXPECT_EQ(sunset, 1020);
    GetSunriseSunset(CTime(2001, 1, 1, 0, 0, 0), sunrise, sunset);  // day 1
    EXPECT_EQ(sunrise, 479);
    EXPECT_EQ(sunset, 1021);
    GetSunriseSunset(CTime(2001, 3, 1, 0, 0, 0), sunrise, sunset);  // day 60
    EXPECT_EQ(sunrise, 420);
    EXPECT_EQ(sunset, 1080);
}
