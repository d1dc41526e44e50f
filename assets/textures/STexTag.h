#pragma once

#include <cstdint>
#include <vector>

#include "sys/classlib/CString.h"

// A named texture value: the name, the value and the name's 8-bit hash, which look-ups
// compare before the names themselves. Held in tables by textures, formats, regions and
// texture locks.
struct STexTag {
    CString name;
    CString value;
    uint8_t hash = 0;
};

// The 8-bit, case-blind hash of a tag name; "abc" and "ABC" both give 0xE9.
uint8_t HashTagName(const char* name);

// The tag table and its operations, shared by every holder of tags. Index operations fail
// with their neutral result; when the holder keeps an error text (SetErrorSink), they also
// store "Tag Index < 0" or "Tag Index >= m_iNumTags" there.
class STexTagList {
public:
    // Tables are 16-bit counted; an append past this is refused.
    static constexpr int kMaxTags = 0x7FFF;

    int16_t GetNumTags() const { return static_cast<int16_t>(m_tags.size()); }
    // Index of the first tag with this hash and exactly this name; -1 (0xFFFF) when none.
    int16_t FindTag(const char* name) const;
    CString GetTagName(int16_t index) const;
    CString GetTagValue(int16_t index) const;
    CString GetTagString(const char* name, const char* defaultValue) const;
    int GetTagIntAt(int16_t index) const;
    int GetTagInt(const char* name, int defaultValue) const;
    double GetTagFloatAt(int16_t index) const;
    float GetTagFloat(const char* name, float defaultValue) const;
    int SetTagName(int16_t index, const char* name);
    int SetTagValue(int16_t index, const char* value);
    // Replaces the value of the named tag or appends a new tag; the tag count afterwards.
    int16_t SetTag(const char* name, const char* value);

    // The whole table, for the file reader and writer.
    const std::vector<STexTag>& Tags() const { return m_tags; }
    void AppendTag(STexTag tag);
    void ClearTags() { m_tags.clear(); }

protected:
    // The error text that index failures are written to while *recordErrors is 1.
    void SetErrorSink(CString* lastError, const int32_t* recordErrors);
    bool CheckTagIndex(int16_t index) const;
    // The tag record itself (formats offer it), or null.
    STexTag* GetTagRecord(int16_t index);
    // Removes one tag keeping the others' order (containers offer it).
    int RemoveTagAt(int16_t index);

private:
    void Record(const char* message) const;

    std::vector<STexTag> m_tags;
    CString* m_pLastError = nullptr;
    const int32_t* m_pRecordErrors = nullptr;
};
