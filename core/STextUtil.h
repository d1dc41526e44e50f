#pragma once

#include <cstdint>
#include <string>

#include "sys/classlib/CString.h"

// Small text helpers shared by the object-definition script reader, the value collections, the
// officer records and the settings. Free functions without state; nothing here owns anything.

// How many times c occurs in text; 0 for a null or empty text.
int CountChar(const char* text, char c);

// The key under which names are filed for lookups without regard to case: the text with each
// byte lower-cased as CompareTextNoCase folds it, so two texts that compare equal have one key.
std::string FoldedText(const char* text);

// The integer value of a setting's text, read as the C library's atoi reads it (leading white
// space, an optional sign, the decimal digits up to the first other character; no digits give
// 0), then held to lo..hi. A number too long for any integer lies past the bound on its side:
// it never wraps round to a value nobody typed.
int32_t ReadSettingInt(const char* text, int32_t lo = INT32_MIN, int32_t hi = INT32_MAX);

// Takes the next token off the front of line: either a text in double quotes (quotes removed,
// no escapes) or a run up to the next blank, tab, carriage return or line feed, trimmed at both
// ends. Leading separators are skipped. The kind, when asked for, is 1 for a plain token, 2 for
// a quoted one and -1 when the line held nothing. A quote that is never closed takes the rest
// of the line as a quoted token and leaves the line empty.
CString GetNextToken(CString& line, CString& token, int* kind = nullptr);

// The word past one leading "+" or "-": the console marks pressed and released inputs so, and a
// command answers to its name with either mark.
inline const char* WithoutMark(const char* word) { return (*word == '+' || *word == '-') ? word + 1 : word; }

// Each control character of the text (tabs apart, and line feeds when asked) as "?": the
// settings file holds no other, since a start sets a file holding one aside as damaged.
void MarkControlCharacters(std::string& text, bool keepLineFeeds);

// Sets target to source with white space removed at both ends; answers the target.
CString& TrimmedCopy(CString& target, const char* source);

// XORs each byte of the buffer with the key, the key repeated as often as needed. False when
// there is no key; true otherwise, also for an empty buffer.
bool XorBuffer(void* buffer, int length, const char* key);

// Called after the officer file has been written or copied; nobody depends on the answer.
bool FileWrittenHook(const char* fileName, const char* text);
