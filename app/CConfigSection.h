#pragma once

#include <cctype>
#include <climits>
#include <cstdint>

#include "core/SString.h"
#include "core/STextUtil.h"
#include "dx/input/SInputObjSettings.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CArray.h"

// The small shared machinery of the configuration sections: each section describes its integer
// console variables as a table of rows (name, field, range), and these helpers set, read, list
// and write a row the same way everywhere. Owned by nobody; used by CSystemData, CGraphicsData,
// CSoundData and CServerData.
template <class Section>
struct SConfigIntRow {
    const char* name;
    int32_t Section::*field;
    int32_t lo = INT32_MIN;  // the full int range means: no clamp
    int32_t hi = INT32_MAX;
};

namespace configvars {

// Console variable names are typed by users in any case.
inline bool NameIs(const char* name, const char* variable) { return CompareTextNoCase(name, variable) == 0; }

// Every SET and every read tries each section's rows in turn, and most names belong to none
// of them: a row whose first letter differs is passed over without the whole comparison.
template <class Section, size_t N>
const SConfigIntRow<Section>* FindRow(const SConfigIntRow<Section> (&rows)[N], const char* name) {
    const int first = std::tolower(static_cast<unsigned char>(name != nullptr ? name[0] : '\0'));
    for (const SConfigIntRow<Section>& row : rows) {
        if (std::tolower(static_cast<unsigned char>(row.name[0])) == first && NameIs(name, row.name))
            return &row;
    }
    return nullptr;
}

// The value as the console has always read it (no number gives 0), clamped to the row's range.
template <class Section>
void SetRow(Section& section, const SConfigIntRow<Section>& row, const char* value) {
    section.*(row.field) = ReadSettingInt(value, row.lo, row.hi);
}

template <class Section>
void GetRow(const Section& section, const SConfigIntRow<Section>& row, SString& value) {
    value.Format("%d", section.*(row.field));
}

// One "default.cfg" integer line; the blank before the line end is what stored files carry.
inline void WriteIntLine(const SConfigTextWriter& write, const char* name, int32_t value) {
    SString line;
    line.Format("set %s \"%d\" \n", name, value);
    write(line.GetString());
}

// The archive form: each row's integer as one 32-bit word, in the order of the rows.
template <class Section, size_t N>
void SerializeRows(Section& section, const SConfigIntRow<Section> (&rows)[N], CArchive& ar) {
    for (const SConfigIntRow<Section>& row : rows) {
        if (ar.IsStoring())
            ar << section.*(row.field);
        else
            ar >> section.*(row.field);
    }
}

template <class Section, size_t N>
void ListRows(const SConfigIntRow<Section> (&rows)[N], CArray<SString>& names) {
    for (const SConfigIntRow<Section>& row : rows)
        names.Add(SString(row.name));
}

}  // namespace configvars
