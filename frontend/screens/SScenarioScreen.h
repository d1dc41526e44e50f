#pragma once

#include <cstdint>

#include "core/SString.h"
#include "frontend/screens/SAppScreen.h"
#include "sys/classlib/CTime.h"

class SHunterInfo;
class SObjectDef;
class SResource;

// The scenario choice page (screen id 4): the current officer steps through the career's open
// levels, sees each one's description, picture, time limit, score needed, weapon and best
// score, and starts one: the level's settings go to the game-logic library and the officer's
// record, then the light-gun calibration or the game follows. Owned by the screen manager; it
// holds one catalog use of the picture shown.
class SScenarioScreen : public SAppScreen {
    DECLARE_DYNAMIC(SScenarioScreen)

public:
    static constexpr int kScreenId = 4;
    // Layout ids.
    static constexpr uint32_t kImageItem5 = 5;
    static constexpr uint32_t kImageItem998 = 998;
    static constexpr uint32_t kImageItem999 = 999;
    static constexpr uint32_t kDescriptionText = 100;
    static constexpr uint32_t kTimeLimitText = 200;
    static constexpr uint32_t kNeededScoreText = 201;
    static constexpr uint32_t kWeaponText = 203;
    static constexpr uint32_t kScoreText = 204;
    // Commands.
    static constexpr uint32_t kStartCommand = 111;
    static constexpr uint32_t kBackCommand = 222;
    static constexpr uint32_t kPreviousCommand = 1111;
    static constexpr uint32_t kNextCommand = 2222;
    static constexpr int kTransparentIndex = 249;

    static constexpr const char* kMissingScenarioText = "Can't find scenario : ";
    static constexpr const char* kNotAccessibleText = "This level is not accessible. \n";
    static constexpr const char* kReplayQuestion =
        "You've already passed this assignment are you sure you want to \tenter it again?";

    SScenarioScreen();
    ~SScenarioScreen() override;

    void OnNotify(uint32_t nID, int32_t nCode) override;
    int Draw(SDC* pDC) override;
    void Activate() override;
    void Deactivate() override;
    void OnSlideDone() override;

    const char* GetTitle() override;
    const char* GetLayoutGroup() override;
    const char* GetLayoutName() override;
    const char* GetMusicName() override;

    // Finds the current level (clamped to the last one) and answers its library definition;
    // without a level, index 0 and the definition "TargetRange".
    SObjectDef* GetCurrentLevelDef();
    void UpdateLevelDisplay();
    void NextLevel();
    void PreviousLevel();
    // The weapon rule for the current level; `message` says what is missing.
    int CheckQualification(SString& message);
    // The start time of the current level: its "Date" and "Time" in the current year.
    CTime GetScenarioDateTime();
    void StartLevel();

    // The map file of a level: "Levels\<name>_<detail>_<light><extension>" unless the map is
    // generic. Detail 0 "Low", 1 "Med", other "High"; day-or-night 1 "Day", other "Night".
    static SString ComposeMapFile(const char* mapFile, int detail, int dayNight);
    static const char* DetailText(int detail);

    int GetTargetScreen() const { return m_iTargetScreen; }
    int GetCurrentLevelIndex() const { return m_iCurrentLevel; }
    SObjectDef* GetLevelDef() const { return m_pLevelDef; }
    SResource* GetLevelPicture() const { return m_pLevelPicture; }
    const CTime& GetStartTime() const { return m_tStartTime; }

protected:
    // A question or notice over this page (the game's own message dialog); 1 means yes or OK.
    virtual int AskUser(const char* text, bool bYesNo);

private:
    void MakeImagesTransparent();
    void SetItemText(uint32_t nID, const char* text);
    void ReleasePicture();
    static SHunterInfo* Officer();

    int32_t m_iTargetScreen = 11;
    SObjectDef* m_pLevelDef = nullptr;  // the library's; not owned
    int32_t m_iCurrentLevel = 0;
    CTime m_tStartTime;
    SResource* m_pLevelPicture = nullptr;  // one catalog use
};
