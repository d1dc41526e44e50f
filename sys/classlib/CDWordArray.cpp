#include "sys/classlib/CDWordArray.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(CDWordArray, CObject, 0)

void CDWordArray::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint64_t>(GetSize()));
        for (int i = 0; i < GetSize(); ++i)
            ar << GetAt(i);
        return;
    }
    const uint32_t count = ar.ReadCount();
    ar.EnsureAvailable(uint64_t{count} * 4);
    SetSize(static_cast<int>(count));
    for (int i = 0; i < GetSize(); ++i)
        ar >> ElementAt(i);
}
