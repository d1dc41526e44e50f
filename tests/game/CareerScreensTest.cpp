// The scenario choice and history pages over our stand-in library's career: stepping through
// the open levels, what each level shows, starting one (qualification, the replay question, the
// map file, what the library and the officer are told), and the officer's results reviewed on
// the history page after a level was played and recorded as the library's callbacks record it.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/actors/SActorWorld.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "core/SDataCollection.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SLevelList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/screens/SHistoryScreen.h"
#include "frontend/screens/SOfficerTexts.h"
#include "frontend/screens/SScenarioScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/time/time.h"
#include "tests/app/GameLibraryTestSupport.h"
#include "tests/support/ProcessHubGuard.h"
#include "ui/SDC.h"
#include "ui/SDIB.h"
#include "ui/widgets/SButton.h"
#include "ui/widgets/STextCtrl.h"

namespace {

namespace fs = std::filesystem;

// Answers the page's questions from a script (no answer left: "no") and keeps what was asked.
template <class Page>
class Asking : public Page {
public:
    static inline std::deque<int> s_answers;
    static inline std::vector<std::string> s_asked;

protected:
    int Ask(const char* text) {
        s_asked.push_back(text);
        if (s_answers.empty())
            return 0;
        const int answer = s_answers.front();
        s_answers.pop_front();
        return answer;
    }
};

class AskingScenario : public Asking<SScenarioScreen> {
protected:
    int AskUser(const char* text, bool) override { return Ask(text); }
};

class AskingHistory : public Asking<SHistoryScreen> {
protected:
    int AskUser(const char* text) override { return Ask(text); }
};

class CareerScreensTest : public tarvex::test::GameLibraryTest {
protected:
    void SetUp() override {
        GameLibraryTest::SetUp();
        // The pages write the officer file where they run, as the program does in Home.
        fs::current_path(m_folder);
        SOfficerRecords::Install();
        sys::time::SetFakeTicks(m_dwNow);
        m_pHub->m_pGameDLL = new SGameDLL(tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(),
                                                                           fs::path(m_folder) / "lib")
                                              .c_str());
        m_pHub->m_pGameDLL->HandOver(m_pHub->m_pGameItems, SString());
        m_savedBasePath = m_pHub->m_sBasePath;
        m_pHub->m_sBasePath = m_folder.c_str();
        m_pHub->m_pCatalog = &m_catalog;
        m_pHub->m_pCurrentPlayer = &m_officer;
        m_pHub->m_pConfig->m_pGraphics->m_iDetailQuality = 1;
        SWindow::SetResourceCatalog(&m_catalog);
        BuildLayouts();
        m_setup.CreateScreens(m_pHub);
        m_pManager = m_pHub->m_pScreenManager;
        m_pManager->SetScreenFactory(4, []() -> SAppScreen* { return new AskingScenario; });
        m_pManager->SetScreenFactory(5, []() -> SAppScreen* { return new AskingHistory; });
        m_pManager->SetSurfaces(&m_context, nullptr);
        AskingScenario::s_answers.clear();
        AskingScenario::s_asked.clear();
        AskingHistory::s_answers.clear();
        AskingHistory::s_asked.clear();
    }
    void TearDown() override {
        m_pManager->DeleteAllScreens();
        delete m_pManager;
        m_pHub->m_pScreenManager = nullptr;
        m_pHub->m_pGameDLL->Unload();
        delete m_pHub->m_pGameDLL;
        m_pHub->m_pGameDLL = nullptr;
        m_pHub->m_sBasePath = m_savedBasePath;
        m_pHub->m_pCatalog = nullptr;
        m_pHub->m_pCurrentPlayer = nullptr;
        m_pHub->m_pConfig->m_pGraphics->m_iDetailQuality = 2;
        m_pHub->SetSubGameType(0);
        SWindow::SetResourceCatalog(nullptr);
        g_bUnlockLevels = false;
        GameLibraryTest::TearDown();
    }

