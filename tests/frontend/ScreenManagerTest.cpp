#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "dx/display/SGraphics.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/frontend/ScreenTestSupport.h"
#include "ui/SDC.h"

using screentest::Log;
using Strings = std::vector<std::string>;

namespace {

class ScreenManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log().clear();
        sys::dialogs::headless::Reset();
        screentest::InstallRecordingScreens(m_Manager);
    }
    void TearDown() override { sys::dialogs::headless::Reset(); }

    SDC m_Context;  // takes every drawing call and does nothing
    SScreenManager m_Manager;
};

TEST_F(ScreenManagerTest, SwitchLeavesTheOldPageThenEntersTheNewOne) {
    ASSERT_EQ(m_Manager.SetSurfaces(&m_Context, nullptr), 1);
    EXPECT_EQ(m_Manager.GetCurrentScreen(), nullptr);
    EXPECT_EQ(m_Manager.SwitchTo(0), 1);
    EXPECT_EQ(m_Manager.SwitchTo(2), 1);
    EXPECT_EQ(m_Manager.SwitchTo(2), 1);  // the same page is left and entered again
    EXPECT_EQ(Log(), (Strings{"init 0", "create 0", "activate 0", "init 2", "create 2", "deactivate 0",
                              "activate 2", "deactivate 2", "activate 2"}));
    EXPECT_EQ(m_Manager.GetCurrentId(), 2);
    EXPECT_EQ(m_Manager.GetCurrentScreen(), m_Manager.GetScreen(2));
    // A full-width page stands at (0, 0, 640, 480).
    EXPECT_EQ(m_Manager.GetCurrentScreen()->GetWindowRect(), (sys::RECT{0, 0, 640, 480}));
}

TEST_F(ScreenManagerTest, PageThatCannotBeMadeChangesNothing) {
    ASSERT_EQ(m_Manager.SetSurfaces(&m_Context, nullptr), 1);
    m_Manager.SwitchTo(1);
    m_Manager.SetScreenFactory(3, nullptr);
    Log().clear();
    EXPECT_EQ(m_Manager.SwitchTo(3), 0);
    EXPECT_EQ(m_Manager.GetCurrentId(), 1);
    EXPECT_TRUE(Log().empty());
}

TEST_F(ScreenManagerTest, IdsOutsideTheTable) {
    EXPECT_EQ(m_Manager.GetScreen(14), nullptr);
    EXPECT_EQ(m_Manager.GetScreen(-1), nullptr);
    EXPECT_EQ(m_Manager.GetScreen(100), nullptr);
    EXPECT_TRUE(sys::dialogs::headless::Shown().empty());
    EXPECT_EQ(m_Manager.GetScreen(10), nullptr);
    EXPECT_EQ(m_Manager.GetScreen(10), nullptr);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Unrecognized screen encountered!");
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(m_Manager.HandleInput(sys::WM_LBUTTONDOWN, 0, 0), 0);  // no page is current
}

TEST_F(ScreenManagerTest, PreloadMakesThePagesInOrderAndTheGamePageLast) {
    EXPECT_EQ(m_Manager.PreloadScreens(nullptr, false), 1);
    Strings made;
    for (const std::string& entry : Log()) {
        if (entry.rfind("create ", 0) == 0)
            made.push_back(entry.substr(7));
    }
    EXPECT_EQ(made, (Strings{"0", "1", "2", "4", "13", "9", "12", "5", "11"}));
    for (int id : {3, 6, 7, 8})
        EXPECT_EQ(m_Manager.GetAt(id), nullptr) << id;
}

TEST_F(ScreenManagerTest, PreloadWritesItsMarkToTheDebuggerOutput) {
    for (bool dedicated : {false, true}) {
        SScreenManager manager;
        screentest::InstallRecordingScreens(manager);
        setenv("TARVEX_DEBUG_OUTPUT", "1", 1);
        testing::internal::CaptureStderr();
        manager.PreloadScreens(nullptr, dedicated);
        const std::string written = testing::internal::GetCapturedStderr();
        unsetenv("TARVEX_DEBUG_OUTPUT");
        EXPECT_EQ(written, "1.5\n") << dedicated;
    }
}

TEST_F(ScreenManagerTest, PreloadForTheDedicatedServerMakesOnlyTheGamePage) {
    EXPECT_EQ(m_Manager.PreloadScreens(nullptr, true), 1);
    EXPECT_EQ(Log(), (Strings{"init 11", "create 11"}));
    m_Manager.SetScreenFactory(11, nullptr);
    SScreenManager other;
    EXPECT_EQ(other.PreloadScreens(nullptr, true), 0);  // the game page could not be made
}

TEST_F(ScreenManagerTest, DeviceBroadcastsWaitForTheCatalog) {
    m_Manager.GetScreen(4);
    m_Manager.GetScreen(0);
    SGameItems* items = SGameObjects::Instance()->m_pGameItems;
    SCatalog* saved = items->m_pCatalog;
    items->m_pCatalog = nullptr;
    Log().clear();
    m_Manager.ReleaseDeviceObjects();
    m_Manager.RestoreDeviceObjects(nullptr);
    EXPECT_TRUE(Log().empty());

    SCatalog catalog;
    items->m_pCatalog = &catalog;
    m_Manager.ReleaseDeviceObjects();
    m_Manager.RestoreDeviceObjects(nullptr);
    items->m_pCatalog = saved;
    EXPECT_EQ(Log(), (Strings{"release 0", "release 4", "restore 0", "restore 4"}));
}

TEST_F(ScreenManagerTest, AReleasedDisplayIsNotDrawnOnUntilItIsBuiltAgain) {
    // The contexts kept from the last build went with the display; nothing may use them.
    ASSERT_EQ(m_Manager.SetSurfaces(&m_Context, nullptr), 1);
    SGraphics released;
    SGraphics*& shared = SGameObjects::Instance()->m_pGraphics;
    SGraphics* const saved = shared;
    shared = &released;
    Log().clear();
    EXPECT_EQ(m_Manager.SwitchTo(0), 0);
    EXPECT_EQ(m_Manager.Paint(), 0);
    EXPECT_EQ(Log(), (Strings{"init 0", "create 0"}));  // made, but not entered
    shared = saved;
    EXPECT_EQ(m_Manager.ActivateCurrent(&m_Context, nullptr), 1);
    EXPECT_EQ(Log(), (Strings{"init 0", "create 0", "activate 0"}));
}

}  // namespace
