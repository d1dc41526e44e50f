// A start from a multiplayer lobby takes the officer the lobby names from the officer file and
// tells the game library who it is; a name the file does not hold leaves no officer current.
// A "connect" start reuses the officer of its name, or makes one without writing the file; one
// whose map is not there stays on the main menu with that officer current on the officer pages.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "frontend/screens/SOfficerPage.h"
#include "sys/fs/fs.h"
#include "sys/profile.h"
#include "tests/app/AppTestSupport.h"

namespace {

class OfficerLobbyStartTest : public tarvex::test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SOfficerRecords::Install();
        setenv("RECORDGAME_LobbyLaunched", "1", 1);
    }
    void TearDown() override {
        unsetenv("RECORDGAME_LobbyLaunched");
        unsetenv("RECORDGAME_Hunter");
        AppTest::TearDown();
    }
    void WriteOfficers(const char* boMap = "") {
        SHunterInfoList officers;
        officers.AddTail(new SHunterInfo("Al"));
        auto* bo = new SHunterInfo("Bo");
        bo->SetMapFile(boMap);
        bo->m_Bio.m_sAge = "30", bo->m_Bio.m_sCity = "Oslo", bo->m_Bio.m_sState = "OS", bo->m_Bio.m_sEmail = "bo@x";
        officers.AddTail(bo);
        officers.SetModified();
        ASSERT_TRUE(officers.Save((Home() / "player.cfg").string().c_str(), SHunterInfoList::kSaveFailedText));
    }
};

TEST_F(OfficerLobbyStartTest, TheLobbysOfficerBecomesCurrent) {
    const struct {
        const char* hunter;  // null: the lobby names none
        const char* current;
    } cases[] = {{"Bo", "Bo"}, {"bo", nullptr}, {nullptr, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hunter != nullptr ? c.hunter : "(none)");
        WriteOfficers();
        if (c.hunter != nullptr)
            setenv("RECORDGAME_Hunter", c.hunter, 1);
        else
            unsetenv("RECORDGAME_Hunter");
        ASSERT_TRUE(MakeApp().InitInstance());
        ASSERT_NE(m_hub->m_pPlayerList, nullptr);
        EXPECT_EQ(m_hub->m_pPlayerList->GetCount(), 2);
        EXPECT_EQ(m_hub->m_iGameType, 3);
        const std::string log = LibraryLog();
        EXPECT_NE(log.find("SetProperty(ServerType,TCP)"), std::string::npos);
        if (c.current == nullptr) {
            EXPECT_EQ(m_hub->m_pCurrentPlayer, nullptr);
        } else {
            ASSERT_NE(m_hub->m_pCurrentPlayer, nullptr);
            EXPECT_EQ(m_hub->m_pCurrentPlayer->m_sName, c.current);
            EXPECT_NE(log.find("SetProperty(PlayerAge,30);SetProperty(PlayerLocation,Oslo, OS\n);"
                               "SetProperty(PlayerEmail,bo@x)"),
                      std::string::npos)
                << log;
        }
        m_app->ExitInstance();
        m_app.reset();
        m_hub.reset();
        std::filesystem::current_path(m_folder);
    }
}

class ConnectOfficerTest : public OfficerLobbyStartTest {
protected:
    void SetUp() override {
        OfficerLobbyStartTest::SetUp();
        unsetenv("RECORDGAME_LobbyLaunched");
    }
};

TEST_F(ConnectOfficerTest, AJoinReusesTheNamedOfficerOrMakesOne) {
    const struct {
        const char* name;
        int count;
        bool changed;
        const char* map = "";  // Bo's
    } cases[] = {{"Bo", 2, false}, {"\"Cy\"", 3, true}, {"Bo", 2, false, "Levels\\Gone.gmx"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteOfficers(c.map);
        sys::profile::WriteString(sys::profile::Kind::Application, "Settings", "LastPlayer", "Al");
        const std::string file = (Home() / "player.cfg").string();
        const auto before = std::filesystem::file_size(file);
        tarvex::test::RecordingApp& app = MakeApp(std::string("-connect:10.0.0.1 -name:") + c.name);
        app.m_bRunStarts = true;
        ASSERT_TRUE(app.InitInstance());
        ASSERT_NE(m_hub->m_pPlayerList, nullptr);
        EXPECT_EQ(m_hub->m_pPlayerList->GetCount(), c.count);
        EXPECT_EQ(m_hub->m_pPlayerList->IsModified(), c.changed);
        ASSERT_NE(m_hub->m_pCurrentPlayer, nullptr);
        const char* expected = c.count == 2 ? "Bo" : "Cy";
        EXPECT_EQ(m_hub->m_pCurrentPlayer->m_sName, expected);
        EXPECT_EQ(m_hub->m_pPlayerList->FindByName(expected), m_hub->m_pCurrentPlayer);
        EXPECT_EQ(std::filesystem::file_size(file), before);
        const bool stays = c.map[0] != '\0';
        EXPECT_EQ(LibraryLog().find("SetProperty(Join,") == std::string::npos, stays) << LibraryLog();
        // Al was chosen before; the officer pages now open on the one who joined.
        EXPECT_EQ(sys::profile::GetString(sys::profile::Kind::Application, "Settings", "LastPlayer", ""), expected);
        EXPECT_EQ(m_hub->m_pPlayerList->GetRecord(officer_page::FindLastPlayer(m_hub->m_pPlayerList)),
                  m_hub->m_pCurrentPlayer);
        m_app->ExitInstance();
        m_app.reset();
        m_hub.reset();
        std::filesystem::current_path(m_folder);
    }
}

}  // namespace
