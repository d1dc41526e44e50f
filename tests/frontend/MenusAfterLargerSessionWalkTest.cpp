// The menus after a session played at a larger game size, headless on a copy of the demo Home
// folder: the settings pages and the console read as they do in a program that never left
// 640 x 480.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SCommandDialog.h"
#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/SPerformanceDialog.h"
#include "frontend/screens/SHelpScreen.h"
#include "frontend/screens/SMainMenuScreen.h"
#include "frontend/screens/SSettingsScreen.h"
#include "sys/input/headless/headless_input.h"
#include "sys/input/input.h"
#include "sys/window/headless/headless_window.h"
#include "tests/frontend/WalkTestSupport.h"
#include "ui/SDisplayHost.h"
#include "ui/SFont.h"
#include "ui/SGraphicsHost.h"
#include "ui/SSurfaceDC.h"
#include "ui/widgets/SListBox.h"
#include "ui/widgets/SScrollBar.h"

namespace {

using tarvex::test::Image;
using tarvex::test::ScriptedApp;
using tarvex::test::Step;
using Script = std::vector<Step>;

class MenusAfterLargerSessionWalkTest : public tarvex::test::DemoWalkTest {
protected:
    static constexpr uint32_t kSettingsPages[] = {SSettingsScreen::kControlsButton,
                                                  SSettingsScreen::kPerformanceButton, SSettingsScreen::kSoundButton};