    SScreen* AddLayout(const char* group, const char* name) {
        auto* layout = new SScreen;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
        auto* item = new SCatalogItem(kKindScreen, name, group, "");
        item->SetResource(layout);
        m_catalog.AddItem(item);
        return layout;
    }
    static void AddTexts(SScreen* layout, std::initializer_list<uint32_t> ids) {
        int top = 10;
        for (uint32_t id : ids) {
            (new STextCtrl)->CreateText("", 0, sys::RECT{300, top, 600, top + 20}, layout, id);
            top += 30;
        }
    }
    void BuildLayouts() {
        SScreen* choose = AddLayout("choose_scenario", "cs");
        AddTexts(choose, {100, 200, 201, 203, 204});
        SScreen* history = AddLayout("History", "");
        AddTexts(history, {7100, 7101, 7102, 7210, 7600});
        (new SButton)->CreateButton("", 0, sys::RECT{20, 10, 120, 30}, history, SHistoryScreen::kDeleteButton);
        for (const char* name : {"level_range", "level_range_done", "level_day", "level_day_done"}) {
            auto* item = new SCatalogItem(kKindImage, name, "", "");
            item->SetResource(new SDIB);
            m_catalog.AddItem(item);
        }
    }

    SObjectDef* Library(const char* name) { return FindGameDefinition(name); }
    std::string Property(const char* name) {
        const char* value = m_pHub->m_pGameDLL->GetProperty(name);
        return value != nullptr ? value : "(unset)";
    }
    std::string Text(uint32_t id) {
        CString text;
        m_pManager->GetCurrentScreen()->GetLayout()->FindChild(id)->GetText(text);
        return text.GetString();
    }
    void Settle() {
        for (int i = 0; i < 10; ++i) {
            m_dwNow += 100;
            sys::time::SetFakeTicks(m_dwNow);
            m_pManager->GetCurrentScreen()->Update();
            m_pManager->GetCurrentScreen()->Draw(&m_context);
        }
    }
    AskingScenario* Scenario(int levelIndex) {
        m_officer.m_iLevelIndex = levelIndex;
        m_pManager->SwitchTo(4);
        Settle();
        return dynamic_cast<AskingScenario*>(m_pManager->GetCurrentScreen());
    }
    AskingHistory* History(int levelIndex) {
        m_officer.m_iLevelIndex = levelIndex;
        m_pManager->SwitchTo(5);
        Settle();
        return dynamic_cast<AskingHistory*>(m_pManager->GetCurrentScreen());
    }
    // A result as the library's results callback files it.
    void Record(int levelIndex, int passed, int score, int time = 60000) {
        auto* result = new SObjectDef;
        result->SetName("LevelQScore");
        result->SetOrAppendInt("Flag", 1);
        result->SetOrAppendInt("LevelIndex", levelIndex);
        result->SetOrAppendInt("LevelPassed", passed);
        result->SetOrAppendInt("Score", score);
        result->SetOrAppendInt("Time", time);
        result->SetOrAppendInt("Fired", 10);
        result->SetOrAppendInt("BHits", 7);
        result->SetOrAppendInt("BKHits", 4);
        m_officer.AddLevelScore(result);
        if (passed != 0 && m_officer.m_iHighestPassedLevel < m_officer.m_iLevelIndex)
            m_officer.m_iHighestPassedLevel = m_officer.m_iLevelIndex;
        m_officer.SetChanged();
    }
    // Plays the started range: `hits` rounds level at the boards (the middle one's head), the
    // rest into the ground; the shots fired until the session is over.
    int PlayRange(int hits) {
        SGameItems* items = m_pHub->m_pGameItems;
        // An earlier library took the worlds with it when it was unloaded; a fresh hub has one.
        if (items->m_pWorld[0] == nullptr)
            items->m_pWorld[0] = new SActorWorld();
        const SString savedBase = items->m_sBasePath;
        items->m_sBasePath = (fs::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home").string().c_str();  // the boards
        SGameDLL* library = m_pHub->m_pGameDLL;
        const int fire = items->m_pCommands->FindByName("fire");
        int fired = 0;
        if (library->SessionCommand(0, 0) == 1) {
            for (; library->GetState() == 7 && fired < 100; ++fired) {
                if (fired == hits)
                    library->DoCommand(items->m_pCommands->FindByName("lookupdown"), 2, "-30");
                library->DoCommand(fire, 0, nullptr);
            }
        }
        items->m_sBasePath = savedBase;
        return fired;
    }
    void Touch(const std::string& relative) {
        const fs::path path = fs::path(m_folder) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "SMAP";
    }

    SGameObjects* m_pHub = SGameObjects::Instance();
    tarvex::test::ProcessHubGuard m_hubGuard;
    uint32_t m_dwNow = 5000;
    SString m_savedBasePath;
    SHunterInfo m_officer{"Al"};
    SCatalog m_catalog;
    SDC m_context;
    SFrontEndSetup m_setup;
    SScreenManager* m_pManager = nullptr;
};

TEST_F(CareerScreensTest, SteppingStaysWithinTheSelectableLevels) {
    const struct {
        int passed;
        bool unlock;
        int start;
        int highestReached;
    } cases[] = {{-1, false, 0, 0}, {3, false, 0, 4}, {1, false, 1, 2}, {-1, true, 0, 0}, {0, true, 0, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "passed " << c.passed << (c.unlock ? " unlocked" : ""));
        m_officer.m_iHighestPassedLevel = c.passed;
        Library("Score")->SetOrAppendInt("__UnlockLevels", c.unlock ? 1 : 0);
        AskingScenario* page = Scenario(c.start);
        ASSERT_NE(page, nullptr);
        AskingScenario::s_asked.clear();
        for (int i = 0; i < 9; ++i)
            page->OnNotify(SScenarioScreen::kNextCommand, SWindow::kNotifyClick);
        EXPECT_EQ(page->GetCurrentLevelIndex(), c.highestReached);
        // A step onto a level that stays shut says nothing.
        EXPECT_TRUE(AskingScenario::s_asked.empty());
        EXPECT_TRUE(sys::dialogs::headless::Shown().empty());
        for (int i = 0; i < 9; ++i)
            page->OnNotify(SScenarioScreen::kPreviousCommand, SWindow::kNotifyClick);
        EXPECT_EQ(page->GetCurrentLevelIndex(), 0);
        m_pManager->SwitchTo(3);
    }
}

TEST_F(CareerScreensTest, EachLevelShowsItsLimitsWeaponScoreAndPicture) {
    m_officer.m_iHighestPassedLevel = 3;
    m_officer.m_iLevelIndex = 0;
    Record(0, 1, 72);
    const struct {
        int level;
        const char* time;
        const char* needed;
        const char* weapon;
        const char* score;
        const char* picture;
    } cases[] = {
        {0, "02:30", "70", "9mm Pistol", "72", "level_range_done"},
        {1, "02:30", "60", "Shotgun", "N/A", "level_range_done"},
        {4, "05:00", "50", "Pistol9mm-Shotgun", "N/A", "level_day"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        AskingScenario* page = Scenario(c.level);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->GetCurrentLevelIndex(), c.level);
        EXPECT_EQ(Text(200), c.time);
        EXPECT_EQ(Text(201), c.needed);
        EXPECT_EQ(Text(203), c.weapon);
        EXPECT_EQ(Text(204), c.score);
        ASSERT_NE(page->GetLevelPicture(), nullptr);
        EXPECT_EQ(page->GetLevelPicture(), m_catalog.FindItem(c.picture, "", kKindImage)->GetResource());
        m_pManager->SwitchTo(3);
    }
}

TEST_F(CareerScreensTest, MapFilesCarryDetailAndLight) {
    const struct {
        const char* file;
        int detail;
        int dayNight;
        const char* composed;
    } cases[] = {{"shoot.gmx", 1, 0, "Levels\\shoot_Med_Night.gmx"},
                 {"shoot", 0, 1, "Levels\\shoot_Low_Day.gmx"},
                 {"a.b.c", 7, 1, "Levels\\a_High_Day.b.c"}};
    for (const auto& c : cases)
        EXPECT_STREQ(SScenarioScreen::ComposeMapFile(c.file, c.detail, c.dayNight).GetString(), c.composed);
}

TEST_F(CareerScreensTest, StartingChecksWeaponsAsksBeforeReplayAndNeedsTheMap) {
    m_officer.m_iHighestPassedLevel = 4;
    AskingScenario* page = Scenario(4);
    ASSERT_NE(page, nullptr);
    const std::string closing =
        "\n qaulified before entering this level.\n Please visit the target range area first.";

    m_officer.m_bQualifiedShotgun = 1;
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    ASSERT_EQ(AskingScenario::s_asked.size(), 1u);
    EXPECT_EQ(AskingScenario::s_asked[0], "This level is not accessible. \nYou need the Pistol9mm\n" + closing);

    m_officer.m_bQualifiedPistol = 1;
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);  // "no" to the replay question
    ASSERT_EQ(AskingScenario::s_asked.size(), 2u);
    EXPECT_EQ(AskingScenario::s_asked[1],
              "You've already passed this assignment are you sure you want to \tenter it again?");
    EXPECT_EQ(m_officer.GetMapFile(), "");

