#pragma once

// The steps the catalog fuzz targets share: load the input as a catalog whose files are looked
// for in a folder that does not exist, take and give back every item's resource, and store what
// was read to see it read back to the same bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "tests/core/CatalogTestSupport.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzzsupport {

// False when the bytes are refused, and a refused catalog must hold nothing.
inline bool LoadCatalogFromNowhere(SCatalog& catalog, const uint8_t* data, size_t size, const char* nowhere) {
    catalog.GetSearchFolders().Add(nowhere);
    try {
        catalogtest::LoadBytes(catalog, catalogtest::Bytes(data, data + size));
    } catch (const CException&) {
        Check(catalog.GetItems()->IsEmpty());
        return false;
    }
    return true;
}

// Looks every item up by kind, name and file, after `eachItem` has seen it, and releases what
// the look-ups took.
template <typename EachItem>
void AcquireAndReleaseAll(SCatalog& catalog, EachItem eachItem) {
    std::vector<SResource*> acquired;
    for (POSITION pos = catalog.GetItems()->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = catalog.GetItems()->GetNext(pos);
        eachItem(pItem);
        SResource* pResource =
            catalog.GetResource(static_cast<int>(pItem->GetKind()), pItem->GetName(), pItem->GetFileName(), 0);
        if (pResource != nullptr)
            acquired.push_back(pResource);
    }
    for (SResource* pResource : acquired)
        Check(catalog.ReleaseResource(pResource));
}

inline void CheckStoresAsRead(SCatalog& catalog, const char* nowhere) {
    const catalogtest::Bytes stored = catalogtest::StoreBytes(catalog);
    SCatalog again;
    again.GetSearchFolders().Add(nowhere);
    catalogtest::LoadBytes(again, stored);
    Check(catalogtest::StoreBytes(again) == stored);
}

}  // namespace fuzzsupport
