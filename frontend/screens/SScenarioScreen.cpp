#include "frontend/screens/SScenarioScreen.h"

#include <cstdio>
#include <cstring>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/CTarvexApp.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/actors/SActorWorld.h"
#include "core/SCatalog.h"
#include "core/SDateUtil.h"
#include "core/SFileSystem.h"
#include "core/SObjectDef.h"
#include "core/SResource.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SLevelList.h"
#include "sys/window/dialogs.h"
#include "ui/SDC.h"
#include "ui/SDIB.h"
#include "ui/SGraphicsHost.h"

IMPLEMENT_DYNAMIC(SScenarioScreen, SAppScreen)

namespace {

constexpr const char* kMusic = "Interface:cop_training";
constexpr int kOfficerInfoScreen = 3;
constexpr int kCalibrationScreen = 8;
constexpr int kGameScreen = 11;

SGameObjects* Hub() { return SGameObjects::Instance(); }

void SetLibraryProperty(const char* name, const char* value) {
    if (SGameDLL* library = Hub()->m_pGameDLL)
        library->SetProperty(name, value);
}

// The kind code of a catalog folder name ("Images", "Sprites", ...), or -1.
int KindOfFolderName(const char* name) {
    for (int kind = 1; SResourceKinds::IsInTable(kind); ++kind) {
        const char* folder = SResourceKinds::GetFolder(kind);
        if (*folder != '\0' && CompareTextNoCase(folder, name) == 0)
            return kind;
    }
    return -1;
}

}  // namespace

SScenarioScreen::SScenarioScreen() : m_tStartTime(1971, 1, 1, 7, 0, 0) {}

SScenarioScreen::~SScenarioScreen() { ReleasePicture(); }

const char* SScenarioScreen::GetTitle() { return "Scenario"; }
const char* SScenarioScreen::GetLayoutGroup() { return "choose_scenario"; }
const char* SScenarioScreen::GetLayoutName() { return "cs"; }
const char* SScenarioScreen::GetMusicName() { return kMusic; }

SHunterInfo* SScenarioScreen::Officer() { return Hub()->m_pCurrentPlayer; }

int SScenarioScreen::AskUser(const char* text, bool bYesNo) {
    auto* host = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance());
    return host != nullptr ? host->MessageDialog(text, bYesNo ? static_cast<int>(sys::MB_YESNO) : 0, this, 0) : 0;
}

void SScenarioScreen::MakeImagesTransparent() {
    if (m_pLayout == nullptr)
        return;
    for (uint32_t nID : {kImageItem999, kImageItem998, kImageItem5}) {
        SWindow* pImages = m_pLayout->FindChild(nID);
        SResourceArray* pResources = pImages != nullptr ? pImages->GetResourceArray() : nullptr;
        for (int i = 0; pResources != nullptr && i < pResources->GetSize(); ++i) {
            if (auto* pImage = dynamic_cast<SDIB*>(pResources->GetAt(i)))
                pImage->SetTransparentIndex(kTransparentIndex);
        }
    }
}

void SScenarioScreen::SetItemText(uint32_t nID, const char* text) {
    if (SWindow* pItem = m_pLayout != nullptr ? m_pLayout->FindChild(nID) : nullptr)
        pItem->SetText(text);
}

void SScenarioScreen::Activate() {
    MakeImagesTransparent();
    if (const SObjectDef* score = FindGameDefinition("Score"))
        g_bUnlockLevels = score->GetIntByName("__UnlockLevels") != 0;
    SHunterInfo* officer = Officer();
    int progress = officer != nullptr ? officer->m_iHighestPassedLevel : 0;
    if (progress < 0)
        progress = 0;
    ReadLevelList(g_LevelList, FindGameDefinition("Scenario"), progress);
    g_iHighestSelectableLevel = progress;
    const int lastIndex = static_cast<int>(g_LevelList.size()) - 1;
    if (g_bUnlockLevels && FindLevelByIndex(g_LevelList, lastIndex) != nullptr)
        g_iHighestSelectableLevel = lastIndex;
    m_iCurrentLevel = officer != nullptr ? officer->m_iLevelIndex : 0;
    m_pLevelDef = GetCurrentLevelDef();
    if (m_pLevelDef == nullptr)
        sys::dialogs::MessageBox(kMissingScenarioText, CTarvexApp::kTitle, sys::MB_OK);
    SAppScreen::Activate();
    UpdateLevelDisplay();
    StartSlide(1);
}

void SScenarioScreen::Deactivate() {
    SHunterInfo* officer = Officer();
    if (Hub()->m_iGameType != 1 && officer != nullptr) {
        officer->SetScenarioTime(m_tStartTime);
        officer->SetChanged();
    }
    DeleteLevelList(g_LevelList);
    SAppScreen::Deactivate();
}

