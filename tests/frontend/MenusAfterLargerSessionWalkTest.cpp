// The menus after a session played at a larger game size, headless on a copy of the demo Home
// folder: the settings pages and the console read as they do in a program that never left
// 640 x 480.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SCommandDialog.h"
#include "app/SGameDLL.h"
#include "app/SGameObjects.h"
#include "app/SMsgHandler.h"
#include "dx/display/SGraphics.h"
#include "frontend/dialogs/SPerformanceDialog.h"
#include "frontend/dialogs/STransparantDialog.h"
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

class MenusAfterLargerSessionWalkTest : public tarvex::test::DemoWalkTest {
protected:
    static constexpr uint32_t kSettingsPages[] = {SSettingsScreen::kControlsButton,
                                                  SSettingsScreen::kPerformanceButton, SSettingsScreen::kSoundButton};

    static void ClickAt(int x, int y) {
        sys::window::headless::InjectMouseMove(x, y);
        sys::window::headless::InjectMouseButton(0, true);
        sys::window::headless::InjectMouseButton(0, false);
    }
    static SSettingsScreen* Settings() { return dynamic_cast<SSettingsScreen*>(Manager()->GetCurrentScreen()); }
    static Step ClickOnDialog(uint32_t id) {
        return [id] {
            SSettingsScreen* page = Settings();
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
    // The shown option dialog has slid in and drawn a few frames more.
    static Step Settled() {
        auto frames = std::make_shared<int>(0);
        return [frames] {
            SSettingsScreen* page = Settings();
            if (page == nullptr || page->GetDialog() == nullptr || !page->GetDialog()->IsSlideFinished())
                return false;
            if (++*frames < 5)
                return false;
            *frames = 0;
            return true;
        };
    }
    // Each settings page in turn, its picture written to the file of its button beside Home
    // (none for an empty run); the pointer rests in a corner so it covers nothing the pages
    // draw. With consoleOver the console is opened and closed over each, which draws the page anew.
    std::vector<Step> VisitSettingsPages(const std::string& run, bool consoleOver = false) {
        std::vector<Step> steps = {Click(30), Reached(SSettingsScreen::kScreenId)};
        for (uint32_t button : kSettingsPages) {
            steps.push_back(Click(button));
            steps.push_back([] {
                sys::window::headless::InjectMouseMove(0, 0);
                return true;
            });
            steps.push_back(Settled());
            if (consoleOver) {
                steps.push_back(TypeInConsole(""));
                steps.push_back(Settled());
            }
            if (!run.empty()) {
                const std::filesystem::path file = Shot(run, button);
                steps.push_back(
                    [file] { return tarvex::test::WritePng(file.string(), tarvex::test::LastFrameImage()); });
            }
        }
        return steps;
    }
    // A new officer plays the first scenario and comes back to the main menu.
    static std::vector<Step> PlaySession(const Step& inPlay = [] { return true; }) {
        namespace input = sys::input::headless;
        const auto playing = [] {
            SGameDLL* library = SGameObjects::Instance()->m_pGameDLL;
            return Manager()->GetCurrentId() == 11 && library != nullptr && library->GetState() == 7;
        };
        const auto escape = [](bool down) {
            return [down] {
                input::SetKey(sys::input::DIK_ESCAPE, down);
                return true;
            };
        };
        auto wait = std::make_shared<int>(10);
        return {
            Click(10), Reached(1),
            [] {
                Manager()->GetCurrentScreen()->GetLayout()->FindChild(200)->SetText("Wide");
                return true;
            },
            Click(111), Reached(3), Click(10), Reached(4), Click(111), playing, [wait] { return --*wait <= 0; },
            inPlay, escape(true), escape(false), escape(true), escape(false), Reached(4), Click(222), Reached(3),
            Click(222), Reached(2), Click(222), Reached(0),
        };
    }
    // F2, the line typed and entered, F2 again.
    static Step TypeInConsole(const char* line) {
        return [line] {
            namespace window = sys::window::headless;
            window::InjectKey(sys::VK_F2, 0x3C, true);
            window::InjectKey(sys::VK_F2, 0x3C, false);
            for (const char* c = line; *c != '\0'; ++c)
                window::InjectChar(static_cast<unsigned char>(*c));
            window::InjectKey(sys::VK_RETURN, 0x1C, true);
            window::InjectKey(sys::VK_RETURN, 0x1C, false);
            window::InjectKey(sys::VK_F2, 0x3C, true);
            window::InjectKey(sys::VK_F2, 0x3C, false);
            return true;
        };
    }
    void Walk(int sizeSteps, bool playSession, const std::string& run);
    std::filesystem::path Shot(const std::string& run, uint32_t button) const {
        return std::filesystem::path(m_folder) / (run + "-" + std::to_string(button) + ".png");
    }
    static Image Read(const std::filesystem::path& file) {
        Image image;
        EXPECT_TRUE(tarvex::test::ReadPng(file.string(), image)) << file;
        return image;
    }
};

// The player raises the game size on the performance page and saves it, looks through the
// settings pages (so the catalog holds what they load), and then, with or without a session at
// that size in between, looks through them again; after the session reading the console over
// each.
void MenusAfterLargerSessionWalkTest::Walk(int sizeSteps, bool playSession, const std::string& run) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        app.m_steps = {Reached(0), Click(30), Reached(SSettingsScreen::kScreenId),
                       Click(SSettingsScreen::kPerformanceButton), Settled()};
        for (int i = 0; i < sizeSteps; ++i)
            app.m_steps.push_back(ClickOnDialog(SPerformanceDialog::kResolutionUp));
        app.m_steps.push_back([] {
            // Back, then Yes on the question it opens.
            ClickAt(114, 407);
            ClickAt(250, 294);
            return true;
        });
        app.m_steps.push_back(Reached(0));
        for (const Step& step : VisitSettingsPages(""))
            app.m_steps.push_back(step);
        app.m_steps.push_back(Click(SSettingsScreen::kBackButton));
        app.m_steps.push_back(Reached(0));
        if (playSession)
            for (const Step& step : PlaySession())
                app.m_steps.push_back(step);
        for (const Step& step : VisitSettingsPages(run, playSession))
            app.m_steps.push_back(step);
        app.m_steps.push_back([] {
            sys::window::headless::InjectClose();
            return true;
        });
        std::filesystem::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
    });
    for (const char* written : {"default.cfg", "player.cfg", "Debug.log"})
        std::filesystem::remove(Home() / written);
}

