#include "frontend/career/SOfficerRecords.h"

#include "app/SGameObjects.h"
#include "core/SString.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "sys/profile.h"
#include "sys/signals.h"

namespace {
// Constant-initialised and without a destructor of its own, so it serves the hub's
// destruction at process exit whatever the order of the other static objects.
SOfficerRecords s_records;
SOfficerRecords::OfficerMaker s_pfnMakeOfficer = nullptr;
}  // namespace

void SOfficerRecords::Install() { SOfficerHooks::Install(&s_records); }

void SOfficerRecords::SetOfficerMaker(OfficerMaker maker) { s_pfnMakeOfficer = maker; }

SHunterInfoList* SOfficerRecords::CreateList() { return new SHunterInfoList; }

void SOfficerRecords::LoadList(SHunterInfoList& list, CArchive& ar) { list.Serialize(ar); }

void SOfficerRecords::DeleteList(SHunterInfoList* list) { delete list; }  // null is fine

bool SOfficerRecords::SaveList(SHunterInfoList& list) {
    return list.Save(SHunterInfoList::kFileName, SHunterInfoList::kSaveFailedText);
}

SHunterInfo* SOfficerRecords::FindOfficer(const SHunterInfoList& list, const char* name) {
    if (name == nullptr)
        return list.GetRecord(0);
    return list.FindByName(name);
}

int SOfficerRecords::CountOfficers(const SHunterInfoList& list) { return list.GetCount(); }

SHunterInfo* SOfficerRecords::CreateOfficer(SGameObjects* hub, const char* name, const char* kitName,
                                            SObjectDefList* items) {
    if (hub == nullptr || name == nullptr)
        return nullptr;
    if (s_pfnMakeOfficer != nullptr) {
        if (SHunterInfo* made = s_pfnMakeOfficer(hub, name, kitName, items))
            return made;
        // The maker gives up on an officer a close request cut short; one without his kit and
        // model in his place would be saved at the close.
        if (sys::signals::IsCloseRequested())
            return nullptr;
    }
    SHunterInfoList* list = hub->LoadPlayerList(false);
    if (list == nullptr)
        return nullptr;
    auto* officer = new SHunterInfo(name);
    list->AddTail(officer);
    list->SetModified();
    hub->SetCurrentPlayer(officer);
    // The officer pages open on him, as on one the inventory page makes.
    sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", name);
    return officer;
}

void SOfficerRecords::GetOfficerDetails(const SHunterInfo& officer, SString& age, SString& location, SString& email) {
    age = officer.m_Bio.m_sAge;
    location = officer.m_Bio.GetLocation();
    email = officer.m_Bio.m_sEmail;
}

SObjectDefList* SOfficerRecords::GetKit(SHunterInfo& officer, Kit kit) {
    switch (kit) {
        case kCarriedKit:
            return officer.m_pCarriedKit;
        case kStoredKit:
            return officer.m_pStoredKit;
        case kJournal:
            return officer.m_pThirdKit;
    }
    return nullptr;
}

void SOfficerRecords::GetGameValues(const SHunterInfo& officer, SOfficerGameValues& values) {
    values.m_sName = officer.m_sName;
    values.m_sMapFile = officer.GetMapFile();
    values.m_iStartIndex = officer.m_iStartIndex;
    values.m_iLevelType = officer.m_iLevelType;
    values.m_iDayNight = officer.m_iDayNight;
    values.m_iLevelIndex = officer.m_iLevelIndex;
    values.m_iHighestPassedLevel = officer.m_iHighestPassedLevel;
    values.m_pOwnDefs[0] = officer.m_pSkinDef;
    values.m_pOwnDefs[1] = officer.m_pModelDef;
    values.m_pLevelScores = officer.m_pLevelScores;
    values.m_sAge = officer.m_Bio.m_sAge;
    values.m_sCity = officer.m_Bio.m_sCity;
    values.m_sState = officer.m_Bio.m_sState;
    values.m_sLocation = officer.m_Bio.GetLocation();
    values.m_sEmail = officer.m_Bio.m_sEmail;
    values.m_sNotes = officer.m_Bio.m_sNotes;
    values.m_sURL = officer.m_Bio.m_sURL;
}

void SOfficerRecords::ClearTrophyAdded(SHunterInfo& officer) { officer.m_bTrophyAdded = 0; }

void SOfficerRecords::ExportStats(const SHunterInfo& officer, SDataCollection* values) {
    officer.m_Stats.ExportValues(values);
}

void SOfficerRecords::ImportStats(SHunterInfo& officer, const SDataCollection* values) {
    officer.m_Stats.ImportValues(values);
}

void SOfficerRecords::WriteQualifiedWeapons(const SHunterInfo& officer, SObjectDef* out) {
    officer.WriteQualifiedWeapons(out);
}

void SOfficerRecords::ReadWeaponScores(SHunterInfo& officer, const SObjectDef* scores) {
    officer.ReadWeaponScores(scores);
}

int SOfficerRecords::GetTrophyCount(const SHunterInfo& officer) { return officer.GetTrophyCount(); }

void SOfficerRecords::AddTrophy(SHunterInfo& officer, SObjectDef* trophy) { officer.AddTrophy(trophy); }

void SOfficerRecords::CountLegalTrophy(SHunterInfo& officer) { ++officer.m_Stats.m_iTrophies; }

void SOfficerRecords::AddLevelScore(SHunterInfo& officer, SObjectDef* score) { officer.AddLevelScore(score); }

void SOfficerRecords::SetHighestPassedLevel(SHunterInfo& officer, int level) {
    officer.m_iHighestPassedLevel = level;
}

void SOfficerRecords::SetChanged(SHunterInfo& officer) { officer.SetChanged(); }
