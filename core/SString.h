#pragma once

#include <cstdarg>
#include <cstddef>

#include "sys/classlib/BStr.h"

class CArchive;
class CString;

// The engine's own string: one pointer to an exact-size, NUL-terminated buffer. The empty
// string points at one shared static text and owns nothing, so the thousands of empty names
// the engine holds cost no allocation. Owning memory and being non-empty are the same test.
class SString {
public:
    SString();
    SString(const SString& other);
    SString(SString&& other) noexcept;
    SString(const CString& text);
    SString(const char* text);
    SString(const char* text, int count);
    SString(char c, int count);
    ~SString();

    const char* GetString() const { return m_pData; }
    const char* GetData() const { return m_pData; }
    int GetLength() const;
    bool IsEmpty() const { return m_pData == nullptr || m_pData[0] == '\0'; }
    signed char GetAt(int index) const;
    signed char CharAt(int index) const { return GetAt(index); }
    void SetAt(int index, char c);
    void Empty();

    SString& operator=(const SString& other);
    SString& operator=(SString&& other) noexcept;
    SString& operator=(const CString& text);
    SString& operator=(const char* text);
    SString& operator=(char c);

    SString& operator+=(const SString& text);
    SString& operator+=(const CString& text);
    SString& operator+=(const char* text);
    SString& operator+=(char c);
    int Insert(int pos, const char* text);

    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    SString Mid(int start) const;
    SString Mid(int start, int count) const;
    SString Left(int count) const;
    SString Right(int count) const;

    int Find(char c, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int ReverseFind(char c) const;
    int FindOneOf(const char* set, int start = 0) const;

    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    void TrimLeft();
    void TrimRight();

    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);
    // The format text is the string table's entry (at most 1023 characters); an id the table
    // lacks formats as an empty text.
    void Format(unsigned int nFormatID, ...);
    // The string table's entry, cut to nSize - 1 characters; answers the characters taken,
    // 0 (and the empty string) for an id the table lacks.
    int LoadString(unsigned int nID, int nSize = 256);
    // The text as a new OLE string of the ANSI code page's characters; no memory raises
    // CMemoryException.
    BSTR AllocSysString() const;
    // Replaces *pString by the text as AllocSysString makes it and answers it.
    BSTR SetSysString(BSTR* pString) const;

    // The stored form of every engine string: a 32-bit length, then the characters.
    void Serialize(CArchive& ar);

private:
    // Replaces the buffer with one of `size` bytes (terminator included), keeping the old
    // text when it fits, then copies `size` bytes from `source` when given. The source may
    // lie inside the old buffer.
    void ReplaceBuffer(size_t size, const char* source);
    void Release();
    bool OwnsBuffer() const;

    char* m_pData;
};

SString operator+(const SString& left, const SString& right);
SString operator+(const SString& left, const CString& right);
SString operator+(const SString& left, const char* right);
SString operator+(const SString& left, char right);

// Case-insensitive comparison used throughout the engine: bytes compared after the C
// library's tolower, with -1, 0 or 1 as the answer.
int CompareTextNoCase(const char* left, const char* right);
