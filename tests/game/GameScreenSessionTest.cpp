// The in-game screen driving our stand-in library through a target-range session: the set-up
// starts the session and the heads-up display appears, EXIT ends it, and the leave clears it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/SGameDLL.h"
#include "app/SClientInfo.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/CConfigData.h"
#include "app/CSoundData.h"
#include "app/SConsoleHostImpl.h"
#include "app/SGameScreenLink.h"
#include "app/actors/SActorWorld.h"
#include "core/SDataCollection.h"
#include "frontend/hud/SAppLayout.h"
#include "frontend/screens/SGameScreen.h"
#include "render/SD3D6Parser.h"
#include "sys/time/time.h"
#include "tests/app/GameLibraryTestSupport.h"
#include "tests/support/ProcessHubGuard.h"
#include "ui/SDC.h"

namespace {

// Keeps the lines written to it.
class LineRecorder : public SDC {
public:
    void TextOut(int x, int y, const char* text, int count) override
    {
        lines.push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::string(text, count));
    }
    std::vector<std::string> lines;
};

// The heads-up layout's doors to the view actor, opened for the test.
class ViewLayout : public SAppLayout {
public:
    using SAppLayout::SAppLayout;
    using SAppLayout::HasViewActor;
    using SAppLayout::ReadViewpoint;
};

