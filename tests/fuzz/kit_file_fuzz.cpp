// Fuzz target of the kit file: any bytes as "DefEquip.cfg" in the base folder, from which the
// inventory page's kit rules give a new officer the "SinglePlayer" kit and then, as a join
// with that kit would, each kit the file defines (at most a few). The items are looked up in
// the library's catalogue: the stand-in library's own definitions followed by the file's, fed
// to the library line by line as the console hands it definitions. Every kit item is then
// taken off again. The officer's kit may never hold two items of one name, two weapons
// or two scopes, and the officer must store, read back and store again to the same bytes.
// Anything else (a crash, a sanitizer report, a leak, a grid the items cannot account for) is
// a finding.
//
// The seeds in corpus/kit_file_fuzz/ are the demo's kit file and kit files naming the library's
// items, checked against their writers by ReaderSeedCorpusTest in tests/tools
// (TARVEX_UPDATE_REFERENCES=1 writes them anew); the build's demo "DefEquip.cfg" joins them.
#include <cstdint>
#include <string>
#include <vector>

#include "app/SGameObjects.h"
#include "core/STextUtil.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/screens/SInventoryScreen.h"
#include "game/SStandInGame.h"
#include "sys/profile.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/fuzz/CareerFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr int kMaxKits = 4;

void CheckKit(const SHunterInfo& officer) {
    int weapons = 0;
    int scopes = 0;
    std::vector<SString> names;
    for (POSITION pos = officer.m_pCarriedKit->GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* item = officer.m_pCarriedKit->GetNext(pos);
        weapons += item->GetIntByName("IsWeapon") != 0 ? 1 : 0;
        scopes += item->GetIntByName("IsWeaponScope") != 0 ? 1 : 0;
        const SString name = item->GetValueByName("Name");
        for (const SString& other : names)
            Check(CompareTextNoCase(other.GetString(), name.GetString()) != 0);
        names.push_back(name);
    }
    Check(weapons <= 1 && scopes <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string s_folder = fuzzsupport::ScratchFolder("kit_file_fuzz");
    static SInventoryScreen* s_pPage = [] {
        sys::profile::SetFile(s_folder + "/profile.ini");
        SGameObjects::Instance()->m_sBasePath = s_folder.c_str();
        SOfficerRecords::Install();
        return new SInventoryScreen;
    }();
    if (size > 64 * 1024)
        return 0;
    sys::dialogs::headless::Reset();
    fuzzsupport::WriteFile(s_folder + "/DefEquip.cfg", data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);

    SObjectDefList items;
    fuzzsupport::ParseLines(items, SStandInGame::kObjectScript);
    fuzzsupport::ParseLines(items, text);

    // No officer file: the list starts empty.
    SGameObjects* hub = SGameObjects::Instance();
    SHunterInfoList* list = hub->LoadPlayerList(true);
    Check(list != nullptr && list->GetCount() == 0);
    SHunterInfo* officer = s_pPage->CreateOfficer("Officer", SInventoryScreen::kSinglePlayerKit, &items);
    Check(officer != nullptr && hub->m_pCurrentPlayer == officer);
    CheckKit(*officer);

    SObjectDefList kits;
    fuzzsupport::ParseLines(kits, text);
    int count = 0;
    for (POSITION pos = kits.GetHeadPosition(); pos != nullptr && count < kMaxKits; ++count) {
        s_pPage->LoadKit(officer, kits.GetNext(pos)->GetName(), &items);
        CheckKit(*officer);
    }
    kits.DeleteAll();

    // Each item taken off, as the page's button does.
    std::vector<SString> carried;
    for (POSITION pos = officer->m_pCarriedKit->GetHeadPosition(); pos != nullptr;)
        carried.push_back(officer->m_pCarriedKit->GetNext(pos)->GetName());
    for (const SString& name : carried) {
        if (s_pPage->RemoveItem(name.GetString()))
            Check(officer->m_pStoredKit->FindByName(name.GetString()) != nullptr);
        CheckKit(*officer);
    }
    fuzzsupport::CheckOfficersStoreAsRead(*list);

    hub->m_pCurrentPlayer = nullptr;
    items.DeleteAll();
    return 0;
}