TEST_F(MenusAfterLargerSessionWalkTest, SettingsPagesDrawAsBeforeAnySession) {
    // 800 x 600, and the largest size, which the headless desktop (1024 x 768) cuts down.
    const int sizes[] = {1, 3};
    for (int steps : sizes) {
        Walk(steps, false, "menus" + std::to_string(steps));
        Walk(steps, true, "session" + std::to_string(steps));
    }
    for (int steps : sizes)
        for (uint32_t button : kSettingsPages) {
            const std::string size = std::to_string(steps);
            EXPECT_TRUE(tarvex::test::ImagesMatch(Read(Shot("session" + size, button)),
                                                  Read(Shot("menus" + size, button)), 0, 0))
                << "page " << button << " after " << steps << " steps up";
        }
}

// The help page's scroll bar shares its pictures with the controls page's key list; a visit
// to help, scrolled with the bar's lower arrow, leaves every settings page as a direct visit
// draws it.
TEST_F(MenusAfterLargerSessionWalkTest, SettingsPagesDrawAsBeforeHelp) {
    const auto walk = [&](const std::string& run, bool help) {
        tarvex::test::InCopyOfProcess([&] {
            ScriptedApp& app = MakeScriptedApp();
            app.m_steps = {Reached(0)};
            if (help) {
                const Step scroll = [] {
                    SWindow* layout = Manager()->GetCurrentScreen()->GetLayout();
                    auto* bar = dynamic_cast<SScrollBar*>(layout->FindChild(SHelpScreen::kScrollBar));
                    EXPECT_NE(bar, nullptr);
                    if (bar == nullptr)
                        return false;
                    sys::RECT rc;
                    bar->GetPartRect(SScrollBar::kPartLowerArrow, rc);
                    ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
                    return true;
                };
                for (const Step& step : {Click(SMainMenuScreen::kHelpButton), Reached(SHelpScreen::kScreenId), scroll,
                                         scroll, scroll, Click(SHelpScreen::kBackButton), Reached(0)})
                    app.m_steps.push_back(step);
            }
            for (const Step& step : VisitSettingsPages(run))
                app.m_steps.push_back(step);
            app.m_steps.push_back([] {
                sys::window::headless::InjectClose();
                return true;
            });
            ASSERT_TRUE(app.InitInstance());
            EXPECT_EQ(app.Run(), 0);
            EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        });
    };
    walk("direct", false);
    walk("help", true);
    for (uint32_t button : kSettingsPages)
        EXPECT_TRUE(tarvex::test::ImagesMatch(Read(Shot("help", button)), Read(Shot("direct", button)), 0, 0))
            << "page " << button;
}

TEST_F(MenusAfterLargerSessionWalkTest, ConsoleReadsAsBeforeAnySession) {
    tarvex::test::InCopyOfProcess([&] {
        ScriptedApp& app = MakeScriptedApp();
        const char* const played = "list every one of the words typed while the range was played at 800 x 600";
        const char* const menus = "list the words typed in the menus";
        std::vector<std::string> rows;
        std::vector<int> extents;
        int top = -1;
        int visible = -1;
        int width = 0;
        app.m_steps = {Reached(0), [] {
                           SGameObjects::Instance()->m_pConfig->m_pGraphics->m_iWidth = 800;
                           SGameObjects::Instance()->m_pConfig->m_pGraphics->m_iHeight = 600;
                           return true;
                       }};
        for (const Step& step : PlaySession(TypeInConsole(played)))
            app.m_steps.push_back(step);
        app.m_steps.push_back(TypeInConsole(menus));
        app.m_steps.push_back([&] {
            SListBox* list = app.GetMsgHandler()->GetConsole()->GetListBox();
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
            sys::window::headless::InjectClose();
            return true;
        });
        std::filesystem::remove(Home() / "player.cfg");
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.Run(), 0);
        EXPECT_FALSE(app.m_stalled) << "stalled at step " << app.m_next;
        // Every line fits the menus' console, the session's wrapped again among them, and the
        // line typed in the menus is the last echo, in view.
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