    static Step Do(std::function<void()> action) {
        return [action = std::move(action)] {
            action();
            return true;
        };
    }
    // The shown option dialog has slid in and drawn a few frames more.
    static Step Settled() {
        auto frames = std::make_shared<int>(0);
        return [frames] {
            auto* page = dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen());
            if (page == nullptr || page->GetDialog() == nullptr || !page->GetDialog()->IsSlideFinished())
                return false;
            if (++*frames < 5)
                return false;
            *frames = 0;
            return true;
        };
    }
    // F2, the line typed and entered, F2 again.
    static Step TypeInConsole(const char* line) {
        return Do([line] {
            namespace window = sys::window::headless;
            const auto press = [](uint32_t key, uint32_t scan) {
                window::InjectKey(key, scan, true);
                window::InjectKey(key, scan, false);
            };
            press(sys::VK_F2, 0x3C);
            for (const char* c = line; *c != '\0'; ++c)
                window::InjectChar(static_cast<unsigned char>(*c));
            press(sys::VK_RETURN, 0x1C);
            press(sys::VK_F2, 0x3C);
        });
    }
    // Each settings page in turn, its picture written to the file of its button beside Home
    // (none for an empty run); the pointer rests in a corner so it covers nothing the pages
    // draw. With consoleOver the console is opened and closed over each, which draws the page anew.
    Script VisitSettingsPages(const std::string& run, bool consoleOver = false) const {
        Script steps = {Click(30), Reached(SSettingsScreen::kScreenId)};
        for (uint32_t button : kSettingsPages) {
            steps.insert(steps.end(), {Click(button), Do([] { sys::window::headless::InjectMouseMove(0, 0); }),
                                       Settled()});
            if (consoleOver)
                steps.insert(steps.end(), {TypeInConsole(""), Settled()});
            if (!run.empty())
                steps.push_back(Do([file = Shot(run, button)] {
                    EXPECT_TRUE(tarvex::test::WritePng(file.string(), tarvex::test::LastFrameImage()));
                }));
        }
        return steps;
    }
    // A new officer plays the first scenario and comes back to the main menu.
    static Script PlaySession(const Step& inPlay = [] { return true; }) {
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        const auto escape = [](bool down) {
            return Do([down] { sys::input::headless::SetKey(sys::input::DIK_ESCAPE, down); });
        };
        auto wait = std::make_shared<int>(10);
        return {
            Click(10), Reached(1),
            Do([] { Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Wide"); }),
            Click(111), Reached(3), Click(10), Reached(4), Click(111), playing, [wait] { return --*wait <= 0; },
            inPlay, escape(true), escape(false), escape(true), escape(false), Reached(4), Click(222), Reached(3),
            Click(222), Reached(2), Click(222), Reached(0),
        };
    }
    // Runs the parts of the script one after another, in a copy of the process, and closes the
    // window at the end; `check` runs there afterwards.
    void Walk(std::initializer_list<Script> parts, bool freshOfficers, const std::function<void()>& check = [] {}) {
        tarvex::test::InCopyOfProcess([&] {
            ScriptedApp& app = MakeScriptedApp();
            for (const Script& part : parts)
                app.m_steps.insert(app.m_steps.end(), part.begin(), part.end());
            app.m_steps.push_back(CloseWindow);
            RunWalk(app, freshOfficers);
            check();
        });
    }
    std::filesystem::path Shot(const std::string& run, uint32_t button) const {
        return std::filesystem::path(m_folder) / (run + "-" + std::to_string(button) + ".png");
    }
    // Every settings page of the run is drawn as in the reference run.
    void ExpectPagesMatch(const std::string& run, const std::string& reference) const {
        const auto read = [](const std::filesystem::path& file) {
            Image image;
            EXPECT_TRUE(tarvex::test::ReadPng(file.string(), image)) << file;
            return image;
        };
        for (uint32_t button : kSettingsPages)
            EXPECT_TRUE(tarvex::test::ImagesMatch(read(Shot(run, button)), read(Shot(reference, button)), 0, 0))
                << run << " page " << button;
    }
};

// The player raises the game size on the performance page and saves it, looks through the
// settings pages (so the catalog holds what they load), and then, with or without a session at
// that size in between, looks through them again; after the session reading the console over
// each. 800 x 600, and the largest size, which the headless desktop (1024 x 768) cuts down.
TEST_F(MenusAfterLargerSessionWalkTest, SettingsPagesDrawAsBeforeAnySession) {
    for (int sizeSteps : {1, 3}) {
        const std::string size = std::to_string(sizeSteps);
        Script raise = {Reached(0), Click(30), Reached(SSettingsScreen::kScreenId),
                        Click(SSettingsScreen::kPerformanceButton), Settled()};
        raise.insert(raise.end(), sizeSteps, ClickOnDialog(SPerformanceDialog::kResolutionUp));
        // Back, then Yes on the question it opens.
        raise.insert(raise.end(), {Do([] {
                                     ClickAt(114, 407);
                                     ClickAt(250, 294);
                                 }), Reached(0)});
        const Script back = {Click(SSettingsScreen::kBackButton), Reached(0)};
        for (bool session : {false, true}) {
            const std::string run = (session ? "session" : "menus") + size;
            Walk({raise, VisitSettingsPages(""), back, session ? PlaySession() : Script{},
                  VisitSettingsPages(run, session)},
                 true);
            for (const char* written : {"default.cfg", "player.cfg", "Debug.log"})
                std::filesystem::remove(Home() / written);
        }
        ExpectPagesMatch("session" + size, "menus" + size);
    }
}

// The help page's scroll bar shares its pictures with the controls page's key list; a visit
// to help, scrolled with the bar's lower arrow, leaves every settings page as a direct visit
// draws it.
TEST_F(MenusAfterLargerSessionWalkTest, SettingsPagesDrawAsBeforeHelp) {
    const Step scroll = [] {
        SWindow* layout = Manager()->GetCurrentScreen()->GetLayout();
        auto* bar = dynamic_cast<SScrollBar*>(layout->FindChild(SHelpScreen::kScrollBar));
        EXPECT_NE(bar, nullptr);
        if (bar == nullptr)
            return false;
        sys::RECT rc;
        bar->GetPartRect(SScrollBar::kPartLowerArrow, rc);
        ClickMiddle(rc);
        return true;
    };
    Walk({{Reached(0)}, VisitSettingsPages("direct")}, false);
    Walk({{Reached(0), Click(SMainMenuScreen::kHelpButton), Reached(SHelpScreen::kScreenId), scroll, scroll, scroll,
           Click(SHelpScreen::kBackButton), Reached(0)},
          VisitSettingsPages("help")},
         false);
    ExpectPagesMatch("help", "direct");
}

TEST_F(MenusAfterLargerSessionWalkTest, ConsoleReadsAsBeforeAnySession) {
    const char* const played = "list every one of the words typed while the range was played at 800 x 600";
    const char* const menus = "list the words typed in the menus";
    std::vector<std::string> rows;
    std::vector<int> extents;
    int top = -1, visible = -1, width = 0;
    const Step read = Do([&] {
        SListBox* list = m_app->GetMsgHandler()->GetConsole()->GetListBox();
        SSurfaceDC context(SGameObjects::Instance()->m_pGraphics->GetBack(), false);
        SFont* font = dynamic_cast<SGraphicsHost*>(SDisplayHost::GetInstance())->GetDefaultFont();
        context.SelectFont(font);
        int remainder = 0;
        visible = list->GetVisibleCount(&context, remainder);
        top = list->GetTopIndex();
        width = list->GetWindowRect().right - list->GetWindowRect().left;
        for (int i = 0; i < list->GetCount(); ++i) {
            rows.emplace_back(static_cast<const char*>(list->GetItemText(i)));
            extents.push_back(font->GetTextExtent(rows.back().c_str(), -1).cx);
        }
    });
    const Step rangeAt800 = Do([] {
        SGameObjects::Instance()->m_pConfig->m_pGraphics->m_iWidth = 800;
        SGameObjects::Instance()->m_pConfig->m_pGraphics->m_iHeight = 600;
    });
    // Every line fits the menus' console, the session's wrapped again among them, and the line
    // typed in the menus is the last echo, in view.
    Walk({{Reached(0), rangeAt800}, PlaySession(TypeInConsole(played)), {TypeInConsole(menus), read}}, true, [&] {
        EXPECT_EQ(width, 632);
        int echo = -1;
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_LE(extents[i], width) << rows[i];
            if (rows[i].rfind(">list", 0) == 0)
                echo = static_cast<int>(i);
        }
        ASSERT_GE(echo, 1);
        EXPECT_EQ(rows[static_cast<size_t>(echo)], std::string(">") + menus + " ");
        EXPECT_GE(echo, top);
        EXPECT_LT(echo, top + visible);
    });
}

}  // namespace
