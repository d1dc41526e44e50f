#include "core/SString.h"

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/SStringTable.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CString.h"
#include "sys/classlib/Exceptions.h"

namespace {

// A format text taken from the string table is at most this long.
constexpr int kMaxTableFormat = 1023;

// The one shared empty text. It is only ever read, and written with NUL at most.
char g_emptyText[1] = {'\0'};

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

int CompareTextNoCase(const char* left, const char* right)
{
    const auto* a = reinterpret_cast<const unsigned char*>(left ? left : "");
    const auto* b = reinterpret_cast<const unsigned char*>(right ? right : "");
    for (;; ++a, ++b) {
        // Names compared are mostly spelled alike up to where they differ: equal bytes need no
        // case folding.
        if (*a == *b) {
            if (*a == 0)
                return 0;
            continue;
        }
        int ca = std::tolower(*a);
        int cb = std::tolower(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

SString::SString() : m_pData(g_emptyText) {}

SString::SString(const SString& other) : m_pData(g_emptyText) { *this = other.m_pData; }

SString::SString(SString&& other) noexcept : m_pData(other.m_pData) { other.m_pData = g_emptyText; }

SString::SString(const char* text) : m_pData(g_emptyText) { *this = text; }

// The class-library string knows its length, so the copy takes exactly that many bytes.
SString::SString(const CString& text) : SString(text.GetString(), text.GetLength()) {}

SString::SString(const char* text, int count) : m_pData(g_emptyText)
{
    if (text == nullptr || count <= 0)
        return;
    m_pData = new char[static_cast<size_t>(count) + 1];
    std::memcpy(m_pData, text, static_cast<size_t>(count));
    m_pData[count] = '\0';
    if (m_pData[0] == '\0')
        Release();
}

SString::SString(char c, int count) : m_pData(g_emptyText)
{
    if (count <= 0 || c == '\0')
        return;
    m_pData = new char[static_cast<size_t>(count) + 1];
    std::memset(m_pData, c, static_cast<size_t>(count));
    m_pData[count] = '\0';
}

SString::~SString() { Release(); }

bool SString::OwnsBuffer() const { return m_pData != nullptr && m_pData != g_emptyText; }

void SString::Release()
{
    if (OwnsBuffer())
        delete[] m_pData;
    m_pData = g_emptyText;
}

int SString::GetLength() const { return m_pData ? static_cast<int>(std::strlen(m_pData)) : 0; }

signed char SString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength())
        return 0;
    return static_cast<signed char>(m_pData[index]);
}

void SString::SetAt(int index, char c)
{
    if (index < 0 || index >= GetLength())
        return;
    m_pData[index] = c;
    if (c == '\0' && index == 0)
        Release();
}

void SString::Empty() { Release(); }

void SString::ReplaceBuffer(size_t size, const char* source)
{
    if (size < 2) {
        Release();
        return;
    }
    char* buffer = new char[size];
    size_t oldLength = static_cast<size_t>(GetLength());
    if (oldLength < size)
        std::memcpy(buffer, m_pData, oldLength + 1);
    else
        buffer[0] = '\0';
    if (source != nullptr)
        std::memmove(buffer, source, size);
    Release();
    m_pData = buffer;
    if (m_pData[0] == '\0')
        Release();
}

SString& SString::operator=(const SString& other)
{
    if (this != &other)
        *this = other.m_pData;
    return *this;
}

SString& SString::operator=(SString&& other) noexcept
{
    if (this != &other) {
        Release();
        m_pData = other.m_pData;
        other.m_pData = g_emptyText;
    }
    return *this;
}

SString& SString::operator=(const char* text)
{
    if (text == nullptr || text[0] == '\0') {
        Release();
        return *this;
    }
    if (text == m_pData)
        return *this;
    ReplaceBuffer(std::strlen(text) + 1, text);
    return *this;
}

SString& SString::operator=(const CString& text) { return *this = SString(text); }

SString& SString::operator=(char c)
{
    const char text[2] = {c, '\0'};
    return *this = text;
}

SString& SString::operator+=(const SString& text) { return *this += text.m_pData; }

SString& SString::operator+=(const CString& text) { return *this += text.GetString(); }

SString& SString::operator+=(const char* text)
{
    if (text == nullptr || text[0] == '\0')
        return *this;
    size_t left = static_cast<size_t>(GetLength());
    size_t right = std::strlen(text);
    char* buffer = new char[left + right + 1];
    std::memcpy(buffer, m_pData, left);
    std::memcpy(buffer + left, text, right + 1);
    Release();
    m_pData = buffer;
    return *this;
}

SString& SString::operator+=(char c)
{
    if (c == '\0')
        return *this;
    const char text[2] = {c, '\0'};
    return *this += text;
}

int SString::Insert(int pos, const char* text)
{
    int length = GetLength();
    if (pos < 0 || pos > length || text == nullptr || text[0] == '\0')
        return length;
    size_t extra = std::strlen(text);
    char* buffer = new char[static_cast<size_t>(length) + extra + 1];
    std::memcpy(buffer, m_pData, static_cast<size_t>(pos));
    std::memcpy(buffer + pos, text, extra);
    std::memcpy(buffer + pos + extra, m_pData + pos, static_cast<size_t>(length - pos) + 1);
    Release();
    m_pData = buffer;
    return GetLength();
}

int SString::Compare(const char* text) const
{
    int result = std::strcmp(m_pData, text ? text : "");
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int SString::CompareNoCase(const char* text) const { return CompareTextNoCase(m_pData, text); }

SString SString::Mid(int start) const
{
    if (start < 0 || start >= GetLength())
        return SString();
    return SString(m_pData + start);
}

SString SString::Mid(int start, int count) const { return Mid(start).Left(count); }

SString SString::Left(int count) const
{
    if (count >= 1 && count <= GetLength())
        return SString(m_pData, count);
    return *this;
}

SString SString::Right(int count) const
{
    int length = GetLength();
    if (count >= 0 && count <= length)
        return SString(m_pData + (length - count));
    return *this;
}

int SString::Find(char c, int start) const
{
    start = std::max(start, 0);
    if (start >= GetLength())
        return -1;
    const char* found = std::strchr(m_pData + start, c);
    return found && c != '\0' ? static_cast<int>(found - m_pData) : -1;
}

int SString::Find(const char* text, int start) const
{
    start = std::max(start, 0);
    if (start >= GetLength() || text == nullptr)
        return -1;
    const char* found = std::strstr(m_pData + start, text);
    return found ? static_cast<int>(found - m_pData) : -1;
}

int SString::ReverseFind(char c) const
{
    if (c == '\0')
        return -1;
    const char* found = std::strrchr(m_pData, c);
    return found ? static_cast<int>(found - m_pData) : -1;
}

int SString::FindOneOf(const char* set, int start) const
{
    start = std::max(start, 0);
    if (start >= GetLength() || set == nullptr)
        return -1;
    size_t offset = std::strcspn(m_pData + start, set);
    return m_pData[start + offset] != '\0' ? start + static_cast<int>(offset) : -1;
}

void SString::MakeUpper()
{
    for (char* p = m_pData; OwnsBuffer() && *p; ++p)
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
}

void SString::MakeLower()
{
    for (char* p = m_pData; OwnsBuffer() && *p; ++p)
        *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
}

void SString::MakeReverse()
{
    if (OwnsBuffer())
        std::reverse(m_pData, m_pData + GetLength());
}

void SString::TrimLeft()
{
    const char* p = m_pData;
    while (*p && IsSpace(*p))
        ++p;
    if (p != m_pData)
        *this = SString(p);
}

void SString::TrimRight()
{
    int length = GetLength();
    int end = length;
    while (end > 0 && IsSpace(m_pData[end - 1]))
        --end;
    if (end != length)
        *this = SString(m_pData, end);
}

void SString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void SString::Format(unsigned int nFormatID, ...)
{
    SString format;
    format.LoadString(nFormatID, kMaxTableFormat + 1);
    va_list args;
    va_start(args, nFormatID);
    FormatV(format.GetString(), args);
    va_end(args);
}

int SString::LoadString(unsigned int nID, int nSize)
{
    const char* text = SStringTable::Find(nID);
    if (text == nullptr || nSize <= 1) {
        Release();
        return 0;
    }
    const int count = static_cast<int>(std::min(std::strlen(text), static_cast<size_t>(nSize - 1)));
    *this = SString(text, count);
    return count;
}

namespace {

// The text's characters as the wide characters of the ANSI code page.
std::u16string Widened(const char* text)
{
    std::u16string wide;
    for (const char* p = text; *p != '\0'; ++p)
        wide.push_back(AnsiToWide(static_cast<unsigned char>(*p)));
    return wide;
}

}  // namespace

BSTR SString::AllocSysString() const
{
    const std::u16string wide = Widened(m_pData);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<unsigned>(wide.size()));
    if (result == nullptr)
        ThrowMemoryException();
    return result;
}

BSTR SString::SetSysString(BSTR* pString) const
{
    const std::u16string wide = Widened(m_pData);
    if (!SysReAllocStringLen(pString, wide.data(), static_cast<unsigned>(wide.size())))
        ThrowMemoryException();
    return *pString;
}

void SString::FormatV(const char* format, va_list args)
{
    if (format == nullptr || format[0] == '\0') {
        Release();
        return;
    }
    // Measuring with the formatter itself gives the exact size, so the buffer is never short.
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed <= 0) {
        Release();
        return;
    }
    char* buffer = new char[static_cast<size_t>(needed) + 1];
    std::vsnprintf(buffer, static_cast<size_t>(needed) + 1, format, args);
    Release();
    m_pData = buffer;
    if (m_pData[0] == '\0')
        Release();
}

void SString::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        const int length = GetLength();
        ar << static_cast<uint32_t>(length);
        ar.Write(m_pData, static_cast<unsigned>(length));
        return;
    }
    uint32_t length = 0;
    ar >> length;
    // A stored empty string empties the target: a reused object must not keep an old name.
    if (length == 0) {
        Release();
        return;
    }
    // A length from a damaged file may be anything; nothing is allocated for bytes the
    // archive cannot deliver.
    ar.EnsureAvailable(length);
    char* buffer = new char[static_cast<size_t>(length) + 1];
    if (ar.Read(buffer, length) != length) {
        delete[] buffer;
        ThrowArchiveException(CArchiveException::endOfFile, ar.GetFileName());
    }
    buffer[length] = '\0';
    Release();
    m_pData = buffer;
    if (m_pData[0] == '\0')
        Release();
}

SString operator+(const SString& left, const SString& right)
{
    SString result(left);
    result += right;
    return result;
}

SString operator+(const SString& left, const CString& right)
{
    SString result(left);
    result += right;
    return result;
}

SString operator+(const SString& left, const char* right)
{
    SString result(left);
    result += right;
    return result;
}

SString operator+(const SString& left, char right)
{
    SString result(left);
    result += right;
    return result;
}
