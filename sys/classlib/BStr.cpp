#include "sys/classlib/BStr.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);
// The characters 0x80 to 0x9F of the Western European code page; the rest map to themselves.
constexpr OLECHAR kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, unsigned length) {
    const size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    if (bytes > UINT32_MAX - kPrefix - sizeof(OLECHAR))
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::calloc(1, kPrefix + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    const uint32_t count = static_cast<uint32_t>(bytes);
    std::memcpy(block, &count, kPrefix);
    auto* chars = reinterpret_cast<BSTR>(block + kPrefix);
    if (text != nullptr)
        std::memcpy(chars, text, bytes);
    return chars;
}

bool SysReAllocStringLen(BSTR* pString, const OLECHAR* text, unsigned length) {
    if (pString == nullptr)
        return false;
    // The new text may lie inside the old string, so it is copied before the old one goes.
    BSTR replacement = SysAllocStringLen(text, length);
    if (replacement == nullptr)
        return false;
    SysFreeString(*pString);
    *pString = replacement;
    return true;
}

void SysFreeString(BSTR text) {
    if (text != nullptr)
        std::free(reinterpret_cast<unsigned char*>(text) - kPrefix);
}

unsigned SysStringLen(BSTR text) {
    if (text == nullptr)
        return 0;
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - kPrefix, kPrefix);
    return bytes / sizeof(OLECHAR);
}

OLECHAR AnsiToWide(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHighControls[c - 0x80] : c; }
