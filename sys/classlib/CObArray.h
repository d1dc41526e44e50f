#pragma once

#include "sys/classlib/CArray.h"

class CArchive;

// The class library's array of object pointers. It does not own the objects; owners delete
// them. Stored as the count form, then each element as an object written through a pointer.
class CObArray : public CArray<CObject*, CObject*> {
    DECLARE_SERIAL(CObArray)

public:
    // Loading replaces the contents: the array takes the stored count, then each object.
    void Serialize(CArchive& ar) override;
};
