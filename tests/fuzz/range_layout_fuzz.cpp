// Fuzz target of the layout files the stand-in game library reads from Home: any bytes as both
// "Layouts/hud.lay" and "Layouts/results.lay", which the range's presenter (built into the
// target from the library's sources, with the library's own definitions) reads line by line
// when a session starts and hands to the host as the client state's scripts. The host shows
// them as the in-game screen does: an application layout given the script and drawn twice.
// The heads-up display is updated and the results shown and taken away. An empty file gives
// the plain heads-up display. Nothing may crash, leak or read past a line.
//
// The seeds in corpus/range_layout_fuzz/ are the demo's layouts, checked against the demo
// generator by ReaderSeedCorpusTest in tests/tools (TARVEX_UPDATE_REFERENCES=1 writes them
// anew); the build's demo layouts join them.
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/SClientInfo.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "core/SDataCollection.h"
#include "core/SObjectDef.h"
#include "frontend/hud/SAppLayout.h"
#include "game/SStandInGame.h"
#include "game/SStandInPresenter.h"
#include "game/SStandInRange.h"
#include "sys/profile.h"
#include "tests/fuzz/CareerFuzzSupport.h"
#include "ui/SDC.h"

namespace {

using fuzzsupport::Check;

int s_nShown = 0;
std::string s_hudScript;

SClientInfo* Client() { return SGameObjects::Instance()->m_pGameItems->m_pClientInfo; }

// The in-game screen's part: the script the library left in the client state, drawn.
int ShowLayout(int kind, int id) {
    if (kind == 2 || kind == 6)
        return 1;
    const SString& script = Client()->m_pScripts->GetValue(id);
    if (id == SStandInPresenter::kHudLayoutId)
        s_hudScript = script.GetString();
    SAppLayout layout(SGameObjects::Instance());
    layout.MoveWindow(sys::RECT{0, 0, 640, 480});
    layout.SetScript(script.GetString());
    SDC dc;
    layout.Draw(&dc);
    layout.Draw(&dc);
    ++s_nShown;
    return 1;
}

const SObjectDefList& LibraryObjects() {
    static SObjectDefList* s_pObjects = [] {
        auto* objects = new SObjectDefList;
        fuzzsupport::ParseLines(*objects, SStandInGame::kObjectScript);
        return objects;
    }();
    return *s_pObjects;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string s_folder = [] {
        const std::string folder = fuzzsupport::ScratchFolder("range_layout_fuzz");
        sys::profile::SetFile(folder + "/profile.ini");
        std::filesystem::create_directories(folder + "/Layouts");
        SGameObjects::Instance()->m_pGameItems->m_sBasePath = folder.c_str();
        return folder;
    }();
    if (size > 64 * 1024)
        return 0;
    fuzzsupport::WriteFile(s_folder + "/Layouts/hud.lay", data, size);
    fuzzsupport::WriteFile(s_folder + "/Layouts/results.lay", data, size);

    SHostCallbacks host{};
    host.HostShowLayout = &ShowLayout;
    SGameItems* items = SGameObjects::Instance()->m_pGameItems;
    SStandInRange range;
    s_nShown = 0;
    {
        SStandInPresenter presenter;
        presenter.Start(items, host, const_cast<SObjectDefList&>(LibraryObjects()), range, 1000);
        Check(s_nShown == 1);
        if (size == 0)
            Check(s_hudScript == SStandInPresenter::kPlainHud);
        presenter.Update(range, 1500);
        presenter.ShowResults(range);
        Check(s_nShown == (size == 0 ? 1 : 2));
        presenter.Stop();
    }
    return 0;
}
