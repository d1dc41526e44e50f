#pragma once

#include "sys/classlib/CList.h"

class CArchive;

// The class library's list of object pointers (catalog items, object definitions, sprite
// frames). It does not own the objects; owners delete them. Stored as the count form, then
// each element as an object written through a pointer.
class CObList : public CList<CObject*, CObject*> {
    DECLARE_SERIAL(CObList)

public:
    explicit CObList(int nBlockSize = 10) : CList<CObject*, CObject*>(nBlockSize) {}

    // Loading appends the stored objects after the present ones.
    void Serialize(CArchive& ar) override;
};
