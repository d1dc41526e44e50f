// The settings page's questions on the demo data, driven with the mouse as a player meets
// them: a click on the question's empty middle does nothing, and Yes saves once; Yes to
// "Change screen mode?" shows the mode asked for (a window in the middle of the desktop, with
// the pointer free over all of it) and "default.cfg" keeps it, and a mode that cannot be set is
// reported and the one the player had comes back and is kept. A termination request while a
// Controls row waits for its input ends the wait and the program, and binds nothing.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/CConfigData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "app/SGameObjects.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/SControlsDialog.h"
#include "frontend/dialogs/SGameOptionsDialog.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "frontend/screens/SSettingsScreen.h"
#include "sys/signals.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "tests/frontend/WalkTestSupport.h"
#include "ui/widgets/SListCtrl.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

class SettingsQuestionWalkTest : public tarvex::test::DemoWalkTest {
protected:
    static constexpr uint32_t kMusicCheck = 3841;
};

TEST_F(SettingsQuestionWalkTest, AClickBesideTheQuestionsButtonsDoesNothingAndYesSaves) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        int musicBefore = -1;
        // Once the sound dialog has slid in.
        const auto noteMusic = [&musicBefore] {
            auto* page = dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen());
            if (page == nullptr || page->GetDialog() == nullptr || !page->GetDialog()->IsSlideFinished())
                return false;
            musicBefore = SGameObjects::Instance()->m_pConfig->m_pSound->m_bMusic;
            return true;
        };
        // Back, then, queued for the question it opens (a 400 x 180 box in the middle of the
        // picture): a click on its text, then one on Yes.
        const auto leaveAndAnswer = [] {
            ClickAt(114, 407);
            ClickAt(320, 215);
            ClickAt(250, 294);
            return true;
        };
        const auto saved = [&musicBefore] {
            EXPECT_EQ(SGameObjects::Instance()->m_pConfig->m_pSound->m_bMusic, musicBefore != 0 ? 0 : 1);
            return true;
        };
        app.m_steps = {
            Reached(0), Click(30), Reached(7), Click(500), noteMusic, ClickOnDialog(kMusicCheck), leaveAndAnswer,
            Reached(0), saved, Click(60),
        };
        RunWalk(app, false);
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

// The program's front end, where a termination request comes as the second click on a Controls
// row reaches the page: while that row waits for its input.
class CloseAtSecondClick : public SFrontEndSetup {
public:
    void HandleInput(SGameObjects* hub, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        if (message == sys::WM_LBUTTONDOWN && m_armed && ++m_clicks == 2)
            sys::signals::RequestClose();
        SFrontEndSetup::HandleInput(hub, message, wParam, lParam);
    }
    bool m_armed = false;
    int m_clicks = 0;
};

// The "bind" lines of a settings text, without their line ends.
std::string BindLines(const std::string& text) {
    std::istringstream lines(text);
    std::string binds;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("bind ", 0) == 0)
            binds += line.substr(0, line.find('\r')) + "\n";
    return binds;
}

TEST_F(SettingsQuestionWalkTest, ATerminationRequestEndsTheWaitForAControlsInputAndBindsNothing) {
    tarvex::test::InCopyOfProcess([&] {
        CloseAtSecondClick frontEnd;
        SFrontEndHooks::Install(&frontEnd);
        ScriptedApp& app = MakeScriptedApp();
        // Two clicks on the first row, apart enough not to make a double click, then a middle
        // button that, taken by the wait, would be bound.
        const auto waitAndPress = [&frontEnd] {
            auto* page = dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen());
            STransparantDialog* dialog = page != nullptr ? page->GetDialog() : nullptr;
            auto* list = dialog != nullptr ? dynamic_cast<SListCtrl*>(dialog->FindControl(SControlsDialog::kList)) : nullptr;
            if (list == nullptr || !dialog->IsSlideFinished())
                return false;
            const sys::RECT rc = list->GetWindowRect();
            int y = rc.top;
            while (y < rc.bottom && list->RowFromPoint(rc.left + 5, y) != 0)
                ++y;
            frontEnd.m_armed = true;
            ClickAt(rc.left + 5, y + 2);
            ClickAt(rc.left + 5, y + 8);
            sys::window::headless::InjectMouseButton(2, true);
            sys::window::headless::InjectMouseButton(2, false);
            return true;
        };
        app.m_steps = {Reached(0), Click(30), Reached(7), Click(SSettingsScreen::kControlsButton), waitAndPress};
        RunWalk(app);
        SFrontEndHooks::Install(&m_frontEnd);
        EXPECT_EQ(app.m_next, app.m_steps.size());
        EXPECT_EQ(frontEnd.m_clicks, 2);
        EXPECT_EQ(BindLines(tarvex::test::ReadWholeFile((Home() / "default.cfg").string())),
                  BindLines(tarvex::test::ReadWholeFile((Home() / "defcmds.cfg").string())));
    });
}

