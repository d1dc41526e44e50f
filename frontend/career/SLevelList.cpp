#include "frontend/career/SLevelList.h"

#include <cstdio>
#include <cstring>

#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"

LevelInfoList g_LevelList;
bool g_bUnlockLevels = false;
int32_t g_iHighestSelectableLevel = 0;
level_info_t* g_pCurrentLevel = nullptr;

namespace {

// A level line is never longer than this; the rest of a longer value is not read.
constexpr size_t kLineChars = 511;
// The first four fields make a level; the rest may be missing.
constexpr int kLevelFieldsNeeded = 4;

constexpr const char* kClosingSentence =
    "\n qaulified before entering this level.\n Please visit the target range area first.";

// The value "<prefix>NN" of the definition (at least two digits), cut to one line buffer.
std::string NumberedValue(const SObjectDef* def, const char* prefix, int number) {
    char name[32];
    std::snprintf(name, sizeof(name), "%s%02d", prefix, number);
    const SString& value = def->GetValueByName(name);
    std::string text = value.GetString() != nullptr ? value.GetString() : "";
    if (text.size() > kLineChars)
        text.resize(kLineChars);
    return text;
}

bool IsOpen(int levelIndex, int progress) { return levelIndex <= progress + 1; }

}  // namespace

SObjectDef* FindGameDefinition(const char* name) {
    SGameObjects* hub = SGameObjects::Instance();
    SGameDLL* library = hub != nullptr ? hub->m_pGameDLL : nullptr;
    SObjectDefList* list = library != nullptr ? library->GetObjectList() : nullptr;
    return list != nullptr ? list->FindByName(name) : nullptr;
}

bool ScanLevelLine(const char* line, level_info_t& out) {
    level_info_t scanned;
    const int fields = std::sscanf(line, "%d,%63[^,],%127[^,],%d,%d,%d,%d,%255[^;]", &scanned.m_iSkill,
                                   scanned.m_szTypeName, scanned.m_szWeapons, &scanned.m_iLevelIndex,
                                   &scanned.m_iImage1, &scanned.m_iImage2, &scanned.m_iExtra,
                                   scanned.m_szDescription);
    if (fields < kLevelFieldsNeeded)
        return false;
    out = scanned;
    return true;
}

void FindLevelImage(char (&file)[128], int imageNumber, const SObjectDef* scenario) {
    file[0] = '\0';
    if (scenario == nullptr)
        return;
    for (int i = 0;; ++i) {
        const std::string line = NumberedValue(scenario, "LevelImage", i);
        if (line.empty())
            return;
        int number = 0;
        char text[128] = {};
        if (std::sscanf(line.c_str(), "%d,%127s", &number, text) == 2 && number == imageNumber) {
            std::memcpy(file, text, sizeof(file));
            return;
        }
    }
}

void ReadLevelList(LevelInfoList& list, const SObjectDef* scenario, int progress) {
    DeleteLevelList(list);
    if (scenario == nullptr)
        return;
    for (int i = 0;; ++i) {
        const std::string line = NumberedValue(scenario, "Level", i);
        if (line.empty())
            return;
        auto level = std::make_unique<level_info_t>();
        // A line without the fields that make a level would be a level 0 nobody wrote.
        if (!ScanLevelLine(line.c_str(), *level))
            continue;
        level->m_bAccessible = (IsOpen(level->m_iLevelIndex, progress) || g_bUnlockLevels) ? 1 : 0;
        FindLevelImage(level->m_szImageFile1, level->m_iImage1, scenario);
        FindLevelImage(level->m_szImageFile2, level->m_iImage2, scenario);
        list.push_back(std::move(level));
    }
}

void ReadLevelList(LevelSummaryList& list, const SObjectDef* scenario, int progress) {
    DeleteLevelList(list);
    if (scenario == nullptr)
        return;
    for (int i = 0;; ++i) {
        const std::string line = NumberedValue(scenario, "Level", i);
        if (line.empty())
            return;
        level_info_t scanned;
        if (!ScanLevelLine(line.c_str(), scanned))
            continue;
        auto level = std::make_unique<level_summary_t>();
        level->m_iSkill = scanned.m_iSkill;
        level->m_sTypeName = scanned.m_szTypeName;
        level->m_sWeapons = scanned.m_szWeapons;
        level->m_iLevelIndex = scanned.m_iLevelIndex;
        level->m_iImage1 = scanned.m_iImage1;
        level->m_iImage2 = scanned.m_iImage2;
        level->m_iExtra = scanned.m_iExtra;
        level->m_sDescription = scanned.m_szDescription;
        level->m_bAccessible = IsOpen(level->m_iLevelIndex, progress) ? 1 : 0;
        list.push_back(std::move(level));
    }
}

level_info_t* FindLevelByIndex(const LevelInfoList& list, int levelIndex) {
    for (const auto& level : list) {
        if (level->m_iLevelIndex == levelIndex)
            return level.get();
    }
    return nullptr;
}

level_summary_t* FindLevelByIndex(const LevelSummaryList& list, int levelIndex) {
    for (const auto& level : list) {
        if (level->m_iLevelIndex == levelIndex)
            return level.get();
    }
    return nullptr;
}

void DeleteLevelList(LevelInfoList& list) {
    for (const auto& level : list) {
        if (level.get() == g_pCurrentLevel)
            g_pCurrentLevel = nullptr;
    }
    list.clear();
}

void DeleteLevelList(LevelSummaryList& list) { list.clear(); }

SString GetLevelScoreText(const SHunterInfo* officer, int levelIndex) {
    if (officer == nullptr)
        return SString("ERR");
    SString text;
    for (int i = 0; i < officer->GetLevelScoreCount(); ++i) {
        const SObjectDef* record = officer->GetLevelScore(i);
        if (record == nullptr || record->GetIntByName("LevelIndex") != levelIndex ||
            record->GetIntByName("LevelPassed") == 0)
            continue;
        text.Format("%d", record->GetIntByName("Score"));
    }
    if (text.IsEmpty())
        text = "N/A";
    return text;
}

namespace {

// The weapons text's names, in order, without the empty pieces that doubled dashes leave.
std::vector<std::string> WeaponNames(const char* weapons) {
    const std::string text = weapons != nullptr ? weapons : "";
    std::vector<std::string> names;
    for (size_t start = 0; start <= text.size();) {
        const size_t dash = text.find('-', start);
        const size_t end = dash == std::string::npos ? text.size() : dash;
        if (end > start)
            names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

int CheckLevelQualification(const level_info_t* level, const SHunterInfo* officer, SString& message) {
    if (level == nullptr) {
        message = "??? No level info.";
        return 0;
    }
    SObjectDef qualified;
    if (officer != nullptr)
        officer->WriteQualifiedWeapons(&qualified);
    const std::vector<std::string> names = WeaponNames(level->m_szWeapons);
    bool ok = !names.empty();
    SString missing;
    for (const std::string& name : names) {
        if (CompareTextNoCase(name.c_str(), "AllWeapons") == 0) {
            ok = true;
            break;
        }
        if (qualified.GetIntByName(name.c_str()) == 0) {
            ok = false;
            missing += name.c_str();
            missing += "\n";
        }
    }
    if (!ok) {
        message = "You need the ";
        message += missing;
        message += kClosingSentence;
    }
    return (level->m_bAccessible != 0 && ok) ? 1 : 0;
}
