#include "game/SStandInCareer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/SObjectDef.h"

namespace standin_career {

namespace {

// The career's list of levels and the definition that holds the qualifying scores.
constexpr const char* kScenario = "Scenario";
constexpr const char* kScore = "Score";

std::string Text(const SObjectDef* def, const char* name) {
    const char* text = def != nullptr ? def->GetValueByName(name).GetString() : nullptr;
    return text != nullptr ? text : "";
}

// The weapons field of the level line whose index is `levelIndex`, "" when there is none.
// A line reads skill, definition, weapons, index, and more the range does not need.
std::string LevelWeapons(const SObjectDefList& objects, int levelIndex) {
    const SObjectDef* scenario = objects.FindByName(kScenario);
    for (int i = 0; scenario != nullptr; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "Level%02d", i);
        const std::string line = Text(scenario, name);
        if (line.empty())
            break;
        int skill = 0;
        int index = 0;
        char type[64] = {};
        char weapons[128] = {};
        if (std::sscanf(line.c_str(), "%d,%63[^,],%127[^,],%d", &skill, type, weapons, &index) == 4 &&
            index == levelIndex)
            return weapons;
    }
    return "";
}

}  // namespace

SRangeRules ReadRangeRules(const SObjectDefList& objects, int levelIndex, const std::string& fallbackWeapon) {
    SRangeRules rules;
    const std::string weapons = LevelWeapons(objects, levelIndex);
    // A range qualifies one weapon at a time: the first the level names.
    rules.weapon = weapons.substr(0, weapons.find('-'));
    const SObjectDef* weapon = objects.FindByName(rules.weapon.c_str());
    if (weapon == nullptr || !weapon->IsKindOf("Weapon")) {
        rules.weapon = fallbackWeapon;
        weapon = objects.FindByName(rules.weapon.c_str());
    }
    rules.rounds = weapon != nullptr ? weapon->GetIntByName("Rounds") : 0;
    rules.scoreKey = Text(weapon, "ScoreKey");
    const SObjectDef* score = objects.FindByName(kScore);
    rules.qualify = score != nullptr ? score->GetIntByName((rules.weapon + "QualifyScore").c_str()) : 0;
    return rules;
}

const SObjectDefList* LevelRecords(const SObjectDef* player) {
    const std::string address = Text(player, "ScorePtr");
    const auto value = static_cast<uintptr_t>(std::strtoull(address.c_str(), nullptr, 10));
    return reinterpret_cast<const SObjectDefList*>(value);
}

SObjectDef* MakeWeaponsScores(const SObjectDefList& objects, const SRangeRules& rules, int score, bool passed,
                              const SObjectDefList* records) {
    auto* scores = new SObjectDef;
    scores->SetName("WeaponsScores");
    // Every weapon's score is reported, as the host takes all four as the officer's last ones:
    // the others keep what their latest range record says.
    for (POSITION pos = objects.GetHeadPosition(); pos != nullptr;) {
        const SObjectDef* weapon = objects.GetNext(pos);
        const std::string key = Text(weapon, "ScoreKey");
        if (weapon == nullptr || key.empty() || key == rules.scoreKey)
            continue;
        int last = 0;
        for (POSITION at = records != nullptr ? records->GetHeadPosition() : nullptr; at != nullptr;) {
            const SObjectDef* record = records->GetNext(at);
            if (record != nullptr && Text(record, "Weapon") == static_cast<const char*>(weapon->GetName()))
                last = record->GetIntByName("Score");
        }
        scores->SetOrAppendInt(key.c_str(), last);
    }
    if (!rules.scoreKey.empty()) {
        scores->SetOrAppendInt(rules.scoreKey.c_str(), score);
        scores->SetOrAppendInt((rules.scoreKey + "Q").c_str(), passed ? 1 : 0);
    }
    return scores;
}

}  // namespace standin_career
