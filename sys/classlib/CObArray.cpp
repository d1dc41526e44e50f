#include "sys/classlib/CObArray.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(CObArray, CObject, 0)

void CObArray::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint64_t>(GetSize()));
        for (int i = 0; i < GetSize(); ++i)
            ar.WriteObject(GetAt(i));
        return;
    }
    const uint32_t count = ar.ReadCount();
    // Every element takes at least its two-byte tag.
    ar.EnsureAvailable(uint64_t{count} * 2);
    SetSize(static_cast<int>(count));
    for (int i = 0; i < GetSize(); ++i)
        SetAt(i, ar.ReadObject(nullptr));
}
