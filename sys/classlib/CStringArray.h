#pragma once

#include "sys/classlib/CArray.h"
#include "sys/classlib/CString.h"

class CArchive;

// The class library's array of strings (list-box items, search folders, embedded names).
// Stored as the count form, then each string in the string form.
class CStringArray : public CArray<CString, const CString&> {
    DECLARE_SERIAL(CStringArray)

public:
    // Loading replaces the contents.
    void Serialize(CArchive& ar) override;
};
