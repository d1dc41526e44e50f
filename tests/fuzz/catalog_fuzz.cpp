// Feeds arbitrary bytes to the catalog reader, with a test resource class registered for the
// kinds the seeds use. A bad file must end in a class-library exception with the catalog left
// empty and every test resource freed; a file that reads must store, read back and store again
// to the same bytes, and its items must answer lookups and releases. Anything else (a crash,
// another exception, a leak of test resources) is a finding.
//
// The seeds in corpus/catalog_fuzz/ are written by the catalog's own store path, through the
// disabled test CatalogFileTest.DISABLED_WriteCatalogFuzzSeeds in tests/core.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/SCatalog.h"
#include "tests/core/CatalogTestSupport.h"

namespace {

// Item paths come from the input; resolving them below a folder that does not exist keeps
// the reader's loads from wandering through the disk.
constexpr const char* kNowhere = "catalog-fuzz-missing-root";

void Check(bool bCondition) {
    if (!bCondition)
        std::abort();
}

void ExerciseLookups(SCatalog& catalog) {
    std::vector<SResource*> acquired;
    for (POSITION pos = catalog.GetItems()->GetHeadPosition(); pos != nullptr;) {
        SCatalogItem* pItem = catalog.GetItems()->GetNext(pos);
        SResource* pResource = catalog.GetResource(static_cast<int>(pItem->GetKind()), pItem->GetName(),
                                                   pItem->GetFileName(), 0);
        if (pResource != nullptr)
            acquired.push_back(pResource);
        pResource = catalog.GetResourceByKey(-1, pItem->GetKey(), 0);
        if (pResource != nullptr)
            acquired.push_back(pResource);
    }
    for (SResource* pResource : acquired)
        Check(catalog.ReleaseResource(pResource));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static catalogtest::KindRegistration kinds{kKindImage, kKindSound, kKindSprite, kKindButton, kKindFont};
    const int nLive = catalogtest::TestResource::s_nLive;
    {
        SCatalog catalog;
        catalog.GetSearchFolders().Add(kNowhere);
        try {
            catalogtest::LoadBytes(catalog, catalogtest::Bytes(data, data + size));
        } catch (const CException&) {
            Check(catalog.GetItems()->IsEmpty());
            Check(catalogtest::TestResource::s_nLive == nLive);
            return 0;
        }
        ExerciseLookups(catalog);

        const catalogtest::Bytes stored = catalogtest::StoreBytes(catalog);
        SCatalog again;
        again.GetSearchFolders().Add(kNowhere);
        catalogtest::LoadBytes(again, stored);
        Check(catalogtest::StoreBytes(again) == stored);
    }
    Check(catalogtest::TestResource::s_nLive == nLive);
    return 0;
}