class GameScreenSessionTest : public tarvex::test::GameLibraryTest {
protected:
    void SetUp() override
    {
        GameLibraryTest::SetUp();
        const std::string path =
            tarvex::test::PlaceGameLibrary(LibraryToLoad(), std::filesystem::path(m_folder) / "lib");
        RestoreLibraryState();
        m_hub->m_pGameDLL = new SGameDLL(path.c_str());
        // The range reads its boards from the demo's Home folder.
        m_hub->m_pGameDLL->HandOver(m_hub->m_pGameItems, SString(DemoHome().c_str()));
    }
    void TearDown() override
    {
        delete m_hub->m_pGameDLL;
        m_hub->m_pGameDLL = nullptr;
        RestoreLibraryState();
        GameLibraryTest::TearDown();
    }
    static std::string DemoHome() { return (std::filesystem::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home").string(); }
    virtual std::string LibraryToLoad() const { return tarvex::test::StandInGameLibrary(); }
    // Unloading a library takes the client state and the worlds with it; the process's hub
    // gets them back as a fresh hub has them.
    void RestoreLibraryState()
    {
        SGameItems* items = m_hub->m_pGameItems;
        if (items->m_pClientInfo == nullptr)
            items->ResetClientInfo();
        for (SActorWorld*& world : items->m_pWorld) {
            if (world == nullptr)
                world = new SActorWorld();
        }
    }

    SGameObjects* m_hub = SGameObjects::Instance();
    tarvex::test::ProcessHubGuard m_hubGuard;
};

TEST_F(GameScreenSessionTest, ASessionStartsWithItsDisplayAndEndsOnExit) {
    SGameDLL* library = m_hub->m_pGameDLL;
    SGameScreen screen;
    screen.Activate();
    EXPECT_EQ(SGameScreenLink::Current(), &screen);
    EXPECT_EQ(library->GetState(), 7);
    EXPECT_EQ(screen.GetEndState(), -1);
    EXPECT_EQ(screen.GetActiveLayouts().size(), 1u);  // the heads-up display
    EXPECT_STREQ(library->GetProperty("MusicLevelEnabled"), m_hub->m_pConfig->m_pSound->m_bMusic != 0 ? "1" : "0");

    const int fire = m_hub->m_pGameItems->m_pCommands->FindByName("fire");
    library->DoCommand(fire, 0, nullptr);
    screen.Update();  // the session goes on
    EXPECT_EQ(library->GetState(), 7);

    m_hub->m_pConsoleHost->EndGame();  // what EXIT does while this screen is current
    EXPECT_EQ(library->GetState(), 11);  // play stops and the results are shown
    EXPECT_EQ(screen.GetEndState(), 0);
    screen.Update();  // the session goes on while its results are shown
    m_hub->m_pConsoleHost->EndGame();  // and ends when EXIT comes again
    EXPECT_EQ(library->GetState(), 0);
    EXPECT_EQ(screen.GetEndState(), 0);
    screen.Update();  // the end state is reached: the screen leaves (no manager here)

    screen.Deactivate();
    EXPECT_EQ(SGameScreenLink::Current(), nullptr);
    EXPECT_TRUE(screen.GetActiveLayouts().empty());
    EXPECT_EQ(screen.GetViewModel(), nullptr);
}

TEST_F(GameScreenSessionTest, TargetsStandAheadAndEachShotScoresTheRegionItLandsIn) {
    // The demo's target texture; the officer's eye is 1.7 m up, the boards (2 m tall, their
    // regions given as fractions of the board from its top) stand 20 m ahead on level ground.
    SGameDLL* library = m_hub->m_pGameDLL;
    SGameScreen screen;
    screen.Activate();
    ASSERT_EQ(library->GetState(), 7);
    SActorWorld* world = m_hub->m_pGameItems->m_pWorld[0];
    EXPECT_EQ(world->CountByName("Target"), 5);

    // The heads-up display looks through the officer's eyes.
    ViewLayout layout(m_hub);
    float position[3] = {};
    float angles[3] = {};
    ASSERT_TRUE(layout.HasViewActor());
    ASSERT_TRUE(layout.ReadViewpoint(position, angles));
    EXPECT_FLOAT_EQ(position[0], 4096.0f);
    EXPECT_FLOAT_EQ(position[1], 1.7f);
    EXPECT_FLOAT_EQ(position[2], 4096.0f);

    SDataCollection* commands = m_hub->m_pGameItems->m_pCommands;
    const int fire = commands->FindByName("fire");
    const int tilt = commands->FindByName("lookupdown");
    const int turn = commands->FindByName("turn");
    const struct {
        const char* tilt;
        const char* turn;
        const char* region;
        const char* hits;
        const char* score;
    } shots[] = {
        {"0", "0", "Head", "1", "5"},         // 0.15 down the board
        {"-1.86", "0", "Centre", "2", "15"},  // 1.7 - 20 tan 1.86 = 1.05 m: 0.475 down
        {"-30", "0", "", "2", "15"},          // the ground short of the board
        {"31.86", "8.53", "Head", "3", "20"}, // level again, 3 m to the right: the next board
        {"0", "4", "", "3", "20"},            // between two boards
    };
    for (const auto& shot : shots) {
        library->DoCommand(tilt, 2, shot.tilt);  // as typed at the console: degrees at once
        library->DoCommand(turn, 2, shot.turn);
        library->DoCommand(fire, 0, nullptr);
        EXPECT_STREQ(library->GetProperty("LastRegion"), shot.region) << shot.tilt << " " << shot.turn;
        EXPECT_STREQ(library->GetProperty("Hits"), shot.hits) << shot.tilt << " " << shot.turn;
        EXPECT_STREQ(library->GetProperty("Score"), shot.score) << shot.tilt << " " << shot.turn;
    }

    // Once the session is over the client state names no actor the host may clear.
    m_hub->m_pConsoleHost->EndGame();
    EXPECT_TRUE(layout.HasViewActor());  // the results are shown over the range
    m_hub->m_pConsoleHost->EndGame();
    EXPECT_FALSE(layout.HasViewActor());
    screen.Deactivate();
}

// A level whose board files are cut short, or whose layouts nest deeper than a layout may, does
// not start; the library names the file and why.
TEST_F(GameScreenSessionTest, DamagedBoardFilesStopTheLevelAndAreNamed) {
    const struct {
        const char* file;
        const char* why;
    } cases[] = {
        {"Models/Range/target.ssm", "it is damaged or incomplete."},
        {"Models/Range/target.stx", "Unable to load from data source."},
        {"Layouts/hud.lay", "its blocks nest more than 64 deep."},
        {"Layouts/results.lay", "its blocks nest more than 64 deep."},
    };
    for (const auto& c : cases) {
        const std::filesystem::path home = std::filesystem::path(m_folder) / "Damaged";
        std::filesystem::remove_all(home);
        std::filesystem::create_directories(home / "Models");
        std::filesystem::copy(std::filesystem::path(DemoHome()) / "Models" / "Range", home / "Models" / "Range");
        std::filesystem::copy(std::filesystem::path(DemoHome()) / "Layouts", home / "Layouts");
        const std::filesystem::path damaged = home / c.file;
        if (damaged.extension() == ".lay") {
            std::ofstream deep(damaged, std::ios::trunc);
            for (int i = 0; i <= SLayout::kMaxNesting; ++i)
                deep << "group(0,0,xr,yb)\n";
        } else {
            std::filesystem::resize_file(damaged, std::filesystem::file_size(damaged) / 2);
        }
        m_hub->m_pGameItems->m_sBasePath = home.string().c_str();

        SGameDLL* library = m_hub->m_pGameDLL;
        SGameScreen screen;
        screen.Activate();
        EXPECT_NE(library->GetState(), 7) << c.file;
        char error[1024] = {};
        library->GetLastSessionError(error, sizeof(error));
        const std::string named = home.string() + "/" + c.file + " could not be read: ";
        EXPECT_NE(std::string(error).find(named + c.why), std::string::npos) << error;
        screen.Deactivate();
    }
}

TEST_F(GameScreenSessionTest, HeldAxesAndKeysTurnTheAimEveryFrameUntilReleased) {
    SGameDLL* library = m_hub->m_pGameDLL;
    SGameScreen screen;
    screen.Activate();
    ViewLayout layout(m_hub);
    SDataCollection* commands = m_hub->m_pGameItems->m_pCommands;
    const auto yawAfterTwoFrames = [&](const char* command, int state, const char* amount) {
        library->DoCommand(commands->FindByName(command), state, amount);
        screen.Update();
        screen.Update();
        float position[3] = {};
        float angles[3] = {};
        EXPECT_TRUE(layout.ReadViewpoint(position, angles));
        return angles[1];
    };
    // An axis step is 0.003 degree a frame, a held key a degree and a half.
    EXPECT_NEAR(yawAfterTwoFrames("turn", 0, "1000"), 6.0f, 1e-3f);
    EXPECT_NEAR(yawAfterTwoFrames("turn", 0, "-500"), 3.0f, 1e-3f);
    EXPECT_NEAR(yawAfterTwoFrames("turn", 1, ""), 3.0f, 1e-3f);
    EXPECT_NEAR(yawAfterTwoFrames("tright", 0, ""), 6.0f, 1e-3f);
    EXPECT_NEAR(yawAfterTwoFrames("tright", 1, ""), 6.0f, 1e-3f);
    EXPECT_NEAR(yawAfterTwoFrames("tleft", 0, ""), 3.0f, 1e-3f);
    EXPECT_NEAR(yawAfterTwoFrames("tleft", 1, ""), 3.0f, 1e-3f);

    // Leaving asks the host for EXIT: the results first, then the end.
    library->DoCommand(commands->FindByName("leave"), 0, "");
    EXPECT_EQ(library->GetState(), 11);
    library->DoCommand(commands->FindByName("leave"), 1, "");  // the key coming up does nothing
    EXPECT_EQ(library->GetState(), 11);
    library->DoCommand(commands->FindByName("leave"), 0, "");
    EXPECT_EQ(library->GetState(), 0);
    screen.Deactivate();
}

TEST_F(GameScreenSessionTest, TheClientDebugBlockShowsTheClientTheHubNames) {
    SGameScreen screen;
    screen.Activate();
    const struct {
        int index;
        std::vector<std::string> lines;
    } cases[] = {
        {-1, {}},
        {5, {}},  // no client of that id
        // The range stands the officer at the map's centre; without a scene the ground is 0.
        {0,
         {"15,45 Identifier: Officer", "15,60 Physics: 0 (WLK)",
          "15,75 Hunter: Officer Pos: [4096.00000,    0.00000, 4096.00000] Child of: none",
          "15,90 Eyes: Eyes Pos: [4096.00000,    0.00000, 4096.00000] Child of: none", "15,105 Commanding: NULL!", "15,120 ControlPos: NULL!", "15,135 ControlYaw: NULL!",
          "15,150 ControlPitch: NULL!"}},
    };
    m_hub->m_pGameItems->m_pClientInfo->m_iClientId = 0;
    m_hub->m_pGameItems->m_pClientInfo->m_iMoveMode = 0;
    for (const auto& c : cases) {
        m_hub->m_iClientIndex = c.index;
        LineRecorder dc;
        screen.Update(reinterpret_cast<uintptr_t>(&dc));
        EXPECT_EQ(dc.lines, c.lines) << c.index;
    }
    m_hub->m_iClientIndex = -1;
    screen.Deactivate();
}

// The library's overlay commands switch the renderer's own overlay switches through the host;
// each session starts with them off, and the heads-up range items read the client's samples.
TEST_F(GameScreenSessionTest, TheLibrarysOverlaysAndRangeReachTheRendererAndTheDisplay) {
    SGameDLL* library = m_hub->m_pGameDLL;
    SDataCollection* commands = m_hub->m_pGameItems->m_pCommands;
    SGameScreen screen;
    const struct {
        const char* command;
        bool* on;
    } overlays[] = {{"nightvision", &SD3D6Parser::s_bNightVision},
                    {"sight", &SD3D6Parser::s_bCentredOverlay},
                    {"redflash", &SD3D6Parser::s_bRedFlash}};
    for (int session = 0; session < 2; ++session) {
        screen.Activate();
        ASSERT_EQ(library->GetState(), 7);
        EXPECT_EQ(SD3D6Parser::s_byDrawAllObjects, 1);
        EXPECT_EQ(SD3D6Parser::s_bHitTestAllCells, 1);
        for (const auto& overlay : overlays) {
            const int index = commands->FindByName(overlay.command);
            ASSERT_GE(index, 0) << overlay.command;
            EXPECT_FALSE(*overlay.on) << overlay.command;
            library->DoCommand(index, 0, nullptr);  // pressed
            library->DoCommand(index, 1, nullptr);  // released: no change
            EXPECT_TRUE(*overlay.on) << overlay.command;
            if (session == 0) {
                library->DoCommand(index, 2, nullptr);  // typed at the console
                EXPECT_FALSE(*overlay.on) << overlay.command;
                library->DoCommand(index, 2, nullptr);
            }
        }
        EXPECT_EQ(SD3D6Parser::s_iCentredIndex, 0);
        EXPECT_FLOAT_EQ(SD3D6Parser::s_fCentredScale, 0.5f);
        screen.Deactivate();
    }

    screen.Activate();
    sys::time::SetFakeTicks(10000);
    SAppLayout::ResetSharedState();
    SClientInfo* client = m_hub->m_pGameItems->m_pClientInfo;
    client->ResetRanges();
    ViewLayout layout(m_hub);
    EXPECT_EQ(layout.GetText("crange", nullptr), "Range: ------");  // no sample yet
    EXPECT_EQ(layout.GetText("cping", nullptr), "0");
    client->m_iRanges[0] = 10;
    client->m_iRanges[3] = 21;
    client->m_bRangeChanged = 1;
    sys::time::AdvanceFake(250);
    EXPECT_EQ(layout.GetText("crange", nullptr), "Range: 15.00");
    EXPECT_EQ(layout.GetText("crangef", nullptr), "15.0");
    EXPECT_EQ(layout.GetText("cping", nullptr), "15");
    screen.Deactivate();
    SAppLayout::ResetSharedState();
    SD3D6Parser::s_byDrawAllObjects = 0;
    SD3D6Parser::s_bHitTestAllCells = 0;
    SD3D6Parser::s_bSecondModelMark = 0;
}

// A library whose session commands fail when their argument is 0.
class FailingSessionTest : public GameScreenSessionTest {
protected:
    std::string LibraryToLoad() const override { return tarvex::test::RecordGameLibrary(); }
};

TEST_F(FailingSessionTest, AFailingLibraryCostsOneFrameAndLeavesTheLockFree) {
    SGameScreen screen;
    screen.Activate();  // the session start fails: reported, and the screen stays usable
    EXPECT_EQ(screen.GetEndState(), -1);
    LineRecorder dc;
    EXPECT_NO_THROW(screen.Draw(&dc));  // the frame's closing command fails
    EXPECT_NO_THROW(screen.EndGame());
    int shown = -1;
    std::thread library([&] { shown = screen.ShowLayout(0, 2); });
    library.join();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(screen.GetActiveLayouts().size(), 1u);
    screen.Deactivate();
}

}  // namespace
