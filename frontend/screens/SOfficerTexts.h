#pragma once

#include "core/SString.h"

class SHunterInfo;
class SObjectDef;
class SScreen;

// What the officer choice and information pages write about an officer: the rank from the
// level results and skill, the qualified weapons, the level reached, the statistics summary
// and the biography.
namespace officer_texts {

// 2 when there are more than 3 x levelsPerRank results and the skill is 2, 1 when more than
// 2 x levelsPerRank and the skill is 1, else 0.
int RankFor(int levelResults, int levelsPerRank, int skill);
// "no qualified weapons", or "9mm Pistol", "/Sniper", "/Shotgun", "/MP5" for each flag set.
SString WeaponsText(const SHunterInfo& officer);
// "<rank text> / <skill text>" from the "Score" definition.
SString RankAndSkillText(const SHunterInfo& officer, const SObjectDef* score);
SString StatsSummary(const SHunterInfo& officer);
SString Biography(const SHunterInfo& officer);
// The highest "Points" among the officer's trophies whose "Weapon" contains the text; -1 none.
int BestTrophyPoints(const SHunterInfo& officer, const char* weapon);

// Windows 300 (rank and skill), 400 (weapons), 500 (level) and 600 (note) of the layout; with
// updateRank the rank is first worked out again from "Score" and stored in the record.
void Write(SScreen* layout, SHunterInfo& officer, bool updateRank);

}  // namespace officer_texts
