#pragma once

#include <cstdint>

// OLE strings: wide characters behind a length prefix, allocated and freed only through these
// functions. The pointer addresses the first character; the 32-bit byte count lies before it
// and a wide terminator after the last character.
using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// A new string of `length` characters copied from `text` (left as zeros when text is null);
// null when memory cannot be had.
BSTR SysAllocStringLen(const OLECHAR* text, unsigned length);
// Replaces *pString by a new string as SysAllocStringLen makes it; false (and *pString kept)
// when memory cannot be had.
bool SysReAllocStringLen(BSTR* pString, const OLECHAR* text, unsigned length);
void SysFreeString(BSTR text);
// Characters, without the terminator; 0 for null.
unsigned SysStringLen(BSTR text);

// The ANSI code page's character as a wide one (the Western European code page).
OLECHAR AnsiToWide(unsigned char c);
