// Fuzz target of what the career reads from the game-logic library's definitions: any bytes as
// the lines of the library's object script, read line by line as the library's parser reads
// them. Then, for a current officer who carries the library's inventory items and whose level
// index the "Results" definition names:
// - the range session's rules (the stand-in library's ReadRangeRules) for the level the host's
//   player definition gives, and the weapon scores it makes of them;
// - the host's scores callback handed those scores, a copy of every definition and the
//   "Results" values, which files kit, trophies, level records, weapon scores and statistics;
// - the history page's level list, the officer view's settings and the in-game screen's
//   renderer settings and ambient factors read from the same definitions.
// The officer must store, read back and store again to the same bytes. Anything else (a
// crash, a sanitizer report, a leak) is a finding.
//
// The seeds in corpus/career_results_fuzz/ are the stand-in library's own script and results
// as its range files them, checked against their writers by
// ReaderSeedCorpusTest in tests/tools (TARVEX_UPDATE_REFERENCES=1 writes them anew).
#include <cmath>
#include <cstdint>
#include <string>

#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SLevelList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/screens/SGameScreen.h"
#include "frontend/screens/SHistoryScreen.h"
#include "frontend/screens/SOfficerView.h"
#include "game/SStandInCareer.h"
#include "sys/profile.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/fuzz/CareerFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kFallbackWeapon = "Pistol9mm";

// The range's end of play: the weapon scores of its rules, every definition of the script and
// the "Results" values, handed to the host.
void ReportResults(const SHostCallbacks& host, const SObjectDefList& objects, const SRangeRules& rules,
                   const SObjectDefList* records) {
    SClientConnect results;
    const SObjectDef* values = objects.FindByName("Results");
    if (values != nullptr)
        results.m_pDef->CopyDifferences(values, nullptr);
    const int score = values != nullptr ? values->GetIntByName("Score") : 0;
    const bool passed = values != nullptr && values->GetIntByName("LevelPassed") != 0;
    results.m_pDefs->AddTail(standin_career::MakeWeaponsScores(objects, rules, score, passed, records));
    for (POSITION pos = objects.GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* def = objects.GetNext(pos);
        auto* copy = new SObjectDef;
        copy->CopyDifferences(def, nullptr);
        results.m_pDefs->AddTail(copy);
    }
    Check(host.HostPlayerScores(&results) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_bReady = [] {
        sys::profile::SetFile(fuzzsupport::ScratchFolder("career_results_fuzz") + "/profile.ini");
        SOfficerRecords::Install();
        return true;
    }();
    (void)s_bReady;
    if (size > 64 * 1024)
        return 0;
    sys::dialogs::headless::Reset();

    SObjectDefList objects;
    fuzzsupport::ParseLines(objects, std::string(reinterpret_cast<const char*>(data), size));

    // The officer carries the library's inventory items, which results of the same name update.
    SHunterInfoList officers;
    auto* officer = new SHunterInfo("Officer");
    officers.AddTail(officer);
    for (POSITION pos = objects.GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* def = objects.GetNext(pos);
        if (def->IsKindOf("InvItem") || def->IsKindOf("InvWeapon"))
            officer->TakeItem(new SObjectDef(def));
    }
    const SObjectDef* values = objects.FindByName("Results");
    officer->m_iLevelIndex = values != nullptr ? values->GetIntByName("LevelIndex") : 0;
    SGameObjects* hub = SGameObjects::Instance();
    hub->m_pCurrentPlayer = officer;
    SHostCallbacks host{};
    FillHostCallbacks(host);

    // What the range reads at its start: the level from the host's player definition, the
    // officer's level records by the address the host wrote, and its rules.
    SClientConnect* player = nullptr;
    Check(host.HostBuildPlayerDefinition(&player) == 1 && player != nullptr);
    const int level = player->m_pDef->GetIntByName("LevelIndex");
    Check(level == officer->m_iLevelIndex);
    const SObjectDefList* records = standin_career::LevelRecords(player->m_pDef);
    Check(records == officer->m_pLevelScores);
    const SRangeRules rules = standin_career::ReadRangeRules(objects, level, kFallbackWeapon);
    if (rules.weapon != kFallbackWeapon) {
        const SObjectDef* weapon = objects.FindByName(rules.weapon.c_str());
        Check(weapon != nullptr && weapon->IsKindOf("Weapon"));
    }
    ReportResults(host, objects, rules, records);

    LevelSummaryList levels;
    SHistoryScreen::ReadLevelList(levels, objects.FindByName("Scenario"), officer->m_iHighestPassedLevel);
    for (const auto& summary : levels)
        Check(FindLevelByIndex(levels, summary->m_iLevelIndex) != nullptr);
    DeleteLevelList(levels);

    const SOfficerView::Settings view = SOfficerView::ReadSettings(objects.FindByName(SOfficerView::kDefinition));
    Check(view.maxFov > 0.0f || std::isnan(view.maxFov));

    SGameScreen::ResetRendererSettings();
    SString scenario;
    SGameObjects::GetScenarioName(scenario, values != nullptr ? values->GetIntByName("SubGameType") : 0);
    const SObjectDef* last = objects.GetCount() > 0 ? objects.GetTail() : nullptr;
    SGameScreen::ApplyDefinitions(&objects, scenario.GetString(),
                                  last != nullptr ? static_cast<const char*>(last->GetName()) : nullptr);

    fuzzsupport::CheckOfficersStoreAsRead(officers);

    hub->m_pCurrentPlayer = nullptr;
    objects.DeleteAll();
    return 0;
}
