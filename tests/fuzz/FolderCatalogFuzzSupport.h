#pragma once

// The steps of the fuzz targets whose input is a catalog with the folder of files its entries
// name (see FolderFuzzSupport.h): load the catalog, point it at the folder in either of the two
// ways the program finds an entry's files, and take and give back every entry's resource.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "tests/core/CatalogTestSupport.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzzsupport {

// False when the bytes are refused.
inline bool LoadCatalog(SCatalog& catalog, std::string_view bytes) {
    try {
        catalogtest::LoadBytes(catalog, catalogtest::Bytes(bytes.begin(), bytes.end()));
    } catch (const CException&) {
        return false;
    }
    return true;
}

// With `asRoot` the folder is the catalog's root and each entry loads from its own folder;
// otherwise the catalog has no root and searches the folder, as the program's catalog does.
inline void FindFilesIn(SCatalog& catalog, const std::string& folder, bool asRoot) {
    catalog.SetDevRoot(asRoot ? folder.c_str() : "");
    catalog.SetReleaseRoot(asRoot ? folder.c_str() : "");
    catalog.GetSearchFolders().RemoveAll();
    if (!asRoot)
        catalog.GetSearchFolders().Add(folder.c_str());
}

// Every entry's resource taken with `flags`, shown to `each` (which may be given null), and
// given back.
template <typename Each>
void AcquireEach(SCatalog& catalog, uintptr_t flags, Each each) {
    for (POSITION pos = catalog.GetItems()->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = catalog.GetItems()->GetNext(pos);
        SResource* pResource = catalog.AcquireItem(pItem, flags);
        each(pResource);
        if (pResource != nullptr)
            Check(catalog.ReleaseResource(pResource));
    }
}

}  // namespace fuzzsupport
