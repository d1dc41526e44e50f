// The target range played as a player plays it, headless on a copy of the demo Home folder with
// the fake clock: the mouse turns the view and its button fires, the heads-up display and the
// weapon show over the range, the shot is heard, Escape shows the session's results and Escape
// again returns to the scenario page, where the menus are heard again, and the history page
// reports the shot.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/SClientInfo.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/actors/SActor.h"
#include "core/SDataCollection.h"
#include "frontend/screens/SGameScreen.h"
#include "frontend/screens/SHistoryScreen.h"
#include "sys/audio/headless/headless_audio.h"
#include "sys/input/headless/headless_input.h"
#include "sys/input/input.h"
#include "sys/video/headless/headless_video.h"
#include "tests/frontend/WalkTestSupport.h"
#include "tests/support/ReferenceImage.h"

namespace {

using tarvex::test::ScriptedApp;
using tarvex::test::Step;

SGameDLL* Library() { return SGameObjects::Instance()->m_pGameDLL; }
SClientInfo* Client() { return SGameObjects::Instance()->m_pGameItems->m_pClientInfo; }

float Yaw() {
    const SActor* eyes = Client() != nullptr ? Client()->m_pEyes : nullptr;
    return eyes != nullptr ? eyes->m_vOrientation.y : -1.0f;
}

std::string Value(int entry) { return Client()->m_pValues->GetValue(entry).GetString(); }

std::string Tally(const char* name) {
    const char* value = Library()->GetProperty(name);
    return value != nullptr ? value : "(none)";
}

// The loudest sample mixed since the last look.
int Peak() {
    sys::audio::headless::MixToNow();
    int peak = 0;
    for (int16_t sample : sys::audio::headless::TakeMixed())
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

class RangePlayWalkTest : public tarvex::test::DemoWalkTest {
protected:
    static Step Wait(int frames) {
        auto left = std::make_shared<int>(frames);
        return [left] { return --*left <= 0; };
    }
    static Step Do(std::function<void()> action) {
        return [action] {
            action();
            return true;
        };
    }
};

TEST_F(RangePlayWalkTest, TheMouseAimsAndFiresAndEscapeShowsTheResultsBeforeTheScenarioPage) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        namespace input = sys::input::headless;
        const auto playing = [] {
            return Manager()->GetCurrentId() == 11 && Library() != nullptr && Library()->GetState() == 7;
        };
        float yaw = 0.0f;
        tarvex::test::Image frame;
        tarvex::test::Image results;
        int quiet = 0;
        int shot = 0;
        int menus = 0;
        app.m_steps = {
            Reached(0), Click(10), Reached(1),
            Do([] { Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Aimer"); }), Click(111),
            Reached(3), Click(10), Reached(4), Click(111), playing, Wait(10),
            Do([] { EXPECT_TRUE(input::MouseExclusive()) << "the range takes the mouse for aiming"; }),
            // The heads-up display reads the rounds, the time and the score the library keeps.
            Do([] {
                EXPECT_EQ(Value(10), "15");
                EXPECT_EQ(Value(11), "2:30");
                EXPECT_EQ(Value(12), "0");
            }),
            Do([&] {
                const auto& last = sys::video::headless::LastFrame();
                frame = tarvex::test::Image{last.width, last.height, last.pixels};
                yaw = Yaw();
                input::MoveMouse(40, 0);
            }),
            Wait(5), Do([&] {
                EXPECT_GT(Yaw(), yaw + 1.0f) << "moving the mouse right turns the view right";
                input::MoveMouse(-40, 0);
            }),
            Wait(5), Do([&] {
                EXPECT_NEAR(std::remainder(Yaw() - yaw, 360.0f), 0.0f, 0.01f);
                Peak();
            }),
            Wait(10), Do([&] {
                quiet = Peak();  // the range's loop alone
                input::MouseButton(0, true);
            }),
            Do([] { input::MouseButton(0, false); }), Wait(3),
            Do([&] {
                shot = Peak();
                EXPECT_EQ(Tally("Shots"), "1");
                EXPECT_EQ(Tally("Hits"), "1");
                EXPECT_EQ(Value(10), "14");
                EXPECT_EQ(Value(12), "6");  // one of the fifteen rounds hit
                input::SetKey(sys::input::DIK_ESCAPE, true);
            }),
            Do([] { input::SetKey(sys::input::DIK_ESCAPE, false); }), Wait(3),
            Do([&] {
                const auto& last = sys::video::headless::LastFrame();
                results = tarvex::test::Image{last.width, last.height, last.pixels};
                auto* screen = dynamic_cast<SGameScreen*>(Manager()->GetCurrentScreen());
                ASSERT_NE(screen, nullptr) << "the results are shown on the range";
                EXPECT_EQ(Library()->GetState(), 11);
                EXPECT_EQ(screen->GetPassiveLayouts().size(), 1u);
                EXPECT_EQ(Value(20), "9mm Pistol fired: 1");
                EXPECT_EQ(Value(21), "9mm Pistol hits: 1");
                EXPECT_FALSE(input::MouseExclusive()) << "the results give the pointer back";
                input::SetKey(sys::input::DIK_ESCAPE, true);
            }),
            Do([] { input::SetKey(sys::input::DIK_ESCAPE, false); }), Reached(4),
            Do([] { Peak(); }), Click(222), Wait(5), Do([&] { menus = Peak(); }), Reached(3), Click(20), Reached(5),
            Do([] {
                CString labels;
                if (SWindow* item = Manager()->GetCurrentScreen()->GetLayout()->FindChild(SHistoryScreen::kLabelText))
                    item->GetText(labels);
                EXPECT_EQ(std::string(labels.GetString()).rfind("9mm Pistol fired: \n9mm Pistol hits: \n", 0), 0u);
                CString numbers;
                if (SWindow* item = Manager()->GetCurrentScreen()->GetLayout()->FindChild(SHistoryScreen::kValueText))
                    item->GetText(numbers);
                // The first two lines, fired and hits, each end in 1.
                const std::string text = numbers.GetString();
                const size_t second = text.find('\n') + 1;
                EXPECT_EQ(text.substr(0, second), text.substr(0, second - 2) + "1\n") << text;
                EXPECT_EQ(text.substr(second, text.find('\n', second) - second).back(), '1') << text;
            }),
            Click(SHistoryScreen::kBackCommand), Reached(3), Click(222), Reached(2), Click(222), Reached(0), Click(60),
        };
        std::filesystem::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);

        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        EXPECT_EQ(app.m_next, app.m_steps.size());
        // The range's loop is soft; the shot stands well out of it.
        EXPECT_GT(shot, 2 * quiet + 2000) << "quiet " << quiet;
        EXPECT_GT(menus, 0) << "the menus' sounds are heard after the session";
        // The crosshair, the panel's values and the pistol over the range.
        EXPECT_TRUE(tarvex::test::MatchesReference(frame, "frontend/range_frame.png", 4, 600));
        // The session's report over the range, the pointer back to leave it.
        EXPECT_TRUE(tarvex::test::MatchesReference(results, "frontend/range_results.png", 4, 600));
    });
}

}  // namespace
