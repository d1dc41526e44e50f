#pragma once

// The seed corpus of the officer-file reader's fuzz target: officer files written by the
// officer list's own writer (none, a new officer, a full officer with kits, trophies, level
// scores, biography and statistics, several officers sharing class records, long texts) and one
// cut short.

#include <string>
#include <utility>
#include <vector>

#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "tests/support/ArchiveBytes.h"

namespace tarvex::test {

inline SObjectDef* OfficerSeedDef(const char* name, const char* key, const char* value) {
    auto* def = new SObjectDef;
    def->SetName(name);
    def->SetOrAppend(key, value, 7);
    return def;
}

inline SHunterInfo* FullSeedOfficer(const char* name) {
    auto* officer = new SHunterInfo(name);
    officer->m_iRank = 1, officer->m_iLevelIndex = 3, officer->m_iHighestPassedLevel = 2, officer->m_iStartIndex = 4;
    officer->m_bQualifiedSniper = 1, officer->m_iScoreSniper = 77;
    officer->SetMapFile("Levels\\Alley_Med_Day.gmx");
    officer->m_pModelDef->SetOrAppend("Model", "cop.sss", 0);
    officer->m_Bio.m_sCity = "Riverside", officer->m_Bio.m_sAge = "31", officer->m_Bio.m_sNotes = "notes";
    officer->m_Stats.m_iNumHunts = 5, officer->m_Stats.m_fHeaviestBuck = 97.25f;
    officer->AddTrophy(OfficerSeedDef("Trophy000000000", "Weight", "90"));
    officer->AddLevelScore(OfficerSeedDef("QScore", "LevelIndex", "2"));
    officer->TakeItem(OfficerSeedDef("Glock", "Ammo", "15"));
    officer->TakeItem(OfficerSeedDef("Vest", "Armour", "1"));
    officer->StoreItem("Vest");
    return officer;
}

inline std::vector<std::pair<std::string, Bytes>> OfficerSeeds() {
    std::vector<std::pair<std::string, Bytes>> seeds;
    const auto add = [&seeds](const char* name, SHunterInfoList& list) {
        seeds.emplace_back(name, StoreArchive([&list](CArchive& ar) { list.StoreRecords(ar); }));
    };
    SHunterInfoList none;
    add("empty", none);
    SHunterInfoList fresh;
    fresh.AddTail(new SHunterInfo("Rookie"));
    add("new_officer", fresh);
    SHunterInfoList full;
    full.AddTail(FullSeedOfficer("Veteran"));
    add("full_officer", full);
    SHunterInfoList several;
    several.AddTail(FullSeedOfficer("One"));
    several.AddTail(new SHunterInfo("Two"));
    several.AddTail(FullSeedOfficer("Three"));
    add("several_officers", several);
    SHunterInfoList longTexts;
    auto* talker = new SHunterInfo(std::string(300, 'n').c_str());
    talker->m_Bio.m_sNotes = CString('x', 70000);
    longTexts.AddTail(talker);
    add("long_texts", longTexts);
    Bytes cut = seeds[2].second;
    cut.resize(cut.size() / 2);
    seeds.emplace_back("cut_short", cut);
    return seeds;
}

}  // namespace tarvex::test
