// The program's own path to our stand-in library: the hub finds it in its "Home" folder,
// hands over, and keeps the two movement commands the library registered.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SDataCollection.h"
#include "sys/classlib/Exceptions.h"
#include "tests/app/GameLibraryTestSupport.h"

namespace {

namespace headless = sys::dialogs::headless;

class HubLoadsStandInTest : public tarvex::test::GameLibraryTest {
protected:
    void SetUp() override
    {
        GameLibraryTest::SetUp();
        m_start = std::filesystem::path(m_folder) / "start";
        std::filesystem::create_directories(m_start / "Home");
        std::filesystem::current_path(m_start);
    }

    std::filesystem::path m_start;
};

TEST_F(HubLoadsStandInTest, HandOverFromTheHubLeavesTheAxisCommandsAndTheBasePath) {
    tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), m_start / "Home");
    ASSERT_TRUE(sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "BasePath", "C:\\Base\\"));
    SGameObjects hub;
    hub.LoadGameDll();
    ASSERT_NE(hub.m_pGameDLL, nullptr);
    EXPECT_STREQ(hub.m_sAxisCommand2.GetString(), "lookupdown");
    EXPECT_STREQ(hub.m_sAxisCommand3.GetString(), "turn");
    EXPECT_STREQ(hub.m_pGameItems->m_sBasePath.GetString(), "C:\\Base\\");

    hub.SetGameType(3);
    const char* type = hub.m_pGameDLL->GetProperty("GameType");
    ASSERT_NE(type, nullptr);
    EXPECT_STREQ(type, "Multiplayer");
    EXPECT_TRUE(headless::Shown().empty());
}

TEST_F(HubLoadsStandInTest, LoadingAgainReplacesTheBridgeWithoutRegisteringTwice) {
    tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), m_start / "Home");
    SGameObjects hub;
    hub.LoadGameDll();
    const int commands = hub.m_pGameItems->m_pCommands->GetHighWater();
    hub.LoadGameDll();
    EXPECT_EQ(hub.m_pGameItems->m_pCommands->GetHighWater(), commands);
    EXPECT_STREQ(hub.m_sAxisCommand3.GetString(), "turn");
}

TEST_F(HubLoadsStandInTest, MissingLibraryIsReportedWithTheSecondPath) {
    SGameObjects hub;
    EXPECT_THROW(hub.LoadGameDll(), CUserException);
    EXPECT_EQ(hub.m_pGameDLL, nullptr);
    const auto shown = headless::Shown();
    ASSERT_EQ(shown.size(), 1u);
    // The file this machine looked for, with its own separators and file name.
    EXPECT_EQ(shown[0].text, "Failed to load game DLL!\n" + m_start.string() + "/Home/VQ9Game.so");
}

}  // namespace
