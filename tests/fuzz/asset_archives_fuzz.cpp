// Feeds arbitrary bytes to the catalog reader with the resource classes of the textures, models
// and geometry registered, so the archive forms of the 8-bit texture, the mesh and the model
// (and the handlers beside them) see damaged data. A bad file must end in a class-library
// exception with the catalog left empty; a file that reads must hand out each item (loading it
// from a search folder that does not exist), copy it, take it back, and store and read back to
// the same bytes. Anything else (a crash, another exception, a leak) is a finding.
//
// The seeds in corpus/asset_archives_fuzz/ are catalogs of such items stored by the catalog's
// writer, written by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in
// tests/tools.
#include <cstdint>
#include <vector>

#include "assets/AssetResourceKinds.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "tests/fuzz/CatalogFuzzSupport.h"

namespace {

constexpr const char* kNowhere = "asset-archives-fuzz-missing-root";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_bRegistered = [] {
        RegisterAssetResourceKinds();
        return true;
    }();
    (void)s_bRegistered;

    SCatalog catalog;
    if (!fuzzsupport::LoadCatalogFromNowhere(catalog, data, size, kNowhere))
        return 0;
    fuzzsupport::AcquireAndReleaseAll(catalog, [](SCatalogItem* pItem) {
        if (SResource* pOwn = pItem->GetResource())
            delete pOwn->Clone(nullptr);
    });
    fuzzsupport::CheckStoresAsRead(catalog, kNowhere);
    return 0;
}
