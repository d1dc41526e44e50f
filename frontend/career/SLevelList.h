#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/SString.h"

class SHunterInfo;
class SObjectDef;

// One level of the career as the scenario page shows it: the fields of its "Level%02d" line,
// the picture files of its two "LevelImage%02d" numbers and whether the officer may open it.
// Owned by the page's level list.
struct level_info_t {
    int32_t m_iSkill = 0;
    char m_szTypeName[64] = {};
    char m_szWeapons[128] = {};
    int32_t m_iLevelIndex = 0;
    int32_t m_iImage1 = 0;  // shown while the level is not passed
    int32_t m_iImage2 = 0;  // shown once it is
    int32_t m_iExtra = 0;   // kept for the library; the host reads nothing from it
    char m_szDescription[256] = {};
    char m_szImageFile1[128] = {};
    char m_szImageFile2[128] = {};
    uint8_t m_bAccessible = 0;
};

// One level as the history page lists it: the line's fields, open by progress alone.
struct level_summary_t {
    int32_t m_iSkill = 0;
    SString m_sTypeName;
    SString m_sWeapons;
    int32_t m_iLevelIndex = 0;
    int32_t m_iImage1 = 0;
    int32_t m_iImage2 = 0;
    int32_t m_iExtra = 0;
    SString m_sDescription;
    uint8_t m_bAccessible = 0;
};

using LevelInfoList = std::vector<std::unique_ptr<level_info_t>>;
using LevelSummaryList = std::vector<std::unique_ptr<level_summary_t>>;

// The scenario page's level list, the unlock flag (the library's "Score" value
// "__UnlockLevels": every level open), the highest level index the officer may pick and the
// level on display (null when none). Shared by the page and the qualification rule.
extern LevelInfoList g_LevelList;
extern bool g_bUnlockLevels;
extern int32_t g_iHighestSelectableLevel;
extern level_info_t* g_pCurrentLevel;

// The game-logic library's definition of that name (any case), or null without the library
// or its list.
SObjectDef* FindGameDefinition(const char* name);

// Splits one "Level%02d" line into a record; false (the record left as made) for a line that
// does not name at least skill, type, weapons and level index. Fields are cut to their sizes.
bool ScanLevelLine(const char* line, level_info_t& out);

// Refills the list from the "Level00", "Level01", ... values of the scenario definition, in
// that order, up to the first empty value. A level is open when its index is at most
// progress + 1, or with the unlock flag. A missing definition gives an empty list.
void ReadLevelList(LevelInfoList& list, const SObjectDef* scenario, int progress);
// The same into the history page's records: no pictures, no unlock flag.
void ReadLevelList(LevelSummaryList& list, const SObjectDef* scenario, int progress);
// The file text of the first "LevelImage%02d" entry with that number; "" when none.
void FindLevelImage(char (&file)[128], int imageNumber, const SObjectDef* scenario);
level_info_t* FindLevelByIndex(const LevelInfoList& list, int levelIndex);
level_summary_t* FindLevelByIndex(const LevelSummaryList& list, int levelIndex);
void DeleteLevelList(LevelInfoList& list);
void DeleteLevelList(LevelSummaryList& list);

// The officer's score for the level: the last passed result record's "Score", "N/A" when none
// was passed, "ERR" without an officer.
SString GetLevelScoreText(const SHunterInfo* officer, int levelIndex);

// The weapon rule of a level: every weapon its weapons text names ("-" separated) must be one
// the officer has qualified on, unless one of them is "AllWeapons". Answers 1 when the level is
// also open, else 0; `message` names the missing weapons (it is left alone when none is
// missing).
int CheckLevelQualification(const level_info_t* level, const SHunterInfo* officer, SString& message);
