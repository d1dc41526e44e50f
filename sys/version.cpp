#include "sys/version.h"

#include <cstddef>

#ifndef TARVEX_VERSION_TEXT
#error "TARVEX_VERSION_TEXT must be defined by the build"
#endif

namespace sys::version {

namespace {

// Reads an optionally signed decimal number after leading blanks; anything else yields 0.
// Values are clamped to int so a long digit run cannot overflow.
int ReadPart(std::string_view part) {
    std::size_t at = 0;
    while (at < part.size() && (part[at] == ' ' || part[at] == '\t')) {
        ++at;
    }
    bool negative = false;
    if (at < part.size() && (part[at] == '-' || part[at] == '+')) {
        negative = part[at] == '-';
        ++at;
    }
    long long value = 0;
    constexpr long long kLimit = 2147483647LL;
    for (; at < part.size() && part[at] >= '0' && part[at] <= '9'; ++at) {
        value = value * 10 + (part[at] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::string FileVersion() { return TARVEX_VERSION_TEXT; }

std::array<int, 4> FileVersionNumbers() { return ParseVersionNumbers(TARVEX_VERSION_TEXT); }

std::array<int, 4> ParseVersionNumbers(std::string_view text) {
    std::array<int, 4> numbers = {0, 0, 0, 0};
    for (std::size_t index = 0; index < numbers.size(); ++index) {
        const std::size_t comma = text.find(',');
        numbers[index] = ReadPart(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    return numbers;
}

}  // namespace sys::version
