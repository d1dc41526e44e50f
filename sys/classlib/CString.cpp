#include "sys/classlib/CString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The C locale's classes, spelled out so a locale set by someone else cannot change how
// stored names compare or trim.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }
char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

CString::CString(const char* psz) {
    if (psz != nullptr)
        m_text = psz;
}

CString::CString(const char* pch, int nLength) {
    if (pch != nullptr && nLength > 0)
        m_text.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(char ch, int nRepeat) {
    if (nRepeat > 0)
        m_text.assign(static_cast<size_t>(nRepeat), ch);
}

CString& CString::operator=(const char* psz) {
    if (psz == nullptr)
        m_text.clear();
    else
        m_text = psz;  // std::string copes with a source inside itself
    return *this;
}

CString& CString::operator=(char ch) {
    m_text.assign(1, ch);
    return *this;
}

char CString::GetAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetLength())
        return 0;
    return m_text[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex >= 0 && nIndex < GetLength())
        m_text[static_cast<size_t>(nIndex)] = ch;
}

int CString::Compare(const char* psz) const {
    return Sign(std::strcmp(m_text.c_str(), psz != nullptr ? psz : ""));
}

int CString::CompareNoCase(const char* psz) const {
    const char* a = m_text.c_str();
    const char* b = psz != nullptr ? psz : "";
    for (;; ++a, ++b) {
        const unsigned char ca = static_cast<unsigned char>(ToLower(*a));
        const unsigned char cb = static_cast<unsigned char>(ToLower(*b));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

CString CString::Left(int nCount) const {
    if (nCount <= 0)
        return CString();
    return CString(m_text.substr(0, static_cast<size_t>(nCount)));
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const {
    const long long length = GetLength();
    long long first = std::max(nFirst, 0);
    long long count = std::max(nCount, 0);
    if (first >= length)
        return CString();
    count = std::min(count, length - first);
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int nCount) const {
    if (nCount <= 0)
        return CString();
    if (nCount >= GetLength())
        return *this;
    return CString(m_text.substr(m_text.size() - static_cast<size_t>(nCount)));
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    const size_t at = m_text.find(ch, static_cast<size_t>(nStart));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* pszSub, int nStart) const {
    if (pszSub == nullptr || nStart < 0 || nStart > GetLength())
        return -1;
    const size_t at = m_text.find(pszSub, static_cast<size_t>(nStart));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
    const size_t at = m_text.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeUpper() {
    for (char& c : m_text)
        c = ToUpper(c);
    return *this;
}

CString& CString::MakeLower() {
    for (char& c : m_text)
        c = ToLower(c);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_text.begin(), m_text.end());
    return *this;
}

CString& CString::TrimLeft() {
    size_t first = 0;
    while (first < m_text.size() && IsSpace(m_text[first]))
        ++first;
    m_text.erase(0, first);
    return *this;
}

CString& CString::TrimRight() {
    size_t end = m_text.size();
    while (end > 0 && IsSpace(m_text[end - 1]))
        --end;
    m_text.resize(end);
    return *this;
}

int CString::Replace(char chOld, char chNew) {
    int count = 0;
    for (char& c : m_text) {
        if (c == chOld) {
            c = chNew;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* pszOld, const char* pszNew) {
    if (pszOld == nullptr || *pszOld == '\0')
        return 0;
    const std::string oldText(pszOld);
    const std::string newText(pszNew != nullptr ? pszNew : "");
    std::string result;
    int count = 0;
    size_t from = 0;
    for (size_t at = m_text.find(oldText); at != std::string::npos; at = m_text.find(oldText, from)) {
        result.append(m_text, from, at - from);
        result += newText;
        from = at + oldText.size();
        ++count;
    }
    if (count > 0) {
        result.append(m_text, from, std::string::npos);
        m_text.swap(result);
    }
    return count;
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args) {
    if (pszFormat == nullptr) {
        m_text.clear();
        return;
    }
    // Measured first, then written once into a buffer of exactly that size, so no argument
    // can make the formatter write past the end.
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, pszFormat, measure);
    va_end(measure);
    if (length <= 0) {
        m_text.clear();
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), pszFormat, args);
    text.resize(static_cast<size_t>(length));
    m_text.swap(text);
}

char* CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength())
        m_text.resize(static_cast<size_t>(nMinBufLength), '\0');
    return m_text.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    size_t length = m_text.size();
    if (nNewLength < 0)
        length = std::strlen(m_text.c_str());
    else if (static_cast<size_t>(nNewLength) < length)
        length = static_cast<size_t>(nNewLength);
    m_text.resize(length);
}

CString& CString::operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz != nullptr)
        m_text += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_text += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }
CString operator+(char a, const CString& b) { CString r(a); r += b; return r; }

bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const char* b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
