#pragma once

// Walks of the whole program as a player meets it: the application's real loop on a copy of the
// demo Home folder, headless with the fake clock, driven by a script of steps.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <new>
#include <vector>

#include "app/SFrontEndHooks.h"
#include "app/SGameObjects.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "frontend/screens/SSettingsScreen.h"
#include "sys/time/headless/headless_clock.h"
#include "sys/video/headless/headless_video.h"
#include "sys/window/headless/headless_window.h"
#include "tests/app/AppTestSupport.h"
#include "tests/frontend/InCopyOfProcess.h"
#include "tests/support/ReferenceImage.h"
#include "tests/support/ScratchFolder.h"

namespace tarvex::test {

constexpr uint32_t kWalkFrameMs = 20;
// Long enough for any slide of 250 ms and a page's first draws.
constexpr int kWalkFrameLimit = 3000;

// The picture the program presented last.
inline Image LastFrameImage() {
    const auto& last = sys::video::headless::LastFrame();
    return Image{last.width, last.height, last.pixels};
}

// One thing the player waits for or does; true once it is done.
using Step = std::function<bool()>;

// Runs the application's real loop and, after each frame of the screen, advances the fake clock
// and works through the script. A script that stalls closes the window so the loop still ends.
class ScriptedApp : public RecordingApp {
public:
    using RecordingApp::RecordingApp;

    std::vector<Step> m_steps;
    size_t m_next = 0;
    int m_frames = 0;
    bool m_stalled = false;

protected:
    void UpdateScreen() override {
        RecordingApp::UpdateScreen();
        sys::time::headless::Advance(kWalkFrameMs);
        ++m_frames;
        if (m_next < m_steps.size() && m_steps[m_next]())
            ++m_next;
        if (m_frames == kWalkFrameLimit) {
            m_stalled = true;
            sys::window::headless::InjectClose();
        }
    }
};

class DemoWalkTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        tarvex::test::CopyDemoHome(Home());
        SFrontEndHooks::Install(&m_frontEnd);
    }
    void TearDown() override {
        AppTest::TearDown();
        SFrontEndHooks::Install(nullptr);
    }

    // The pages reach the program's one hub, so the application runs on it too. Earlier tests
    // of this process made it wherever they ran and left their officers and paths in it; the
    // walk (in its copy of the process) starts on one made anew as the program makes it, in the
    // folder that holds Home, which it settles in.
    ScriptedApp& MakeScriptedApp() {
        SGameObjects* hub = SGameObjects::Instance();
        hub->~SGameObjects();
        std::filesystem::current_path(m_folder);
        new (hub) SGameObjects();
        auto* app = new ScriptedApp(hub);
        m_app.reset(app);
        return *app;
    }
    static SScreenManager* Manager() { return SGameObjects::Instance()->m_pScreenManager; }

    // The page of the id is current and its buttons have slid in.
    static Step Reached(int id) {
        return [id] {
            SAppScreen* page = Manager() != nullptr ? Manager()->GetCurrentScreen() : nullptr;
            return page != nullptr && Manager()->GetCurrentId() == id && page->GetSlideDirection() == 1 &&
                   page->IsSlideFinished();
        };
    }
    // A press and release of the left button at a point of the 640 x 480 picture.
    static void ClickAt(int x, int y) {
        sys::window::headless::InjectMouseMove(x, y);
        sys::window::headless::InjectMouseButton(0, true);
        sys::window::headless::InjectMouseButton(0, false);
    }
    static void ClickMiddle(const sys::RECT& rc) { ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2); }
    // Presses and releases the left button over the middle of the current page's control.
    static Step Click(uint32_t id) {
        return [id] {
            SAppScreen* page = Manager()->GetCurrentScreen();
            SWindow* control = page->GetLayout() != nullptr ? page->GetLayout()->FindChild(id) : nullptr;
            EXPECT_NE(control, nullptr) << "control " << id << " on page " << Manager()->GetCurrentId();
            if (control == nullptr)
                return false;
            ClickMiddle(control->GetWindowRect());
            return true;
        };
    }
    // A click on the middle of a control of the option dialog the settings page shows, once the
    // dialog has slid in.
    static Step ClickOnDialog(uint32_t id) {
        return [id] {
            auto* page = dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen());
            STransparantDialog* dialog = page != nullptr ? page->GetDialog() : nullptr;
            if (dialog == nullptr || !dialog->IsSlideFinished())
                return false;
            SWindow* control = dialog->FindControl(id);
            EXPECT_NE(control, nullptr) << "control " << id;
            if (control == nullptr)
                return false;
            ClickMiddle(control->GetWindowRect());
            return true;
        };
    }
    // The last step of a walk that is not left by a button: the window is closed.
    static bool CloseWindow() {
        sys::window::headless::InjectClose();
        return true;
    }
    // Starts the application on the walk's Home (without an officer file, when `freshOfficers`,
    // so that the walk begins with the demo's officers) and runs its loop to the end of the script.
    void RunWalk(ScriptedApp& app, bool freshOfficers = true) {
        if (freshOfficers)
            std::filesystem::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
    }

    SFrontEndSetup m_frontEnd;
};

}  // namespace tarvex::test