struct ModeCase {
    const char* name;
    int startFullScreen;
    uint32_t radio;
    int failures;  // display-mode sets refused once the question is answered
    int shown;     // full screen (1) or a window (0) afterwards
    friend void PrintTo(const ModeCase& c, std::ostream* out) { *out << c.name; }
};

const ModeCase kModeCases[] = {
    {"FullScreenToWindow", 1, SGameOptionsDialog::kWindowRadio, 0, 0},
    {"FullScreenToWindowRefused", 1, SGameOptionsDialog::kWindowRadio, 1, 1},
    {"WindowToFullScreenRefused", 0, SGameOptionsDialog::kFullScreenRadio, 1, 0},
};

class ScreenModeWalkTest : public SettingsQuestionWalkTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(ScreenModeWalkTest, TheScreenShowsWhatIsSaved) {
    const ModeCase c = GetParam();
    tarvex::test::InCopyOfProcess([&] {
        tarvex::test::WriteWholeFile((Home() / "default.cfg").string(),
                                     "set cfg_sysprofile \"3\"\r\nset gfx_software \"0\"\r\nset game_fullscreen \"" +
                                         std::to_string(c.startFullScreen) + "\"\r\n");
        ScriptedApp& app = MakeScriptedApp();
        // Back, Yes, and OK to a message in the same place as the question.
        const auto leaveAndAnswer = [&c] {
            sys::video::headless::FailCooperativeLevels(c.failures);
            ClickAt(114, 407);
            ClickAt(250, 294);
            if (c.failures > 0)
                ClickAt(320, 294);
            return true;
        };
        const auto checkScreen = [&c] {
            SGameObjects* hub = SGameObjects::Instance();
            EXPECT_EQ(hub->m_pGraphics->IsFullScreen(), c.shown);
            EXPECT_EQ(hub->m_pGraphics->IsReady(), 1);
            EXPECT_EQ(hub->m_pConfig->m_pSystem->m_bFullScreen, c.shown);
            // Nothing is left to ask the next time the page is left.
            EXPECT_EQ(hub->m_pConfig->m_bPendingFullScreen, c.shown);
            sys::RECT client{};
            sys::window::GetClientRect(sys::window::GetMainWindow(), client);
            sys::POINT origin{0, 0};
            sys::window::ClientToScreen(sys::window::GetMainWindow(), origin);
            const int screenWidth = sys::window::GetSystemMetrics(sys::SM_CXSCREEN);
            const int screenHeight = sys::window::GetSystemMetrics(sys::SM_CYSCREEN);
            EXPECT_EQ(client.right - client.left, 640);
            EXPECT_EQ(client.bottom - client.top, 480);
            EXPECT_NEAR(origin.x + 320, screenWidth / 2, c.shown == 0 ? 16 : 0);
            EXPECT_NEAR(origin.y + 240, screenHeight / 2, c.shown == 0 ? 16 : 0);
            return true;
        };
        app.m_steps = {
            Reached(0), Click(30), Reached(7), ClickOnDialog(c.radio), leaveAndAnswer, Reached(0), checkScreen,
            Click(60),  // Quit, in a part of the window the pointer must reach
        };
        ASSERT_TRUE(app.InitInstance());
        testing::internal::CaptureStderr();
        EXPECT_EQ(app.Run(), 0);
        const std::string told = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        EXPECT_EQ(told.find(SSettingsScreen::kModeFailedText) != std::string::npos, c.failures > 0) << told;
        EXPECT_NE(tarvex::test::ReadWholeFile((Home() / "default.cfg").string())
                      .find("set game_fullscreen \"" + std::to_string(c.shown) + "\""),
                  std::string::npos);
    });
}

INSTANTIATE_TEST_SUITE_P(Modes, ScreenModeWalkTest, testing::ValuesIn(kModeCases),
                         [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

}  // namespace
