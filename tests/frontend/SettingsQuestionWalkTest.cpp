// The settings page's "Save changed settings?" on the demo data, driven with the mouse as a
// player meets it: a click on the question's empty middle does nothing, and Yes saves once.

#include <gtest/gtest.h>

#include "app/CConfigData.h"
#include "app/CSoundData.h"
#include "app/SGameObjects.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "frontend/screens/SSettingsScreen.h"
#include "sys/window/headless/headless_window.h"
#include "tests/frontend/WalkTestSupport.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

class SettingsQuestionWalkTest : public tarvex::test::DemoWalkTest {
protected:
    // A press and release at a point of the 640 x 480 picture.
    static void ClickAt(int x, int y) {
        sys::window::headless::InjectMouseMove(x, y);
        sys::window::headless::InjectMouseButton(0, true);
        sys::window::headless::InjectMouseButton(0, false);
    }
    // A click on the middle of a control of the option dialog the settings page shows.
    static Step ClickOnDialog(uint32_t id) {
        return [id] {
            auto* page = dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen());
            SWindow* control = page != nullptr && page->GetDialog() != nullptr ? page->GetDialog()->FindControl(id)
                                                                                : nullptr;
            EXPECT_NE(control, nullptr) << "control " << id;
            if (control == nullptr)
                return false;
            const sys::RECT rc = control->GetWindowRect();
            ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
            return true;
        };
    }
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
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
    });
}

}  // namespace