SObjectDef* SScenarioScreen::GetCurrentLevelDef() {
    const int lastIndex = static_cast<int>(g_LevelList.size()) - 1;
    if (const level_info_t* last = FindLevelByIndex(g_LevelList, lastIndex)) {
        if (m_iCurrentLevel > last->m_iLevelIndex)
            m_iCurrentLevel = last->m_iLevelIndex;
    }
    level_info_t* level = FindLevelByIndex(g_LevelList, m_iCurrentLevel);
    if (level == nullptr) {
        m_iCurrentLevel = 0;
        g_pCurrentLevel = nullptr;
        return FindGameDefinition("TargetRange");
    }
    g_pCurrentLevel = level;
    return FindGameDefinition(level->m_szTypeName);
}

void SScenarioScreen::NextLevel() {
    const SHunterInfo* officer = Officer();
    if (officer == nullptr || officer->m_iHighestPassedLevel == -1)
        return;
    if (m_iCurrentLevel < g_iHighestSelectableLevel + 1)
        ++m_iCurrentLevel;
    m_pLevelDef = GetCurrentLevelDef();
}

void SScenarioScreen::PreviousLevel() {
    if (m_iCurrentLevel > 0)
        --m_iCurrentLevel;
    m_pLevelDef = GetCurrentLevelDef();
}

int SScenarioScreen::CheckQualification(SString& message) {
    return CheckLevelQualification(g_pCurrentLevel, Officer(), message);
}

void SScenarioScreen::ReleasePicture() {
    if (m_pLevelPicture == nullptr)
        return;
    if (SCatalog* catalog = Hub()->m_pCatalog)
        catalog->ReleaseResource(m_pLevelPicture);
    m_pLevelPicture = nullptr;
}

void SScenarioScreen::UpdateLevelDisplay() {
    const level_info_t* level = g_pCurrentLevel;
    const SHunterInfo* officer = Officer();
    SetItemText(kDescriptionText, level != nullptr ? level->m_szDescription : "");
    ReleasePicture();
    SString timeText;
    SString neededText;
    SString weaponText;
    SString scoreText;
    if (m_pLevelDef != nullptr && level != nullptr) {
        const int passed = officer != nullptr ? officer->m_iHighestPassedLevel : -1;
        const char* picture = level->m_iLevelIndex <= passed ? level->m_szImageFile2 : level->m_szImageFile1;
        char kind[128] = {};
        char name[128] = {};
        SCatalog* catalog = Hub()->m_pCatalog;
        if (*picture != '\0' && catalog != nullptr && std::sscanf(picture, "%127[^:]:%127s", kind, name) == 2) {
            const int nKind = KindOfFolderName(kind);
            if (nKind > 0)
                m_pLevelPicture = catalog->GetResource(nKind, CString(name), CString(), 0);
        }
        if (CompareTextNoCase(level->m_szTypeName, "targetrange") == 0) {
            const SObjectDef* score = FindGameDefinition("Score");
            char key[160];
            std::snprintf(key, sizeof(key), "%sQualifyScore", level->m_szWeapons);
            const int needed = score != nullptr ? score->GetIntByName(key) : 0;
            const int limit = score != nullptr ? score->GetIntByName("QualifyTimeLimit") : 0;
            neededText.Format("%d", needed);
            timeText.Format("%02d:%02d", limit / 60000, (limit % 60000) / 1000);
        } else {
            char key[64];
            std::snprintf(key, sizeof(key), "MaximumTime_Skill%02d", level->m_iSkill);
            const int limit = m_pLevelDef->GetIntByName(key);
            std::snprintf(key, sizeof(key), "MinimumScore_Skill%02d", level->m_iSkill);
            neededText.Format("%d", m_pLevelDef->GetIntByName(key));
            timeText.Format("%02d:%02d", limit / 60, limit % 60);
        }
        weaponText = CompareTextNoCase(level->m_szWeapons, "pistol9mm") == 0 ? "9mm Pistol" : level->m_szWeapons;
        scoreText = GetLevelScoreText(officer, m_iCurrentLevel);
    }
    SetItemText(kTimeLimitText, timeText.GetString());
    SetItemText(kNeededScoreText, neededText.GetString());
    SetItemText(kWeaponText, weaponText.GetString());
    SetItemText(kScoreText, scoreText.GetString());
}

int SScenarioScreen::Draw(SDC* pDC) {
    const int result = SAppScreen::Draw(pDC);
    SDXSurface* surface = pDC != nullptr ? pDC->GetSurface() : nullptr;
    if (m_pLevelPicture != nullptr && surface != nullptr)
        m_pLevelPicture->BlitTo(surface);
    return result;
}

void SScenarioScreen::OnNotify(uint32_t nID, int32_t nCode) {
    if (nCode != kNotifyClick)
        return;
    switch (nID) {
        case kStartCommand:
            StartLevel();
            break;
        case kBackCommand:
            m_iTargetScreen = kOfficerInfoScreen;
            StartSlide(0);
            break;
        case kPreviousCommand:
            PreviousLevel();
            UpdateLevelDisplay();
            break;
        case kNextCommand:
            NextLevel();
            UpdateLevelDisplay();
            break;
        default:
            break;
    }
}

