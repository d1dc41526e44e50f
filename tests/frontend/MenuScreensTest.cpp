// The five simple menu pages driven through the screen manager on the fake clock, with their
// layouts built in a test catalog: where each button leads once the buttons have slid out, the
// officer button without officers, the welcome voice-over, the help text and its scrolling,
// and the option dialogs of the settings page with the screen-mode question on leaving.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/CConfigData.h"
#include "app/CSystemData.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/dialogs/STransparantDialog.h"
#include "frontend/screens/SCreditsScreen.h"
#include "frontend/screens/SHelpScreen.h"
#include "frontend/screens/SMainMenuScreen.h"
#include "frontend/screens/SScreenManager.h"
#include "frontend/screens/SSettingsScreen.h"
#include "frontend/screens/SSpecialThanksScreen.h"
#include "dx/display/SGraphics.h"
#include "sys/profile.h"
#include "sys/time/time.h"
#include "tests/support/ProcessHubGuard.h"
#include "tests/support/ScratchFolder.h"
#include "ui/widgets/SButton.h"
#include "ui/SDC.h"
#include "ui/SFont.h"
#include "ui/SGraphicsHost.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/STextCtrl.h"

namespace {

namespace fs = std::filesystem;

// Counts the welcome voice-overs the main menu starts.
class CountingMainMenu : public SMainMenuScreen {
public:
    void StartVoiceOver() override { ++s_nVoiceOvers; }
    static inline int s_nVoiceOvers = 0;
};

// An option dialog without a layout that counts how it lives and goes.
class CountingDialog : public STransparantDialog {
public:
    CountingDialog() : STransparantDialog("Test", "Option") { ++s_nMade; }
    ~CountingDialog() override { ++s_nDeleted; }
    void Deactivate() override { ++s_nDeactivated; }
    static STransparantDialog* Make() { return new CountingDialog; }
    static inline int s_nMade = 0;
    static inline int s_nDeleted = 0;
    static inline int s_nDeactivated = 0;
};

// Records which generic dialog was asked for and makes none, so every question answers "no".
class AskingFactory : public SGenericDialogFactory {
public:
    SDialog* CreateDialog(const char* group, const char* layout) override {
        asked.push_back(std::string(group) + ":" + layout);
        return nullptr;
    }
    void SetDialogValue(SDialog*, uint32_t) override {}
    std::vector<std::string> asked;
};

class MenuScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = tarvex::test::MakeScratchFolder("MenuScreens");
        // The officer file is read where the pages run, as the program reads it in Home.
        fs::current_path(m_folder);
        sys::profile::SetFile(m_folder + "/profile.ini");
        sys::time::SetFakeTicks(m_dwNow);
        SWindow::SetResourceCatalog(&m_catalog);
        m_savedBasePath = m_pHub->m_sBasePath;
        m_nSavedFullScreen = m_pHub->m_pConfig->m_pSystem->m_bFullScreen;
        m_pHub->m_sBasePath = m_folder.c_str();
        BuildLayouts();
        m_setup.CreateScreens(m_pHub);
        m_pManager = m_pHub->m_pScreenManager;
        m_pManager->SetScreenFactory(0, []() -> SAppScreen* { return new CountingMainMenu; });
        m_pManager->SetSurfaces(&m_context, nullptr);
        SMainMenuScreen::ForgetShown();
        CountingMainMenu::s_nVoiceOvers = 0;
        CountingDialog::s_nMade = CountingDialog::s_nDeleted = CountingDialog::s_nDeactivated = 0;
        SSettingsScreen::SetDialogMaker(SSettingsScreen::kGameOptionsButton, &CountingDialog::Make);
        SSettingsScreen::SetDialogMaker(SSettingsScreen::kControlsButton, &CountingDialog::Make);
        // One button without a dialog class, to see that it makes nothing.
        SSettingsScreen::SetDialogMaker(SSettingsScreen::kPerformanceButton, nullptr);
        m_host.SetDialogFactory(&m_factory);
        SDisplayHost::SetInstance(&m_host);
    }
    void TearDown() override {
        m_pManager->DeleteAllScreens();
        delete m_pManager;
        m_pHub->m_pScreenManager = nullptr;
        m_pHub->m_sBasePath = m_savedBasePath;
        m_pHub->m_pConfig->m_pSystem->m_bFullScreen = m_nSavedFullScreen;
        SSettingsScreen::SetDialogMaker(SSettingsScreen::kGameOptionsButton, nullptr);
        SSettingsScreen::SetDialogMaker(SSettingsScreen::kControlsButton, nullptr);
        SWindow::SetResourceCatalog(nullptr);
        SDisplayHost::SetInstance(nullptr);
        sys::profile::SetFile("");
    }

    SScreen* AddLayout(const char* group, const char* name) {
        auto* layout = new SScreen;
        layout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
        auto* item = new SCatalogItem(kKindScreen, name, group, "");
        item->SetResource(layout);
        m_catalog.AddItem(item);
        return layout;
    }
    // Buttons stacked down the left side, each 20 pixels high; radio buttons of one group
    // stay checked when clicked again.
    static void AddButtons(SScreen* layout, std::initializer_list<uint32_t> ids, uint32_t style = 0, int top = 10) {
        for (uint32_t id : ids) {
            auto* button = new SButton;
            button->CreateButton("", style, sys::RECT{20, top, 120, top + 20}, layout, id);
            button->SetGroup(style != 0 ? 1 : 0);
            top += 30;
        }
    }
    void BuildLayouts() {
        AddButtons(AddLayout("main_menu", "MM"), {10, 20, 30, 40, 50, 60});
        SScreen* help = AddLayout("Help", "h");
        AddButtons(help, {222, 9019, 9021});
        (new STextCtrl)->CreateText("", 0, sys::RECT{200, 10, 600, 400}, help, SHelpScreen::kTextControl);
        (new SScrollBar)->CreateScrollBar(SScrollBar::kStyleVertical, sys::RECT{610, 10, 630, 400}, help,
                                          SHelpScreen::kScrollBar);
        AddButtons(AddLayout("Help", "st"), {222});
        AddButtons(AddLayout("Credit", "c"), {222, 333});
        SScreen* settings = AddLayout("OPTION_MENU_MAIN", "");
        AddButtons(settings, {100, 200, 300, 400, 500}, SButton::kStyleGroup);
        AddButtons(settings, {222, 1500}, 0, 200);
        (new SWindow)->Create(nullptr, "", 0, sys::RECT{300, 300, 600, 460}, settings, SSettingsScreen::kDialogArea,
                              nullptr);
    }

    SAppScreen* Page() { return m_pManager->GetCurrentScreen(); }
    // Main-loop frames 100 ms apart, enough for a slide-out, the switch and the next page's
    // slide-in to end and be handled.
    void Settle() {
        for (int i = 0; i < 10; ++i) {
            m_dwNow += 100;
            sys::time::SetFakeTicks(m_dwNow);
            Page()->Update();
            Page()->Draw(&m_context);
        }
    }
    // The left button pressed and released over a control of the current page.
    void Click(uint32_t id) {
        SWindow* control = Page()->GetLayout()->FindChild(id);
        ASSERT_NE(control, nullptr) << id;
        const sys::RECT rc = control->GetWindowRect();
        const sys::LPARAM at = sys::MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        m_pManager->HandleInput(sys::WM_LBUTTONDOWN, 0, at);
        m_pManager->HandleInput(sys::WM_LBUTTONUP, 0, at);
    }
    // Clicks and lets the page slide out and switch.
    int Go(uint32_t id) {
        Click(id);
        Settle();
        return m_pManager->GetCurrentId();
    }
    void Enter(int id) {
        m_pManager->SwitchTo(id);
        Settle();
    }

    std::string m_folder;
    SString m_savedBasePath;
    int32_t m_nSavedFullScreen = 0;
    uint32_t m_dwNow = 5000;
    SGameObjects* m_pHub = SGameObjects::Instance();
    tarvex::test::ProcessHubGuard m_hubGuard;
    SCatalog m_catalog;  // outlives the pages that hold its layouts
    SDC m_context;
    SFrontEndSetup m_setup;
    SGraphics m_graphics;
    SGraphicsHost m_host{&m_graphics};
    AskingFactory m_factory;
    SScreenManager* m_pManager = nullptr;
};