    AskingScenario::s_answers = {1};
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    const std::string map = "Levels\\alley_Med_Day.gmx";
    ASSERT_EQ(AskingScenario::s_asked.size(), 4u);
    EXPECT_EQ(AskingScenario::s_asked[3], std::string("??? can't find map file: ") + m_folder + "\\Maps\\" + map);
    EXPECT_EQ(m_officer.GetMapFile(), "alley.gmx");  // the raw text stays
    EXPECT_EQ(page->GetSlideDirection(), 1);

    Touch("maps/levels/ALLEY_Med_Day.gmx");
    AskingScenario::s_answers = {1};
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    EXPECT_EQ(AskingScenario::s_asked.size(), 5u);
    EXPECT_EQ(m_officer.GetMapFile(), map.c_str());
    EXPECT_EQ(m_officer.m_iLevelIndex, 4);
    EXPECT_EQ(m_officer.m_iDayNight, 1);
    EXPECT_EQ(m_officer.m_sNote1, "Bank Alley");
    EXPECT_EQ(m_officer.m_sNote2, "Alley walk by day: clear the alley behind the bank");
    EXPECT_EQ(Property("SubGameType"), "AlleyWalk");
    EXPECT_EQ(Property("ScenarioName"), "AlleyWalk");
    EXPECT_EQ(Property("Skill"), "01");
    EXPECT_EQ(Property("DetailLevel"), "Med");
    EXPECT_EQ(Property("HuntStartTime"), "10:30");
    if (const SActorWorld* world = m_pHub->m_pGameItems->m_pWorld[0]) {
        EXPECT_EQ(world->m_Date.GetHour(), 10);
    }
    EXPECT_EQ(page->GetStartTime().GetMonth(), 6);
    EXPECT_EQ(page->GetTargetScreen(), 11);
    EXPECT_EQ(page->GetSlideDirection(), 0);
}

