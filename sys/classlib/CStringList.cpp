#include "sys/classlib/CStringList.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(CStringList, CObject, 0)

void CStringList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint64_t>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos != nullptr;)
            ar << GetNext(pos);
        return;
    }
    uint32_t count = ar.ReadCount();
    // Every string takes at least its one-byte length.
    ar.EnsureAvailable(count);
    while (count-- > 0) {
        CString text;
        ar >> text;
        AddTail(text);
    }
}