TEST_F(MenuScreensTest, ButtonsLeadToTheirPagesOnlyOnceTheButtonsHaveSlidOut) {
    Enter(0);
    Click(40);
    EXPECT_EQ(m_pManager->GetCurrentId(), 0);  // still sliding out
    Settle();
    EXPECT_EQ(m_pManager->GetCurrentId(), 6);
    EXPECT_NE(dynamic_cast<SHelpScreen*>(Page()), nullptr);
    EXPECT_EQ(Go(222), 0);

    EXPECT_EQ(Go(50), 9);
    EXPECT_NE(dynamic_cast<SCreditsScreen*>(Page()), nullptr);
    EXPECT_EQ(Go(333), 12);
    EXPECT_NE(dynamic_cast<SSpecialThanksScreen*>(Page()), nullptr);
    EXPECT_EQ(Go(222), 9);
    EXPECT_EQ(Go(222), 0);

    EXPECT_EQ(Go(30), 7);
    EXPECT_NE(dynamic_cast<SSettingsScreen*>(Page()), nullptr);
    EXPECT_EQ(Go(222), 0);

    // Quitting asks the main window to close.
    Click(60);
    sys::MSG msg;
    EXPECT_TRUE(sys::window::PeekMessage(msg, nullptr, sys::WM_CLOSE, sys::WM_CLOSE, sys::PM_REMOVE));
}