TEST_F(CareerScreensTest, TheFirstLevelNeverAsksAndAMissingDefinitionStartsNothing) {
    Touch("maps/targetrange.gmx");
    AskingScenario* page = Scenario(0);
    ASSERT_NE(page, nullptr);
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    EXPECT_TRUE(AskingScenario::s_asked.empty());
    EXPECT_EQ(m_officer.GetMapFile(), "targetrange.gmx");  // a generic map keeps its name
    EXPECT_EQ(Property("DetailLevel"), "(unset)");
    EXPECT_EQ(page->GetTargetScreen(), 11);
    m_pManager->SwitchTo(3);

    Library("Scenario")->SetOrAppend("Level07", "1,NoSuchLevel,MP5,7,0,0,0,Nowhere;", 0);
    m_officer.m_iHighestPassedLevel = 6;
    page = Scenario(7);
    ASSERT_EQ(sys::dialogs::headless::Shown().size(), 1u);
    EXPECT_EQ(sys::dialogs::headless::Shown()[0].text, "Can't find scenario : ");
    EXPECT_EQ(page->GetLevelDef(), nullptr);
    m_officer.SetMapFile("");
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    EXPECT_EQ(sys::dialogs::headless::Shown().size(), 2u);
    EXPECT_EQ(m_officer.GetMapFile(), "");
    EXPECT_EQ(page->GetSlideDirection(), 1);
}

