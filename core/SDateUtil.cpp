#include "core/SDateUtil.h"

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The C library's atoi (leading blanks, a sign, digits up to the first other character), held
// to the int range so a long run of digits cannot overflow.
int ReadInteger(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        if (value < 10'000'000'000LL)
            value = value * 10 + (text[at] - '0');
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(value);
}

// The number before the next "/" of `rest`, which loses it and the "/". A missing "/" leaves
// `rest` whole and a "/" in front gives no number: both read as 0, which no field accepts.
int TakeField(std::string_view& rest) {
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return 0;
    const int value = slash == 0 ? 0 : ReadInteger(rest.substr(0, slash));
    rest.remove_prefix(slash + 1);
    return value;
}

int UtcYear(const CTime& time) {
    using namespace std::chrono;
    const sys_days day = floor<days>(system_clock::from_time_t(time.GetTime()));
    return static_cast<int>(year_month_day{day}.year());
}

}  // namespace

CTime ParseDate(const char* text) {
    std::string_view rest = text != nullptr ? text : "";
    int month = TakeField(rest);
    int day = TakeField(rest);
    int year = ReadInteger(rest);

    if (year < 50)
        year += 2000;
    else if (year < 100)
        year += 1900;
    if (month < 1 || month > 12)
        month = 1;
    if (day < 1 || day > 31)
        day = 1;
    if (year < 1971 || year >= 2039)
        year = 1971;
    return CTime(year, month, day, 0, 0, 0);
}

int DayOfYear(const CTime& date) {
    int day = date.GetDay();
    const int month = date.GetMonth();
    for (int m = 1; m < month && m <= 12; ++m)
        day += kMonthLengths[m - 1];
    return day;
}

CTime DateFromDayOfYear(int dayNumber) {
    int n = dayNumber < 1 ? 1 : (dayNumber > 365 ? 365 : dayNumber);
    int month = 0;
    while (n > kMonthLengths[month]) {
        n -= kMonthLengths[month];
        ++month;
    }
    return CTime(UtcYear(CTime::GetCurrentTime()), month + 1, n, 0, 0, 0);
}

void GetSunriseSunset(const CTime& date, int& sunrise, int& sunset) {
    const int fromMidsummer = std::abs(180 - DayOfYear(date));
    sunrise = 300 + fromMidsummer;
    sunset = sunrise + 2 * (180 - fromMidsummer) + 540;
}