TEST_F(MenuScreensTest, WithoutOfficersTheChooseButtonDoesNothing) {
    const SHunterInfoList* officers = m_pHub->LoadPlayerList(false);
    ASSERT_NE(officers, nullptr);
    ASSERT_EQ(officers->GetCount(), 0);
    Enter(0);
    EXPECT_EQ(Go(20), 0);
    EXPECT_EQ(Page()->GetSlideDirection(), 1);  // no slide-out was started
    EXPECT_EQ(Go(40), 6);  // the other buttons still work
}

TEST_F(MenuScreensTest, WithAnOfficerTheChooseButtonLeadsToTheChoice) {
    SHunterInfoList* saved = m_pHub->m_pPlayerList;
    SHunterInfoList officers;
    officers.AddTail(new SHunterInfo("Al"));
    m_pHub->m_pPlayerList = &officers;
    Enter(0);
    Click(20);
    EXPECT_EQ(Page()->GetSlideDirection(), 0);  // the buttons slide out towards the choice
    m_pHub->m_pPlayerList = saved;
    m_pHub->m_pCurrentPlayer = nullptr;
}

TEST_F(MenuScreensTest, TheWelcomePlaysOnTheFirstVisitOnly) {
    Enter(0);
    EXPECT_EQ(CountingMainMenu::s_nVoiceOvers, 1);
    EXPECT_TRUE(SMainMenuScreen::HasBeenShown());
    Go(40);
    EXPECT_EQ(Go(222), 0);
    EXPECT_EQ(CountingMainMenu::s_nVoiceOvers, 1);
}

TEST_F(MenuScreensTest, TheVoiceIsTheSystemProfileChoice) {
    EXPECT_STREQ(SMainMenuScreen().GetVoiceOverList()[4], "VoiceMale:vo-m1-start-welcomea");
    ASSERT_TRUE(sys::profile::WriteInt(sys::profile::Kind::System, "Settings", "MaleVoiceOvers", 2));
    SMainMenuScreen female;
    EXPECT_STREQ(female.GetVoiceOverList()[0], "VoiceFemale:vo-f1-start-computera");
    EXPECT_EQ(female.GetVoiceOverList()[5], nullptr);
    SAppScreen::SetMaleVoiceOvers(true);
}

TEST_F(MenuScreensTest, HelpScrollingStaysWithinZeroToFifty) {
    std::ofstream(m_folder + "/help.sss", std::ios::binary) << "First line\r\nSecond line";
    Enter(6);
    auto* page = static_cast<SHelpScreen*>(Page());
    auto* text = static_cast<STextCtrl*>(page->GetLayout()->FindChild(SHelpScreen::kTextControl));
    CString shown;
    // The CR LF line end reads as LF; a CR alone would be drawn.
    EXPECT_STREQ(text->GetText(shown), "First line\nSecond line");

    Click(9019);
    EXPECT_EQ(page->GetScrollPosition(), 0);
    for (int i = 0; i < 52; ++i)
        Click(9021);
    EXPECT_EQ(page->GetScrollPosition(), 50);
    EXPECT_EQ(text->GetTopLine(), 50);
    Click(9019);
    EXPECT_EQ(text->GetTopLine(), 49);
}