const char* SScenarioScreen::DetailText(int detail) {
    if (detail == 0)
        return "Low";
    return detail == 1 ? "Med" : "High";
}

SString SScenarioScreen::ComposeMapFile(const char* mapFile, int detail, int dayNight) {
    const std::string file = mapFile != nullptr ? mapFile : "";
    const size_t dot = file.find('.');
    const std::string name = dot == std::string::npos ? file : file.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string(".gmx") : file.substr(dot);
    const std::string composed = std::string("Levels\\") + name + "_" + DetailText(detail) + "_" +
                                 (dayNight == 1 ? "Day" : "Night") + extension;
    return SString(composed.c_str());
}

CTime SScenarioScreen::GetScenarioDateTime() {
    CTime time = m_tStartTime;
    if (m_pLevelDef != nullptr) {
        const CTime date = ParseDate(m_pLevelDef->GetValueByName("Date").GetString());
        int hour = 0;
        int minute = 0;
        int second = 0;
        std::sscanf(m_pLevelDef->GetValueByName("Time").GetString(), "%d:%d:%d", &hour, &minute, &second);
        time = CTime(CTime::GetCurrentTime().GetYear(), date.GetMonth(), date.GetDay(), hour, minute, second);
    }
    return CTime(CTime::GetCurrentTime().GetYear(), time.GetMonth(), time.GetDay(), time.GetHour(),
                 time.GetMinute(), time.GetSecond());
}

void SScenarioScreen::StartLevel() {
    SGameObjects* hub = Hub();
    SHunterInfo* officer = Officer();
    // Without the level's definition nothing of it could be handed on.
    if (m_pLevelDef == nullptr || officer == nullptr) {
        sys::dialogs::MessageBox(kMissingScenarioText, CTarvexApp::kTitle, sys::MB_OK);
        return;
    }
    hub->SetScenarioByName(SString(m_pLevelDef->GetValueByName("Type")));
    SetLibraryProperty("ScenarioName", m_pLevelDef->GetName().GetString());
    if (g_pCurrentLevel != nullptr)
        officer->m_iSkill = g_pCurrentLevel->m_iSkill;
    char text[64];
    std::snprintf(text, sizeof(text), "%02d", officer->m_iSkill);
    SetLibraryProperty("Skill", text);
    officer->m_iDayNight = m_pLevelDef->GetIntByName("DayNight");
    officer->m_iLevelIndex = m_iCurrentLevel;
    if (!g_bUnlockLevels && hub->m_iSubGameType != 0) {
        SString message;
        if (!CheckQualification(message)) {
            AskUser((SString(kNotAccessibleText) + message).GetString(), false);
            return;
        }
    }
    if (m_iCurrentLevel > 0 && m_iCurrentLevel <= g_iHighestSelectableLevel && AskUser(kReplayQuestion, true) != 1)
        return;
    officer->SetMapFile(m_pLevelDef->GetValueByName("MapFile").GetString());
    officer->m_sNote1 = m_pLevelDef->GetValueByName("MapName").GetString();
    officer->m_sNote2 = g_pCurrentLevel != nullptr ? g_pCurrentLevel->m_szDescription : "";
    m_tStartTime = GetScenarioDateTime();
    if (hub->m_pGameItems != nullptr && hub->m_pGameItems->m_pWorld[0] != nullptr)
        hub->m_pGameItems->m_pWorld[0]->m_Date = m_tStartTime;
    std::snprintf(text, sizeof(text), "%d:%d", m_tStartTime.GetHour(), m_tStartTime.GetMinute());
    SetLibraryProperty("HuntStartTime", text);

    SString mapFile = m_pLevelDef->GetValueByName("MapFile");
    if (m_pLevelDef->GetIntByName("GenericMap") == 0) {
        const CConfigData* config = hub->m_pConfig;
        const int detail = config != nullptr && config->m_pGraphics != nullptr ? config->m_pGraphics->m_iDetailQuality : 2;
        SetLibraryProperty("DetailLevel", DetailText(detail));
        mapFile = ComposeMapFile(mapFile.GetString(), detail, officer->m_iDayNight);
    }
    const SString path = MapPathInHome(mapFile.GetString());
    if (!SFileSystem::FileExists(path.GetString())) {
        AskUser(MissingMapText(path).GetString(), false);
        return;
    }
    officer->SetMapFile(mapFile.GetString());
    m_iTargetScreen = hub->IsLightGunActive() ? kCalibrationScreen : kGameScreen;
    StartSlide(0);
}

void SScenarioScreen::OnSlideDone() {
    SAppScreen::OnSlideDone();
    SwitchAfterSlideOut(m_iTargetScreen);
}
