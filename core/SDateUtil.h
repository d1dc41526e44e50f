#pragma once

#include "sys/classlib/CTime.h"

// Date helpers behind the dedicated server's date option, the officer records and the time of
// day of a scenario. Free functions on the class library's CTime. The year they work with has
// no leap day: February always counts 28 days, so day numbers match across years.

// A "month/day/year" text as local midnight of that date. Fields that are missing or out of
// range fall back: month 1, day 1, and a year outside 1971..2038 becomes 1971. Two-digit years
// below 50 are 20xx, the others 19xx.
CTime ParseDate(const char* text);

// The day of the year, 1 for 1 January, by the fixed month table (1 March is always 60).
int DayOfYear(const CTime& date);

// Local midnight of day n (clamped to 1..365, counted by the same table) of the current year.
CTime DateFromDayOfYear(int dayNumber);

// Sunrise and sunset of the date, in minutes after midnight: 05:00 and 20:00 at day 180,
// 08:00 and 17:00 at the turn of the year.
void GetSunriseSunset(const CTime& date, int& sunrise, int& sunset);
