// The "connect" and "dedicated" starts on the headless platform: the properties the recording
// game library receives, in order, the display options of a server and the screen each start
// goes to.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <utility>
#include <string>
#include <vector>

#include "app/SFrontEndHooks.h"
#include "app/SGameItems.h"
#include "app/SHostCallbacks.h"
#include "app/actors/SActorWorld.h"
#include "dx/display/SGraphics.h"
#include "render/SD3D6Parser.h"
#include "sys/time/time.h"
#include "sys/window/window.h"
#include "tests/app/AppTestSupport.h"

namespace {

using tarvex::test::AppTest;

class ScreenRecorder : public SFrontEndHooks {
public:
    void SwitchScreen(SGameObjects*, int id) override { m_screens.push_back(id); }
    // The window is closed in the pass that reaches the count.
    void UpdateScreen(SGameObjects*) override {
        if (++m_iUpdates == m_iCloseAfter)
            sys::window::headless::InjectClose();
    }
    std::vector<int> m_screens;
    int m_iUpdates = 0;
    int m_iCloseAfter = 0;
};

class SessionStartTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SFrontEndHooks::Install(&m_hooks);
    }
    void TearDown() override {
        AppTest::TearDown();
        SFrontEndHooks::Install(nullptr);
    }
    void Start(const std::string& commandLine) {
        m_hooks.m_screens.clear();
        RecordingApp& app = MakeApp(commandLine);
        app.m_bRunStarts = true;
        ASSERT_TRUE(app.InitInstance());
    }
    // The properties set from the one named `first` on, as "name=value;" entries.
    std::string PropertiesFrom(const std::string& first) const {
        const std::string log = LibraryLog();
        std::string out;
        size_t at = log.find("SetProperty(" + first + ",");
        while (at != std::string::npos) {
            const size_t open = at + 12;
            const size_t end = log.find(");", open);
            std::string entry = log.substr(open, end - open);
            entry[entry.find(',')] = '=';
            out += entry + ";";
            at = log.find("SetProperty(", end);
        }
        return out;
    }

    using RecordingApp = tarvex::test::RecordingApp;
    ScreenRecorder m_hooks;
};

TEST_F(SessionStartTest, ConnectJoinsWithTheNamedOfficerAndGoesToTheGame) {
    struct Case {
        const char* commandLine;
        const char* properties;
    };
    const Case cases[] = {
        {"-connect:10.0.0.1:7777 -name:\"Jane Doe\" -password:\"secret\"",
         "Join=10.0.0.1;Hunter=Jane Doe;ServerType=TCP;Password=secret;ServerQueryPort=7777;GameType=Multiplayer;"},
        {"-connect:host.example -name:Jim", "Join=host.example;Hunter=Jim;ServerType=TCP;GameType=Multiplayer;"},
    };
    for (const Case& c : cases) {
        Start(c.commandLine);
        EXPECT_EQ(PropertiesFrom("Join"), c.properties) << c.commandLine;
        EXPECT_EQ(m_hub->m_iGameType, 3);
        EXPECT_EQ(m_hooks.m_screens, std::vector<int>{11}) << c.commandLine;
        TearDown();
        SetUp();
    }
}

TEST_F(SessionStartTest, ALobbyStartGoesStraightToTheGame) {
    setenv("RECORDGAME_LobbyLaunched", "1", 1);
    Start("");
    unsetenv("RECORDGAME_LobbyLaunched");
    EXPECT_EQ(m_hub->m_iGameType, 3);
    EXPECT_EQ(m_hooks.m_screens, std::vector<int>{11});
}

TEST_F(SessionStartTest, ConnectWithoutANameOrServerDoesNothing) {
    for (const char* commandLine : {"-connect:10.0.0.1", "-connect::80 -name:Jim"}) {
        Start(commandLine);
        EXPECT_EQ(PropertiesFrom("Join"), "") << commandLine;
        EXPECT_EQ(m_hub->m_iGameType, 0);
        EXPECT_TRUE(m_hooks.m_screens.empty()) << commandLine;
        TearDown();
        SetUp();
    }
}

