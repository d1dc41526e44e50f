#pragma once

#include <ctime>

#include "sys/classlib/CString.h"

// The class library's calendar time: seconds since 1 January 1970 UTC, read and built in local
// time with daylight saving as the system decides it. Officer records keep the scenario date in
// one; the date helpers build them from month/day/year texts. A plain value.
class CTime {
public:
    CTime() = default;
    CTime(time_t time) : m_time(time) {}
    // A local date and time; out-of-range fields roll over into the next ones (30 February is
    // 2 March). nDST -1 lets the system decide whether daylight saving applies, 0 says it does
    // not, 1 that it does. A date the system cannot represent gives the time -1.
    CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);

    // Now, from the system clock (the fake clock on the headless backend, so tests can fix it).
    static CTime GetCurrentTime();

    time_t GetTime() const { return m_time; }
    int GetYear() const;
    int GetMonth() const;      // 1 .. 12
    int GetDay() const;        // 1 .. 31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday .. 7 = Saturday
    // The local broken-down time; the result is written into *ptm and returned.
    std::tm* GetLocalTm(std::tm* ptm) const;

    // strftime codes on the local time ("%Y-%m-%d %H:%M:%S").
    CString Format(const char* pszFormat) const;

    friend bool operator==(const CTime& a, const CTime& b) { return a.m_time == b.m_time; }
    friend bool operator!=(const CTime& a, const CTime& b) { return a.m_time != b.m_time; }
    friend bool operator<(const CTime& a, const CTime& b) { return a.m_time < b.m_time; }
    friend bool operator>(const CTime& a, const CTime& b) { return a.m_time > b.m_time; }
    friend bool operator<=(const CTime& a, const CTime& b) { return a.m_time <= b.m_time; }
    friend bool operator>=(const CTime& a, const CTime& b) { return a.m_time >= b.m_time; }

private:
    std::tm Local() const;

    time_t m_time = 0;
};
