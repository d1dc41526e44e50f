#include "sys/classlib/CStringArray.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(CStringArray, CObject, 0)

void CStringArray::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint64_t>(GetSize()));
        for (int i = 0; i < GetSize(); ++i)
            ar << GetAt(i);
        return;
    }
    const uint32_t count = ar.ReadCount();
    // Every string takes at least its one-byte length.
    ar.EnsureAvailable(count);
    SetSize(static_cast<int>(count));
    for (int i = 0; i < GetSize(); ++i)
        ar >> ElementAt(i);
}