TEST_F(CareerScreensTest, HistoryStepsThroughTheRecordsOfEachOpenLevel) {
    m_officer.m_iHighestPassedLevel = 1;
    m_officer.m_iLevelIndex = 1;
    Record(1, 0, 10);
    Record(0, 1, 90);
    Record(1, 1, 20);
    Record(1, 1, 30);
    AskingHistory* page = History(1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Text(7600), "Al");
    EXPECT_EQ(Text(7210), "Target range: qualify on the shotgun");
    const auto score = [&]() { return page->GetSelectedRecord()->GetIntByName("Score"); };
    ASSERT_EQ(page->GetRecordList().GetCount(), 3);
    EXPECT_EQ(score(), 30);
    EXPECT_NE(Text(7101).find("30/60"), std::string::npos);
    page->OnNotify(SHistoryScreen::kNextCommand, SWindow::kNotifyClick);
    EXPECT_EQ(score(), 10);
    page->OnNotify(SHistoryScreen::kPreviousCommand, SWindow::kNotifyClick);
    EXPECT_EQ(score(), 30);

    // The open levels are 0 to 2; level 2 has no records.
    page->OnNotify(SHistoryScreen::kNextLevelCommand, SWindow::kNotifyClick);
    EXPECT_EQ(page->GetSelectedLevel(), 2);
    EXPECT_EQ(Text(7100), SHistoryScreen::kNoStatisticsText);
    page->OnNotify(SHistoryScreen::kNextLevelCommand, SWindow::kNotifyClick);
    EXPECT_EQ(page->GetSelectedLevel(), 0);
    EXPECT_EQ(score(), 90);
    EXPECT_EQ(Text(7210), "Target range: qualify on the 9mm pistol");
    m_pManager->SwitchTo(3);

    // A current level outside the open ones shows that there is nothing to show.
    page = History(5);
    EXPECT_EQ(Text(7100), SHistoryScreen::kNoStatisticsText);
    EXPECT_EQ(Text(7210), "");
}

TEST_F(CareerScreensTest, DeletingAskedRecordsLeavesTheOthers) {
    Record(2, 1, 40);
    Record(2, 1, 50);
    m_officer.ClearChanged();
    m_officer.m_iHighestPassedLevel = 2;
    AskingHistory* page = History(2);
    ASSERT_NE(page, nullptr);
    page->OnNotify(SHistoryScreen::kNextCommand, SWindow::kNotifyClick);  // the first: 40
    page->OnNotify(SHistoryScreen::kDeleteCommand, SWindow::kNotifyClick);
    EXPECT_EQ(m_officer.GetLevelScoreCount(), 2);  // "no"
    EXPECT_FALSE(m_officer.IsChanged());

    AskingHistory::s_answers = {1};
    page->OnNotify(SHistoryScreen::kDeleteCommand, SWindow::kNotifyClick);
    ASSERT_EQ(m_officer.GetLevelScoreCount(), 1);
    EXPECT_EQ(m_officer.GetLevelScore(0)->GetIntByName("Score"), 50);
    EXPECT_TRUE(m_officer.IsChanged());
    SWindow* button = page->GetLayout()->FindChild(SHistoryScreen::kDeleteButton);
    EXPECT_EQ(button->GetStyle() & SWindow::kStyleNoParentNotify, 0u);

    AskingHistory::s_answers = {1};
    page->OnNotify(SHistoryScreen::kDeleteCommand, SWindow::kNotifyClick);
    EXPECT_EQ(m_officer.GetLevelScoreCount(), 0);
    EXPECT_EQ(Text(7100), SHistoryScreen::kNoStatisticsText);
    EXPECT_NE(button->GetStyle() & SWindow::kStyleNoParentNotify, 0u);
    EXPECT_EQ(AskingHistory::s_asked, (std::vector<std::string>(3, SHistoryScreen::kDeleteQuestion)));
}

