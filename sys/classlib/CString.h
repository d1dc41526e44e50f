#pragma once

#include <cstdarg>
#include <string>
#include <utility>

// The class library's string: a growable run of 8-bit characters, always followed by a NUL so
// it reads as a C string. Used where the class library or the system hands text over (file
// names, catalog texts, list-box items); the engine's own string is SString. A plain value.
// Positions and lengths are int as callers pass them; out-of-range arguments are clamped or
// answered with -1 or the empty string, never a fault.
class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const char* psz);  // null gives the empty string
    CString(const char* pch, int nLength);
    CString(char ch, int nRepeat = 1);
    CString(std::string text) : m_text(std::move(text)) {}

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    // 0 for a position outside the text.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    // Ignored for a position outside the text.
    void SetAt(int nIndex, char ch);

    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }

    // strcmp order; CompareNoCase folds both sides to lower case first.
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    // Left(n): the first n characters (none for n <= 0, all for n past the end). Mid(first):
    // from first to the end. Mid(first, count): at most count characters from first; a
    // negative first counts as 0, a negative count as 0. Right(n): the last n characters.
    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;

    // Positions from nStart on; -1 when absent or when nStart lies outside the text.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    // Case conversion of the C library in the C locale: only ASCII letters change.
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    // White space of the C locale: blank, tab, line feed, vertical tab, form feed, carriage return.
    CString& TrimLeft();
    CString& TrimRight();

    // Each occurrence, left to right, not overlapping; the number of replacements. An empty
    // old text replaces nothing.
    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);

    // printf formatting into this string (a null "%s" argument gives "(null)").
    void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* pszFormat, va_list args);

    // Direct access for C-style writers: a buffer of at least nMinBufLength characters plus
    // the NUL, holding the current text. ReleaseBuffer ends the text at its first NUL (or at
    // nNewLength when given) and must be called before any other operation.
    char* GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

    CString& operator+=(const CString& other);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    const std::string& str() const { return m_text; }

private:
    std::string m_text;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, const char* b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);