TEST_F(SessionStartTest, DedicatedSendsItsOptionsOrTheirDefaultsAndDropsDirect3D) {
    struct Case {
        const char* commandLine;
        const char* properties;
    };
    const Case cases[] = {
        {"-dedicated",
         "ServerDedicated=1;Host=DedicatedHost;ServerType=TCP;MOTD=MOTD.txt;MaxPlayers=8;ServerCleanMode=0;"
         "ServerShootHunters=0;ServerFloodLimit=0;ServerGameType=0;ServerKillLimit=0;ServerTimeLimit=0;"
         "GameType=Multiplayer;"},
        {"-dedicated -time:14 -name:Range -password:pw -type:IPX -MOTD:hello.txt -srv_maxplayers:4 -srv_clean:1 "
         "-srv_death:-1 -srv_flood:3 -srv_game:2 -srv_kills:-1 -srv_time:30 -srv_log -srv_logfile:my.log -GameSpy",
         "ServerDedicated=1;HuntStartTime=14;Host=Range;password=pw;ServerType=IPX;MOTD=hello.txt;MaxPlayers=4;"
         "ServerCleanMode=1;ServerShootHunters=0;ServerFloodLimit=3;ServerGameType=2;ServerKillLimit=0;"
         "ServerTimeLimit=30;ServerLogFile=KR5Server.log;ServerLogFile=my.log;GameSpy=1;GameType=Multiplayer;"},
        {"-dedicated -srv_log", "ServerLogFile=KR5Server.log;GameType=Multiplayer;"},
    };
    for (const Case& c : cases) {
        Start(c.commandLine);
        const std::string properties = PropertiesFrom("ServerDedicated");
        EXPECT_TRUE(properties.ends_with(c.properties)) << c.commandLine << "\n" << properties;
        EXPECT_EQ(m_hub->m_iGameType, 2);
        ASSERT_NE(m_hub->m_pGraphics, nullptr);
        EXPECT_EQ(m_hub->m_pGraphics->GetUseDirect3D(), 0);
        EXPECT_EQ(m_hub->m_pGraphics->IsFullScreen(), 0);
        EXPECT_EQ(m_hooks.m_screens, std::vector<int>{11});
        TearDown();
        SetUp();
    }
}

TEST_F(SessionStartTest, DedicatedMapAndDateReachTheLevelRecordAndTheFirstWorld) {
    HostLevelInfo().m_sMapPath = "";
    std::filesystem::create_directories(Home() / "Maps");
    tarvex::test::WriteWholeFile((Home() / "Maps" / "Lake.map").string(), "map");
    Start("-dedicated -map:Lake.map -date:7/4/99");
    EXPECT_EQ(std::string(HostLevelInfo().m_sMapPath.GetString()),
              std::string(m_hub->m_sBasePath.GetString()) + "\\Maps\\Lake.map");
    ASSERT_NE(m_hub->m_pGameItems, nullptr);
    ASSERT_NE(m_hub->m_pGameItems->m_pWorld[0], nullptr);
    const CTime& date = m_hub->m_pGameItems->m_pWorld[0]->m_Date;
    EXPECT_EQ(date.GetYear(), 1999);
    EXPECT_EQ(date.GetMonth(), 7);
    EXPECT_EQ(date.GetDay(), 4);
    HostLevelInfo().m_sMapPath = "";
}

// An idle dedicated server sleeps out the rest of each step, a fifth of a second, between its
// passes; any other start never waits. The fake clock moves only by the sleeps.
TEST_F(SessionStartTest, AnIdleDedicatedServerSleepsBetweenItsSteps) {
    for (const auto& [commandLine, slept] : {std::pair{"-dedicated", 3u * 200u}, std::pair{"", 0u}}) {
        Start(commandLine);
        m_hooks.m_iUpdates = 0;
        m_hooks.m_iCloseAfter = 3;
        const uint32_t start = sys::time::TickCount();
        EXPECT_EQ(m_app->Run(), 0);
        EXPECT_EQ(sys::time::TickCount() - start, slept) << commandLine;
        TearDown();
        SetUp();
    }
}

}  // namespace
