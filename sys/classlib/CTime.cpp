#include "sys/classlib/CTime.h"

#include <time.h>

#include <string>

#include "sys/time/time.h"

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST) {
    std::tm fields{};
    fields.tm_year = nYear - 1900;
    fields.tm_mon = nMonth - 1;
    fields.tm_mday = nDay;
    fields.tm_hour = nHour;
    fields.tm_min = nMin;
    fields.tm_sec = nSec;
    fields.tm_isdst = nDST < 0 ? -1 : (nDST > 0 ? 1 : 0);
    m_time = ::mktime(&fields);
}

CTime CTime::GetCurrentTime() {
    const sys::time::LocalTime now = sys::time::Now();
    return CTime(now.year, now.month, now.day, now.hour, now.minute, now.second);
}

std::tm CTime::Local() const {
    std::tm fields{};
    const time_t time = m_time;
    if (::localtime_r(&time, &fields) == nullptr)
        fields = std::tm{};
    return fields;
}

std::tm* CTime::GetLocalTm(std::tm* ptm) const {
    if (ptm != nullptr)
        *ptm = Local();
    return ptm;
}

int CTime::GetYear() const { return Local().tm_year + 1900; }
int CTime::GetMonth() const { return Local().tm_mon + 1; }
int CTime::GetDay() const { return Local().tm_mday; }
int CTime::GetHour() const { return Local().tm_hour; }
int CTime::GetMinute() const { return Local().tm_min; }
int CTime::GetSecond() const { return Local().tm_sec; }
int CTime::GetDayOfWeek() const { return Local().tm_wday + 1; }

CString CTime::Format(const char* pszFormat) const {
    if (pszFormat == nullptr || *pszFormat == '\0')
        return CString();
    const std::tm fields = Local();
    // strftime answers 0 both for "too small" and for an empty result; grow a few times, then
    // take the empty result as meant.
    std::string buffer(128, '\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const size_t n = std::strftime(buffer.data(), buffer.size(), pszFormat, &fields);
        if (n > 0)
            return CString(buffer.data(), static_cast<int>(n));
        buffer.resize(buffer.size() * 4);
    }
    return CString();
}