TEST_F(MenuScreensTest, HelpScrollsByWheelAndPageKeysBeforeAnythingIsClicked) {
    Enter(6);
    auto* page = static_cast<SHelpScreen*>(Page());
    SFont font;  // lines of 15 pixels: the 390-pixel text shows 26 at once
    page->GetLayout()->FindChild(SHelpScreen::kTextControl)->SetFont(&font);
    const auto key = [&](uint32_t code) { page->SendMessage(sys::WM_KEYDOWN, code, 0); };
    const auto wheel = [&](int delta) { page->SendMessage(sys::WM_MOUSEWHEEL, sys::MAKEWPARAM(0, delta), 0); };
    const struct {
        std::function<void()> act;
        int position;
    } steps[] = {
        {[&] { key(sys::VK_NEXT); }, 26},   {[&] { wheel(-120); }, 29},         {[&] { wheel(240); }, 23},
        {[&] { key(sys::VK_DOWN); }, 24},   {[&] { key(sys::VK_NEXT); }, 50},   {[&] { key(sys::VK_UP); }, 49},
        {[&] { key(sys::VK_PRIOR); }, 23},  {[&] { key(sys::VK_PRIOR); }, 0},   {[&] { wheel(120); }, 0},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(page->GetScrollPosition(), step.position);
    }
    page->GetLayout()->FindChild(SHelpScreen::kTextControl)->SetFont(nullptr);
}

TEST_F(MenuScreensTest, HelpWithoutAFileIsEmptyAndAHugeFileIsCut) {
    Enter(6);
    auto* page = static_cast<SHelpScreen*>(Page());
    EXPECT_STREQ(page->GetText(), "");
    EXPECT_EQ(SHelpScreen::GetHelpPath(), CString(m_folder.c_str()) + "\\help.sss");

    std::ofstream(m_folder + "/help.sss", std::ios::binary) << std::string(SHelpScreen::kMaxTextBytes + 10, 'x');
    Go(222);
    Enter(6);
    EXPECT_EQ(std::strlen(page->GetText()), SHelpScreen::kMaxTextBytes);
}

TEST_F(MenuScreensTest, SettingsOpenOneDialogPerButtonAndLeaveWithoutAQuestion) {
    Enter(7);
    auto* page = static_cast<SSettingsScreen*>(Page());
    ASSERT_EQ(CountingDialog::s_nMade, 1);  // the game options open by themselves
    EXPECT_EQ(page->GetRecordedCheck(100), 1);
    STransparantDialog* first = page->GetDialog();
    EXPECT_EQ(first->GetParent(), page->GetLayout());

    Click(300);
    EXPECT_EQ(CountingDialog::s_nMade, 2);
    EXPECT_EQ(CountingDialog::s_nDeleted, 1);
    EXPECT_EQ(CountingDialog::s_nDeactivated, 1);
    EXPECT_EQ(page->GetDialogId(), 300u);
    Click(300);
    EXPECT_EQ(CountingDialog::s_nMade, 2);
    EXPECT_EQ(page->GetRecordedCheck(100), 0);  // one group: only 300 is checked

    // A button whose dialog class is missing makes nothing and keeps what is shown.
    STransparantDialog* shown = page->GetDialog();
    Click(200);
    EXPECT_EQ(page->GetDialog(), shown);
    EXPECT_EQ(page->GetRecordedCheck(200), 1);

    EXPECT_EQ(Go(222), 0);
    EXPECT_TRUE(m_factory.asked.empty());
    EXPECT_EQ(CountingDialog::s_nDeleted, 2);
    EXPECT_EQ(CountingDialog::s_nDeactivated, 2);

    // Back on the page it opens with the game options again.
    Enter(7);
    EXPECT_EQ(CountingDialog::s_nMade, 3);
    EXPECT_EQ(page->GetRecordedCheck(100), 1);
}

TEST_F(MenuScreensTest, LeavingWithAChangedScreenModeAsksFirst) {
    m_pHub->m_pConfig->m_pSystem->m_bFullScreen = 0;
    Enter(7);
    m_pHub->m_pConfig->m_bPendingFullScreen = 1;
    EXPECT_EQ(Go(222), 0);
    EXPECT_EQ(m_factory.asked, std::vector<std::string>{"Generic:YesNo"});
    // The answer was no: the configured mode stays.
    EXPECT_EQ(m_pHub->m_pConfig->m_pSystem->m_bFullScreen, 0);
}

}  // namespace
