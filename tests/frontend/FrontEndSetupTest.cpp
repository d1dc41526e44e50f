// The front end installed on a headless start-up: the hub's screen manager, the software cursor
// copied from the catalog's "Cursor":"HuntHand" sprite (and an empty one without it), the
// dialog factory on the interface host, the main menu (and the message when its layout is
// missing), and shut-down letting go of all of them.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/SFrontEndHooks.h"
#include "core/SCatalog.h"
#include "core/SCatalogItem.h"
#include "frontend/SFrontEndSetup.h"
#include "frontend/hud/SCursor.h"
#include "frontend/screens/SScreenManager.h"
#include "sys/window/dialogs.h"
#include "sys/window/headless/headless_dialogs.h"
#include "dx/display/SGraphics.h"
#include "tests/app/AppTestSupport.h"
#include "tests/frontend/ScreenTestSupport.h"
#include "ui/SFrame.h"
#include "ui/SSprite.h"

namespace {

// A recording main menu with a layout of its own, so that it can be the first page.
class RecordingMainMenu : public screentest::RecordingScreen {
public:
    RecordingMainMenu() : RecordingScreen(0) {}
    bool Initialise() override {
        GiveLayout();
        return true;
    }
};

// Puts the cursor sprite into the freshly read catalog just before the cursor is made, as a
// catalog file holding it would.
class CatalogCursorSetup : public SFrontEndSetup {
public:
    void CreateInterface(SGameObjects* hub, SGraphicsHost* host) override {
        if (m_bAddSprite && hub->m_pCatalog != nullptr) {
            auto* sprite = new SSprite;
            auto* frame = new SFrame;
            frame->SetFileName("hand.bmp");
            frame->SetFrameRect(sys::RECT{0, 0, 2, 2});
            sprite->InsertFrame(frame, -1);
            m_pItem = new SCatalogItem(kKindSprite, "Cursor", "HuntHand", "");
            m_pItem->SetResource(sprite);
            hub->m_pCatalog->AddItem(m_pItem);
        }
        SFrontEndSetup::CreateInterface(hub, host);
    }
    void CreateScreens(SGameObjects* hub) override {
        SFrontEndSetup::CreateScreens(hub);
        if (m_bWithPages) {
            screentest::InstallRecordingScreens(*hub->m_pScreenManager);
            hub->m_pScreenManager->SetScreenFactory(0, []() -> SAppScreen* { return new RecordingMainMenu; });
        }
    }
    // The main menu's layout, as the demo catalog has it.
    void PreloadScreens(SGameObjects* hub, bool dedicated) override {
        if (m_bAddLayout && hub->m_pCatalog != nullptr) {
            auto* layout = new SScreen;
            layout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
            auto* item = new SCatalogItem(kKindScreen, "MM", "main_menu", "");
            item->SetResource(layout);
            hub->m_pCatalog->AddItem(item);
        }
        // The pages read the program-wide hub's catalog, which the test's hub stands in for.
        SCatalog*& shared = SGameObjects::Instance()->m_pCatalog;
        SCatalog* const before = shared;
        shared = hub->m_pCatalog;
        SFrontEndSetup::PreloadScreens(hub, dedicated);
        shared = before;
    }
    bool m_bAddSprite = false;
    bool m_bWithPages = false;
    bool m_bAddLayout = true;
    SCatalogItem* m_pItem = nullptr;
};

class FrontEndSetupTest : public tarvex::test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SFrontEndHooks::Install(&m_setup);
    }
    void TearDown() override {
        AppTest::TearDown();
        SFrontEndHooks::Install(nullptr);
    }
    CatalogCursorSetup m_setup;
};

TEST_F(FrontEndSetupTest, StartUpMakesTheManagerAndTheCursorFromTheCatalogAndShutDownLetsGo) {
    m_setup.m_bAddSprite = true;
    ASSERT_TRUE(MakeApp().InitInstance());
    ASSERT_NE(m_hub->m_pScreenManager, nullptr);
    EXPECT_EQ(m_hub->m_pScreenManager->GetCurrentId(), 0);
    EXPECT_NE(m_hub->m_pScreenManager->GetCurrentScreen(), nullptr);

    SCursor* cursor = m_setup.GetCursor();
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(m_hub->m_pGraphics->GetCursor(), cursor);
    EXPECT_EQ(g_pCursor, cursor);
    EXPECT_EQ(cursor->GetFollowInput(), 1);
    // The cursor is a copy: the catalog's sprite was given back at once.
    ASSERT_EQ(cursor->GetFrameCount(), 1);
    ASSERT_NE(m_setup.m_pItem, nullptr);
    EXPECT_EQ(m_setup.m_pItem->GetUseCount(), 0);
    EXPECT_NE(static_cast<SResource*>(cursor), m_setup.m_pItem->GetResource());

    EXPECT_NE(m_setup.GetDialogFactory(), nullptr);

    m_app->ExitInstance();
    EXPECT_EQ(m_hub->m_pScreenManager, nullptr);
    EXPECT_EQ(m_setup.GetCursor(), nullptr);
    EXPECT_EQ(g_pCursor, nullptr);
}

TEST_F(FrontEndSetupTest, WithoutTheSpriteTheCursorIsEmptyAndStartUpGoesOn) {
    ASSERT_TRUE(MakeApp().InitInstance());
    SCursor* cursor = m_setup.GetCursor();
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->GetFrameCount(), 0);
    EXPECT_EQ(m_hub->m_pGraphics->GetCursor(), cursor);
    // Running frames with an empty cursor and no page draws nothing and does not fail.
    m_hub->m_pGraphics->RenderFrame();
    m_app->ExitInstance();
    EXPECT_EQ(m_hub->m_pScreenManager, nullptr);
    EXPECT_EQ(m_setup.GetCursor(), nullptr);
}

TEST_F(FrontEndSetupTest, WithoutTheMainMenuLayoutStartUpSaysWhatIsMissingAndFails) {
    m_setup.m_bAddLayout = false;
    EXPECT_FALSE(MakeApp().InitInstance());
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text,
              "The main menu cannot be shown: \"Tarvex.cat\" has no screen \"MM\" in the group \"main_menu\".");
    EXPECT_EQ(shown.back().caption, "Tarvex");
    m_app->ExitInstance();
    EXPECT_EQ(m_hub->m_pScreenManager, nullptr);
}

TEST_F(FrontEndSetupTest, AFailedStartUpStillLetsGoOfTheManager) {
    std::filesystem::remove(Home() / "Tarvex.cat");
    EXPECT_FALSE(MakeApp().InitInstance());
    EXPECT_NE(m_hub->m_pScreenManager, nullptr);
    EXPECT_EQ(m_setup.GetCursor(), nullptr);
    m_app->ExitInstance();
    EXPECT_EQ(m_hub->m_pScreenManager, nullptr);
}

TEST_F(FrontEndSetupTest, WithPagesTheMainMenuIsShownAndLeftAtShutDown) {
    m_setup.m_bWithPages = true;
    screentest::Log().clear();
    ASSERT_TRUE(MakeApp().InitInstance());
    ASSERT_NE(m_hub->m_pScreenManager->GetCurrentScreen(), nullptr);
    EXPECT_EQ(m_hub->m_pScreenManager->GetCurrentId(), 0);
    const auto& log = screentest::Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "activate 0"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "deactivate 0"), log.end());
    m_app->ExitInstance();
    EXPECT_NE(std::find(log.begin(), log.end(), "deactivate 0"), log.end());
    EXPECT_EQ(m_hub->m_pScreenManager, nullptr);
}

}  // namespace