TEST_F(CareerScreensTest, APlayedLevelShowsInTheHistory) {
    // The officer picks the target range, the library is handed the level and the game plays it;
    // its result comes back as the results callback files it.
    Touch("maps/targetrange.gmx");
    AskingScenario* scenario = Scenario(0);
    ASSERT_NE(scenario, nullptr);
    scenario->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    ASSERT_EQ(scenario->GetTargetScreen(), 11);
    EXPECT_EQ(Property("SubGameType"), "TargetRange");
    m_pHub->m_pGameDLL->Update();
    Record(m_officer.m_iLevelIndex, 1, 81);
    EXPECT_EQ(m_officer.m_iHighestPassedLevel, 0);

    scenario = Scenario(0);
    EXPECT_EQ(Text(204), "81");
    m_pManager->SwitchTo(3);
    AskingHistory* history = History(0);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(Text(7100).rfind("9mm Pistol fired: \n", 0), 0u);
    const std::string r10(10, '\x1A');
    EXPECT_EQ(Text(7101).rfind(r10 + "10\n", 0), 0u);
    EXPECT_NE(Text(7101).find("81/70"), std::string::npos);
}

TEST_F(CareerScreensTest, PassingTheFourRangesQualifiesEveryWeaponAndOpensTheAlley) {
    // Each range is started from the scenario page and played by the library with every round
    // on a board; its results come back through the host's callbacks alone.
    Touch("maps/targetrange.gmx");
    const struct {
        const char* weapon;
        int rounds;  // the weapon's definition
        int32_t SHunterInfo::*qualified;
    } ranges[] = {{"9mm Pistol", 15, &SHunterInfo::m_bQualifiedPistol},
                  {"Shotgun", 6, &SHunterInfo::m_bQualifiedShotgun},
                  {"MP5", 30, &SHunterInfo::m_bQualifiedMP5},
                  {"Sniper", 5, &SHunterInfo::m_bQualifiedSniper}};
    for (int level = 0; level < 4; ++level) {
        AskingScenario* page = Scenario(level);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(Text(203), ranges[level].weapon);
        page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
        ASSERT_EQ(page->GetTargetScreen(), 11) << level;
        EXPECT_EQ(PlayRange(1000), ranges[level].rounds) << level;
        EXPECT_EQ(m_officer.m_iHighestPassedLevel, level);
        EXPECT_NE(m_officer.*ranges[level].qualified, 0) << level;
        EXPECT_STREQ(GetLevelScoreText(&m_officer, level).GetString(), "100");
    }
    EXPECT_EQ(m_officer.m_iScorePistol, 100);  // each weapon keeps its last range's score
    EXPECT_EQ(m_officer.m_iScoreSniper, 100);
    EXPECT_STREQ(officer_texts::WeaponsText(m_officer).GetString(), "9mm Pistol/Sniper/Shotgun/MP5");

    AskingScenario* alley = Scenario(4);
    ASSERT_NE(alley, nullptr);
    AskingScenario::s_asked.clear();
    alley->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    ASSERT_EQ(AskingScenario::s_asked.size(), 1u);
    EXPECT_EQ(AskingScenario::s_asked[0].rfind("??? can't find map file: ", 0), 0u);
}

