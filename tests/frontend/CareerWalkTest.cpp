// An officer's career as a player meets it, headless on a copy of the demo Home folder with the
// fake clock: a new officer qualifies on the 9mm target range through the stand-in library, the
// scenario page then shows the passed score and the history page the range's report of it.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/SFrontEndHooks.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/career/SLevelList.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SHistoryScreen.h"
#include "frontend/screens/SScenarioScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/window/headless/headless_window.h"
#include "tests/app/AppTestSupport.h"
#include "tests/frontend/WalkTestSupport.h"

namespace {

namespace fs = std::filesystem;

using tarvex::test::DemoWalkTest;
using tarvex::test::ScriptedApp;

SScreenManager* Manager() { return SGameObjects::Instance()->m_pScreenManager; }

SWindow* Control(uint32_t id) {
    SAppScreen* page = Manager()->GetCurrentScreen();
    return page != nullptr && page->GetLayout() != nullptr ? page->GetLayout()->FindChild(id) : nullptr;
}

std::string TextOf(uint32_t id) {
    CString text;
    if (SWindow* control = Control(id))
        control->GetText(text);
    return text.GetString();
}

std::string Columns(char c, int count) { return std::string(static_cast<size_t>(count), c); }

class CareerWalkTest : public DemoWalkTest {
protected:
    void SetUp() override {
        DemoWalkTest::SetUp();
        std::filesystem::remove(Home() / "player.cfg");
    }
};

TEST_F(CareerWalkTest, AnOfficerQualifiesOnTheTargetRangeAndSeesTheResultInTheHistory) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        const auto typeName = [] {
            if (SWindow* box = Control(200))
                box->SetText("Career");
            return true;
        };
        const auto choosesTheRange = [] {
            auto* page = dynamic_cast<SScenarioScreen*>(Manager()->GetCurrentScreen());
            EXPECT_TRUE(page != nullptr && page->GetCurrentLevelIndex() == 0);
            EXPECT_EQ(TextOf(SScenarioScreen::kWeaponText), "9mm Pistol");
            EXPECT_EQ(TextOf(SScenarioScreen::kScoreText), "N/A");
            return true;
        };
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        // Level, each shot lands in the middle board's head region; eleven of the pistol's fifteen
        // rounds on the boards score 73, over the 70 that qualify.
        const auto fire = [] {
            SGameObjects* hub = SGameObjects::Instance();
            hub->m_pGameDLL->DoCommand(hub->m_pGameItems->m_pCommands->FindByName("fire"), 0, nullptr);
            return true;
        };
        const auto exitCommand = [] {
            SString output;
            SGameObjects::Instance()->m_pInterpreter->ExecuteLine(SString("EXIT"), output);
            return true;
        };
        const auto showsPassedScore = [] {
            EXPECT_EQ(TextOf(SScenarioScreen::kScoreText), "73");
            return true;
        };
        const auto showsReport = [] {
            EXPECT_EQ(TextOf(SHistoryScreen::kLabelText),
                      "9mm Pistol fired: \n9mm Pistol hits: \n9mm Pistol kill hits: \n9mm Pistol wound hits: \n"
                      "9mm Pistol missed: \n9mm Pistol accuracy: \n9mm Pistol score: \n\n");
            const std::string values = TextOf(SHistoryScreen::kValueText);
            const char c = SHistoryScreen::kColumnChar;
            EXPECT_EQ(values.rfind(Columns(c, 10) + "11\n" + Columns(c, 8) + "11\n", 0), 0u) << values;
            EXPECT_NE(values.find("\n" + Columns(c, 15) + "100%\n" + Columns(c, 10) + "73/70\n\n\n"), std::string::npos)
                << values;
            return true;
        };
        app.m_steps = {
            Reached(0), Click(10), Reached(1), typeName, Click(111), Reached(3), Click(10), Reached(4),
            choosesTheRange, Click(111), playing,
            fire, fire, fire, fire, fire, fire, fire, fire, fire, fire, fire, exitCommand, exitCommand,
            Reached(4), showsPassedScore, Click(222), Reached(3), Click(20), Reached(5), showsReport,
            Click(SHistoryScreen::kBackCommand), Reached(3), Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

TEST_F(CareerWalkTest, PassingTheFourRangesQualifiesTheOfficerAndOpensTheAlley) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        const auto typeName = [] {
            if (SWindow* box = Control(200))
                box->SetText("Four Ranges");
            return true;
        };
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        // Every round level at the boards: each lands in the middle board's head region.
        const auto fireAll = [] {
            SGameObjects* hub = SGameObjects::Instance();
            hub->m_pGameDLL->DoCommand(hub->m_pGameItems->m_pCommands->FindByName("fire"), 0, nullptr);
            return hub->m_pGameDLL->GetState() != 7;
        };
        const auto exitCommand = [] {
            SString output;
            SGameObjects::Instance()->m_pInterpreter->ExecuteLine(SString("EXIT"), output);
            return true;
        };
        const auto onLevel = [](int level, const char* weapon) -> tarvex::test::Step {
            return [level, weapon] {
                auto* page = dynamic_cast<SScenarioScreen*>(Manager()->GetCurrentScreen());
                EXPECT_TRUE(page != nullptr && page->GetCurrentLevelIndex() == level) << level;
                EXPECT_EQ(TextOf(SScenarioScreen::kWeaponText), weapon);
                return true;
            };
        };
        const auto qualifiedOnEveryWeapon = [] {
            EXPECT_EQ(TextOf(400), "9mm Pistol/Sniper/Shotgun/MP5");
            return true;
        };
        const auto alleyAccepted = [] {
            SString message;
            EXPECT_EQ(CheckLevelQualification(g_pCurrentLevel, SGameObjects::Instance()->m_pCurrentPlayer, message), 1)
                << message.GetString();
            EXPECT_EQ(TextOf(SScenarioScreen::kWeaponText), "Pistol9mm-Shotgun");
            return true;
        };
        app.m_steps = {Reached(0), Click(10), Reached(1), typeName, Click(111), Reached(3), Click(10), Reached(4)};
        const char* const weapons[] = {"9mm Pistol", "Shotgun", "MP5", "Sniper"};
        for (int level = 0; level < 4; ++level) {
            if (level > 0)
                app.m_steps.push_back(Click(SScenarioScreen::kNextCommand));
            for (const tarvex::test::Step& step :
                 {onLevel(level, weapons[level]), Click(SScenarioScreen::kStartCommand), tarvex::test::Step(playing),
                  tarvex::test::Step(fireAll), tarvex::test::Step(exitCommand), Reached(4)})
                app.m_steps.push_back(step);
        }
        for (const tarvex::test::Step& step :
             {Click(SScenarioScreen::kBackCommand), Reached(3), tarvex::test::Step(qualifiedOnEveryWeapon), Click(10),
              Reached(4), Click(SScenarioScreen::kNextCommand), onLevel(4, "Pistol9mm-Shotgun"),
              tarvex::test::Step(alleyAccepted), Click(SScenarioScreen::kBackCommand), Reached(3), Click(222),
              Reached(2), Click(222), Reached(0), Click(60)})
            app.m_steps.push_back(step);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

}  // namespace
