#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Letter case as the data's names use it: ASCII only, so a name matches the same way whatever
// locale the process runs in; and counts as the program's messages write them.
namespace sys::text {

constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

// 1234567 as "1,234,567", whatever the locale.
inline std::string Grouped(uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, ',');
    return digits;
}

}  // namespace sys::text
