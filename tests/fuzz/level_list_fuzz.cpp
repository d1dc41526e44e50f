// Fuzz target of the career's level list: any bytes as the lines of the library's "Scenario"
// definition. The lines up to the first empty one are the values "Level00", "Level01", ...,
// those after it "LevelImage00", "LevelImage01", ... The list is read for both pages, every
// level is found by its index, its pictures looked up and its weapon rule checked for an
// officer who has qualified on nothing. Fields must stay within their room and every record
// found must be one of the list. Anything else (a crash, a sanitizer report) is a finding.
//
// The seeds in corpus/level_list_fuzz/ are the stand-in library's own level lines, written by
// the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SLevelList.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzzsupport::Check;

bool Terminated(const char* text, size_t room) { return std::memchr(text, '\0', room) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024)
        return 0;
    SObjectDef scenario;
    scenario.SetName("Scenario");
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool images = false;
    int number = 0;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() && !images) {
            images = true;
            number = 0;
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof(name), images ? "LevelImage%02d" : "Level%02d", number++);
        scenario.SetOrAppend(name, line.c_str(), 0);
    }

    LevelInfoList levels;
    ReadLevelList(levels, &scenario, size > 0 ? data[0] % 8 - 1 : 0);
    SHunterInfo officer;
    for (const auto& level : levels) {
        Check(Terminated(level->m_szTypeName, sizeof(level->m_szTypeName)) &&
              Terminated(level->m_szWeapons, sizeof(level->m_szWeapons)) &&
              Terminated(level->m_szDescription, sizeof(level->m_szDescription)) &&
              Terminated(level->m_szImageFile1, sizeof(level->m_szImageFile1)) &&
              Terminated(level->m_szImageFile2, sizeof(level->m_szImageFile2)));
        const level_info_t* found = FindLevelByIndex(levels, level->m_iLevelIndex);
        Check(found != nullptr && found->m_iLevelIndex == level->m_iLevelIndex);
        SString message;
        CheckLevelQualification(level.get(), &officer, message);
        GetLevelScoreText(&officer, level->m_iLevelIndex);
    }
    LevelSummaryList summaries;
    ReadLevelList(summaries, &scenario, -1);
    Check(summaries.size() == levels.size());
    for (const auto& summary : summaries)
        Check(FindLevelByIndex(summaries, summary->m_iLevelIndex) != nullptr);
    DeleteLevelList(levels);
    DeleteLevelList(summaries);
    return 0;
}
