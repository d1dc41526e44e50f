#pragma once

#include "sys/classlib/CList.h"
#include "sys/classlib/CString.h"

class CArchive;

// The class library's list of strings (the texts a catalog item carries). Stored as the count
// form, then each string in the string form.
class CStringList : public CList<CString, const CString&> {
    DECLARE_SERIAL(CStringList)

public:
    explicit CStringList(int nBlockSize = 10) : CList<CString, const CString&>(nBlockSize) {}

    // Loading appends the stored strings after the present ones.
    void Serialize(CArchive& ar) override;
};