TEST_F(CareerScreensTest, ARangeMissedIsNotPassedAndQualifiesNothing) {
    // The shotgun range needs 60: two hits of six are 33.
    const SString savedItemsBase = m_pHub->m_pGameItems->m_sBasePath;
    m_pHub->m_pGameItems->m_sBasePath = (fs::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home").string().c_str();
    Touch("maps/targetrange.gmx");
    m_officer.m_iHighestPassedLevel = 0;
    m_officer.m_bQualifiedPistol = 1;
    AskingScenario* page = Scenario(1);
    ASSERT_NE(page, nullptr);
    page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
    EXPECT_EQ(PlayRange(2), 6);
    EXPECT_EQ(m_officer.m_iHighestPassedLevel, 0);
    EXPECT_EQ(m_officer.m_bQualifiedShotgun, 0);
    EXPECT_EQ(m_officer.m_iScoreShotgun, 33);
    EXPECT_EQ(m_officer.m_bQualifiedPistol, 1);  // a qualification once won stays
    EXPECT_STREQ(GetLevelScoreText(&m_officer, 1).GetString(), "N/A");
    m_pHub->m_pGameItems->m_sBasePath = savedItemsBase;
}

TEST_F(CareerScreensTest, EachRangeQualifiesFromItsOwnWeaponsScoreOn) {
    // The shipped qualifying scores: pistol 70, shotgun 60, MP5 65, sniper rifle 80. With a
    // hundred rounds each hit is one point of the score, so a range is played just below, at and
    // just above its weapon's score.
    Touch("maps/targetrange.gmx");
    for (const char* weapon : {"Pistol9mm", "Shotgun", "MP5", "Sniper"})
        Library(weapon)->SetOrAppendInt("Rounds", 100);
    const struct {
        int level;
        int hits;
        bool passed;
        int32_t SHunterInfo::*qualified;
        int32_t SHunterInfo::*score;
    } cases[] = {
        {0, 69, false, &SHunterInfo::m_bQualifiedPistol, &SHunterInfo::m_iScorePistol},
        {0, 70, true, &SHunterInfo::m_bQualifiedPistol, &SHunterInfo::m_iScorePistol},
        {0, 71, true, &SHunterInfo::m_bQualifiedPistol, &SHunterInfo::m_iScorePistol},
        {1, 59, false, &SHunterInfo::m_bQualifiedShotgun, &SHunterInfo::m_iScoreShotgun},
        {1, 60, true, &SHunterInfo::m_bQualifiedShotgun, &SHunterInfo::m_iScoreShotgun},
        {1, 61, true, &SHunterInfo::m_bQualifiedShotgun, &SHunterInfo::m_iScoreShotgun},
        {2, 64, false, &SHunterInfo::m_bQualifiedMP5, &SHunterInfo::m_iScoreMP5},
        {2, 65, true, &SHunterInfo::m_bQualifiedMP5, &SHunterInfo::m_iScoreMP5},
        {2, 66, true, &SHunterInfo::m_bQualifiedMP5, &SHunterInfo::m_iScoreMP5},
        {3, 79, false, &SHunterInfo::m_bQualifiedSniper, &SHunterInfo::m_iScoreSniper},
        {3, 80, true, &SHunterInfo::m_bQualifiedSniper, &SHunterInfo::m_iScoreSniper},
        {3, 81, true, &SHunterInfo::m_bQualifiedSniper, &SHunterInfo::m_iScoreSniper},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "level " << c.level << ", " << c.hits << " hits");
        // The range is open and not passed yet, and its weapon not qualified.
        m_officer.m_iHighestPassedLevel = c.level - 1;
        m_officer.*c.qualified = 0;
        AskingScenario* page = Scenario(c.level);
        ASSERT_NE(page, nullptr);
        page->OnNotify(SScenarioScreen::kStartCommand, SWindow::kNotifyClick);
        ASSERT_EQ(page->GetTargetScreen(), 11);
        EXPECT_EQ(PlayRange(c.hits), 100);
        EXPECT_EQ(m_officer.*c.score, c.hits);
        EXPECT_EQ(m_officer.*c.qualified != 0, c.passed);
        EXPECT_EQ(m_officer.m_iHighestPassedLevel, c.passed ? c.level : c.level - 1);
        m_pManager->SwitchTo(3);
    }
}

}  // namespace
