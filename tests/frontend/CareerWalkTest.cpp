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
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SHistoryScreen.h"
#include "frontend/screens/SScenarioScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/window/headless/headless_window.h"
#include "tests/app/AppTestSupport.h"
#include "tests/frontend/InCopyOfProcess.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFrameMs = 20;
constexpr int kFrameLimit = 3000;

using Step = std::function<bool()>;

// The real loop; after each frame the fake clock moves on and the script takes its next step.
// A script that stalls closes the window so the loop still ends.
class ScriptedApp : public tarvex::test::RecordingApp {
public:
    using RecordingApp::RecordingApp;

    std::vector<Step> m_steps;
    size_t m_next = 0;
    int m_frames = 0;
    bool m_stalled = false;

protected:
    void UpdateScreen() override {
        RecordingApp::UpdateScreen();
        sys::time::headless::Advance(kFrameMs);
        ++m_frames;
        if (m_next < m_steps.size() && m_steps[m_next]())
            ++m_next;
        if (m_frames == kFrameLimit) {
            m_stalled = true;
            sys::window::headless::InjectClose();
        }
    }
};

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

Step Reached(int id) {
    return [id] {
        SAppScreen* page = Manager() != nullptr ? Manager()->GetCurrentScreen() : nullptr;
        return page != nullptr && Manager()->GetCurrentId() == id && page->GetSlideDirection() == 1 &&
               page->IsSlideFinished();
    };
}

Step Click(uint32_t id) {
    return [id] {
        SWindow* control = Control(id);
        EXPECT_NE(control, nullptr) << "control " << id << " on page " << Manager()->GetCurrentId();
        if (control == nullptr)
            return false;
        const sys::RECT rc = control->GetWindowRect();
        sys::window::headless::InjectMouseMove((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        sys::window::headless::InjectMouseButton(0, true);
        sys::window::headless::InjectMouseButton(0, false);
        return true;
    };
}

std::string Columns(char c, int count) { return std::string(static_cast<size_t>(count), c); }

class CareerWalkTest : public tarvex::test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        const fs::path demo = fs::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home";
        ASSERT_TRUE(fs::exists(demo / "Tarvex.cat")) << "the build writes the demo Home folder";
        fs::copy(demo, Home(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::remove(Home() / "player.cfg");
        SFrontEndHooks::Install(&m_frontEnd);
    }
    void TearDown() override {
        AppTest::TearDown();
        SFrontEndHooks::Install(nullptr);
    }
    ScriptedApp& MakeScriptedApp() {
        SGameObjects* hub = SGameObjects::Instance();
        fs::current_path(Home());
        auto* app = new ScriptedApp(hub);
        m_app.reset(app);
        return *app;
    }

    SFrontEndSetup m_frontEnd;
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
        // Level, each shot lands in the middle board's head region, 5 points; eleven of the pistol's
        // fifteen rounds on the boards are 73 percent, over the 70 that qualify.
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
            EXPECT_EQ(TextOf(SScenarioScreen::kScoreText), "55");
            return true;
        };
        const auto showsReport = [] {
            EXPECT_EQ(TextOf(SHistoryScreen::kLabelText),
                      "9mm Pistol fired: \n9mm Pistol hits: \n9mm Pistol kill hits: \n9mm Pistol wound hits: \n"
                      "9mm Pistol missed: \n9mm Pistol accuracy: \n9mm Pistol score: \n\n");
            const std::string values = TextOf(SHistoryScreen::kValueText);
            const char c = SHistoryScreen::kColumnChar;
            EXPECT_EQ(values.rfind(Columns(c, 10) + "11\n" + Columns(c, 8) + "11\n", 0), 0u) << values;
            EXPECT_NE(values.find("\n" + Columns(c, 15) + "100%\n" + Columns(c, 10) + "55/70\n\n\n"), std::string::npos)
                << values;
            return true;
        };
        app.m_steps = {
            Reached(0), Click(10), Reached(1), typeName, Click(111), Reached(3), Click(10), Reached(4),
            choosesTheRange, Click(111), playing,
            fire, fire, fire, fire, fire, fire, fire, fire, fire, fire, fire, exitCommand,
            Reached(4), showsPassedScore, Click(222), Reached(3), Click(20), Reached(5), showsReport,
            Click(SHistoryScreen::kBackCommand), Reached(3), Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

}  // namespace
