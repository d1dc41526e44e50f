#include "frontend/screens/SOfficerTexts.h"

#include <cstdio>
#include <cstring>

#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SLevelList.h"
#include "ui/SScreen.h"

namespace officer_texts {

namespace {

void SetText(SScreen* layout, uint32_t id, const char* text) {
    if (SWindow* window = layout != nullptr ? layout->FindChild(id) : nullptr)
        window->SetText(text);
}

SString ScoreValue(const SObjectDef* score, const char* format, int n) {
    char key[32];
    std::snprintf(key, sizeof(key), format, n);
    return score != nullptr ? score->GetValueByName(key) : SString();
}

SString Percent(const char* label, int hit, int fired) {
    SString line;
    if (fired > 0)
        line.Format("%s: %.0f%%\n", label, static_cast<double>(hit) / fired * 100.0);
    else
        line.Format("%s: NA\n", label);
    return line;
}

}  // namespace

int RankFor(int levelResults, int levelsPerRank, int skill) {
    if (levelResults > 3 * levelsPerRank && skill == 2)
        return 2;
    if (levelResults > 2 * levelsPerRank && skill == 1)
        return 1;
    return 0;
}

SString WeaponsText(const SHunterInfo& officer) {
    const bool any = officer.m_bQualifiedPistol != 0 || officer.m_bQualifiedSniper != 0 ||
                     officer.m_bQualifiedShotgun != 0 || officer.m_bQualifiedMP5 != 0;
    SString text = any ? "" : "no qualified weapons";
    if (officer.m_bQualifiedPistol != 0)
        text += "9mm Pistol";
    if (officer.m_bQualifiedSniper != 0)
        text += "/Sniper";
    if (officer.m_bQualifiedShotgun != 0)
        text += "/Shotgun";
    if (officer.m_bQualifiedMP5 != 0)
        text += "/MP5";
    return text;
}

SString RankAndSkillText(const SHunterInfo& officer, const SObjectDef* score) {
    SString text;
    text.Format("%s / %s", ScoreValue(score, "Rank%02d", officer.m_iRank).GetString(),
                ScoreValue(score, "Skill%02d", officer.m_iSkill).GetString());
    return text;
}

SString StatsSummary(const SHunterInfo& officer) {
    const SHuntStats& stats = officer.m_Stats;
    SString text;
    text.Format("Hunting Trips: %d\nTrophies: %d\n", stats.m_iNumHunts, stats.m_iTrophies);
    text += Percent("Accuracy", stats.m_iHuntShotsHit, stats.m_iHuntShotsFired);
    text += "\n";
    text += Percent("Range Rating", stats.m_iTargetShotsHit, stats.m_iTargetShotsFired);
    return text;
}

SString Biography(const SHunterInfo& officer) {
    const SHunterBio& bio = officer.m_Bio;
    SString text(bio.GetLocation().GetString());
    SString line;
    line.Format("Age: %s\nEmail: %s\nWeb page: %s\nNotes: %s\n", bio.m_sAge.GetString(), bio.m_sEmail.GetString(),
                bio.m_sURL.GetString(), bio.m_sNotes.GetString());
    text += line;
    return text;
}

int BestTrophyPoints(const SHunterInfo& officer, const char* weapon) {
    int best = -1;
    for (int i = 0; i < officer.GetTrophyCount(); ++i) {
        const SObjectDef* trophy = officer.GetTrophy(i);
        if (trophy == nullptr || std::strstr(trophy->GetValueByName("Weapon").GetString(), weapon) == nullptr)
            continue;
        const int points = trophy->GetIntByName("Points");
        if (points > best)
            best = points;
    }
    return best;
}

void Write(SScreen* layout, SHunterInfo& officer, bool updateRank) {
    const SObjectDef* score = FindGameDefinition("Score");
    if (updateRank) {
        const int levelsPerRank = score != nullptr ? score->GetIntByName("LevelsPerRank") : 0;
        officer.m_iRank = RankFor(officer.GetLevelScoreCount(), levelsPerRank, officer.m_iSkill);
    }
    SetText(layout, 300, RankAndSkillText(officer, score).GetString());
    SetText(layout, 400, WeaponsText(officer).GetString());
    SString level;
    level.Format("%d", officer.m_iHighestPassedLevel + 1);
    SetText(layout, 500, level.GetString());
    SetText(layout, 600, officer.m_sNote2.GetString());
}

}  // namespace officer_texts
