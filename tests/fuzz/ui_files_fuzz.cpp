// Fuzz target of the interface resources' file loads: a catalog (the input's leading part, see
// FolderFuzzSupport.h) of windows, sprites, pictures and sounds with the folder of files they
// name (the input's files), searched for and taken as the catalog's root in turn, on a headless
// display. Every entry is taken (windows load the pictures and sounds their names give, sprites
// draw their frames' pictures) and given back; every picture switcher among the windows loads
// all its pictures from the folder as well. Nothing may crash, leak or hang.
//
// The seeds in corpus/ui_files_fuzz/ are catalogs of the demo's and our own windows and sprites
// with the pictures and tones they name, written by tools/fuzzseeds.
#include <cstdint>
#include <memory>
#include <string>

#include "dx/display/SDXDraw.h"
#include "dx/sound/SWave.h"
#include "sys/window/window.h"
#include "tests/fuzz/FolderCatalogFuzzSupport.h"
#include "tests/fuzz/FolderFuzzSupport.h"
#include "ui/SWindow.h"
#include "ui/UiResourceKinds.h"
#include "ui/widgets/SMultiImage.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kTarget = "ui_files_fuzz";

SDXDraw& Display() {
    static SDXDraw* s_pDraw = [] {
        sys::HWND window = sys::window::CreateWindow(
            "Tarvex", sys::WS_OVERLAPPED | sys::WS_VISIBLE, nullptr,
            [](sys::HWND h, sys::UINT m, sys::WPARAM w, sys::LPARAM l) { return sys::window::DefWindowProc(h, m, w, l); });
        auto* pDraw = new SDXDraw;
        Check(pDraw->Create(sys::video::GUID{}) == 1 && pDraw->SetMode(0, window) == 1);
        return pDraw;
    }();
    return *s_pDraw;
}

void LoadPictureSwitchers(SWindow& window, const std::string& folder, int depth) {
    if (auto* pSwitcher = dynamic_cast<SMultiImage*>(&window))
        pSwitcher->LoadAllImages(folder.c_str());
    if (depth >= 16)
        return;
    for (POSITION pos = window.GetChildren()->GetHeadPosition(); pos != nullptr;)
        LoadPictureSwitchers(*window.GetChildren()->GetNext(pos), folder, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_bRegistered = [] {
        RegisterSoundResourceKinds();
        RegisterUiResourceKinds();
        return true;
    }();
    (void)s_bRegistered;
    if (size > (1u << 20) || fuzzsupport::ClimbsOut(data, size))
        return 0;
    SDXDraw& draw = Display();
    const fuzzsupport::FolderInput input = fuzzsupport::SplitFolderInput(data, size);
    const fuzzsupport::InputFolder folder(kTarget, input.files);
    for (const bool asRoot : {false, true}) {
        // The windows' catalog stays set while the catalog goes, as at the program's end.
        auto catalog = std::make_unique<SCatalog>();
        if (!fuzzsupport::LoadCatalog(*catalog, input.head))
            return 0;
        fuzzsupport::FindFilesIn(*catalog, folder.Path(), asRoot);
        SWindow::SetResourceCatalog(catalog.get());
        fuzzsupport::AcquireEach(*catalog, reinterpret_cast<uintptr_t>(&draw), [&](SResource* pResource) {
            if (auto* pWindow = dynamic_cast<SWindow*>(pResource)) {
                // Asked to load again from the folder, as a page shown a second time is.
                pWindow->LoadFromFile(folder.Path().c_str(), 0);
                LoadPictureSwitchers(*pWindow, folder.Path(), 0);
            }
        });
        catalog.reset();
        SWindow::SetResourceCatalog(nullptr);
    }
    return 0;
}
