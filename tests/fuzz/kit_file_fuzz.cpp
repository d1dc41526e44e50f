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
#include "core/SObjectParser.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/screens/SInventoryScreen.h"
#include "game/SStandInGame.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/profile.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr int kMaxKits = 4;

void ParseLines(SObjectDefList& objects, const std::string& text) {
    SObjectParser parser;
    parser.SetDefList(&objects);
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        parser.ParseLine(text.substr(at, end - at).c_str());
        at = end + 1;
    }
}

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

std::vector<uint8_t> Store(const SHunterInfoList& list) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    list.StoreRecords(ar);
    ar.Close();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

void CheckStoresAsRead(const SHunterInfoList& list) {
    std::vector<uint8_t> stored = Store(list);
    std::vector<uint8_t> bytes = stored;
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    SHunterInfoList again;
    again.Serialize(ar);
    Check(Store(again) == stored);
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
    ParseLines(items, SStandInGame::kObjectScript);
    ParseLines(items, text);

    // No officer file: the list starts empty.
    SGameObjects* hub = SGameObjects::Instance();
    SHunterInfoList* list = hub->LoadPlayerList(true);
    Check(list != nullptr && list->GetCount() == 0);
    SHunterInfo* officer = s_pPage->CreateOfficer("Officer", SInventoryScreen::kSinglePlayerKit, &items);
    Check(officer != nullptr && hub->m_pCurrentPlayer == officer);
    CheckKit(*officer);

    SObjectDefList kits;
    ParseLines(kits, text);
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
    CheckStoresAsRead(*list);

    hub->m_pCurrentPlayer = nullptr;
    items.DeleteAll();
    return 0;
}
