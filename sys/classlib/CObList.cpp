#include "sys/classlib/CObList.h"

#include "sys/classlib/CArchive.h"

IMPLEMENT_SERIAL(CObList, CObject, 0)

void CObList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint64_t>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos != nullptr;)
            ar.WriteObject(GetNext(pos));
        return;
    }
    uint32_t count = ar.ReadCount();
    // Every element takes at least its two-byte tag.
    ar.EnsureAvailable(uint64_t{count} * 2);
    while (count-- > 0)
        AddTail(ar.ReadObject(nullptr));
}
