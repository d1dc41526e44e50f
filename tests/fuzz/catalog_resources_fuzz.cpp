// Feeds arbitrary bytes to the catalog reader with the resource classes the program registers
// at start-up (sounds, windows and every widget, screens, dialogs, sprites, fonts, bitmaps), so
// each class's own archive reader sees damaged data. A bad file must end in a class-library
// exception with the catalog left empty; a file that reads must hand out and take back each of
// its items (loading them from search folders that do not exist, with the windows' named
// resources looked up in the same catalog), and must store and read back to the same bytes.
// Anything else (a crash, another exception, a leak) is a finding.
//
// The seeds in corpus/catalog_resources_fuzz/ are the demo catalog of tools/makehome and a
// catalog per item of it, written by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds
// in tests/tools; the demo Home's catalog as the build writes it joins them.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/SCatalog.h"
#include "dx/sound/SWave.h"
#include "tests/fuzz/CatalogFuzzSupport.h"
#include "ui/SWindow.h"
#include "ui/UiResourceKinds.h"

namespace {

constexpr const char* kNowhere = "catalog-resources-fuzz-missing-root";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_bRegistered = [] {
        RegisterSoundResourceKinds();
        RegisterUiResourceKinds();
        return true;
    }();
    (void)s_bRegistered;

    SCatalog catalog;
    if (!fuzzsupport::LoadCatalogFromNowhere(catalog, data, size, kNowhere))
        return 0;
    SWindow::SetResourceCatalog(&catalog);
    fuzzsupport::AcquireAndReleaseAll(catalog, [](SCatalogItem*) {});
    SWindow::SetResourceCatalog(nullptr);
    fuzzsupport::CheckStoresAsRead(catalog, kNowhere);
    return 0;
}
