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
#include "frontend/screens/SAppScreen.h"
#include "frontend/screens/SScreenManager.h"
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
    // Presses and releases the left button over the middle of the current page's control.
    static Step Click(uint32_t id) {
        return [id] {
            SAppScreen* page = Manager()->GetCurrentScreen();
            SWindow* control = page->GetLayout() != nullptr ? page->GetLayout()->FindChild(id) : nullptr;
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

    SFrontEndSetup m_frontEnd;
};

}  // namespace tarvex::test
