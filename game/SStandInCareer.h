#pragma once

#include <string>

class SObjectDef;
class SObjectDefList;

// What the career asks of one target-range session, read from the library's own definitions:
// the level the host started names the weapon, the weapon's definition its rounds, and the
// "Score" definition the score that qualifies, the same value the scenario page shows as needed.
struct SRangeRules {
    std::string weapon;    // the level's weapon, as the career's qualification names it
    std::string scoreKey;  // the key of the weapon's score in the reported weapon scores
    int rounds = 0;
    int qualify = 0;
};

namespace standin_career {

// The rules for the level of that index; `fallbackWeapon` stands where no level of that index
// is a weapon range of the career.
SRangeRules ReadRangeRules(const SObjectDefList& objects, int levelIndex, const std::string& fallbackWeapon);

// The weapon scores the host reads into the officer: this session's score and qualification
// for its weapon, the other weapons' last scores as the officer's level records keep them.
// `records` is the officer's level score list, null when the host gave none. Owned by the caller.
SObjectDef* MakeWeaponsScores(const SObjectDefList& objects, const SRangeRules& rules, int score, bool passed,
                              const SObjectDefList* records);

// The officer's level score list from the address the host hands over as text; null for none.
const SObjectDefList* LevelRecords(const SObjectDef* player);

}  // namespace standin_career
