// The console on the real hub: ALIAS and BIND through the input object's own rules, SET and
// LIST through the configuration and the variable store, aliases run by the input object, and
// the commands that need a service the program does not have at that moment.

#include <gtest/gtest.h>

#include <vector>

#include <filesystem>
#include <string>

#include "app/CConfigData.h"
#include "app/CSoundData.h"
#include "app/SConsoleHostImpl.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "core/SObjectDef.h"
#include "dx/input/SInputObj.h"
#include "render/SD3D6Parser.h"
#include "sys/input/input.h"
#include "sys/profile.h"
#include "tests/app/GameLibraryTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class ConsoleHostTest : public testing::Test {
protected:
    void SetUp() override {
        m_saved = fs::current_path();
        m_folder = tarvex::test::MakeScratchFolder("ConsoleHost");
        sys::profile::SetFile(m_folder + "/profile.ini");
        fs::create_directory(m_folder + "/Home");
        fs::current_path(m_folder);
        m_pHub = new SGameObjects;
    }
    void TearDown() override {
        delete m_pHub;
        fs::current_path(m_saved);
        sys::profile::SetFile("");
    }

    bool Handled(const char* line) {
        SString out;
        return m_pHub->m_pInterpreter->ExecuteLine(SString(line), out);
    }
    std::string Run(const char* line) {
        SString out;
        m_pHub->m_pInterpreter->ExecuteLine(SString(line), out);
        return out.GetString();
    }
    SInputObj& Input() { return *m_pHub->m_pInput; }

    fs::path m_saved;
    std::string m_folder;
    SGameObjects* m_pHub = nullptr;
};

}  // namespace

TEST_F(ConsoleHostTest, AliasRoundTripThroughTheInputObject) {
    EXPECT_EQ(Run("alias runjump \"+run;+forward;wait 200;jump\" \"Run And Jump\""), "");
    const int index = Input().FindCommand("runjump");
    ASSERT_GE(index, 0);
    EXPECT_EQ(Input().GetAliasCount(index), 4);
    EXPECT_STREQ(Input().GetAlias(index, 2).GetString(), "wait 200");
    EXPECT_EQ(Run("alias RUNJUMP"), "Run And Jump: +run;+forward;wait 200;jump");
}

TEST_F(ConsoleHostTest, AliasLoopIsRefusedByTheInputObject) {
    EXPECT_EQ(Run("alias first \"second\""), "");
    EXPECT_EQ(Run("alias second \"jump;first\""), "Could not alias: first ");
    EXPECT_EQ(Run("alias second"), "jump");
    // Typed with blanks after the separators, the steps still run as "sb" and "sa".
    EXPECT_EQ(Run("alias sa \"x; sb\""), "");
    EXPECT_EQ(Run("alias sb \"y; sa\""), "Could not alias: sa ");
}

TEST_F(ConsoleHostTest, AliasLineQueuesItsSteps) {
    Run("alias runjump \"+run;jump;-run\"");
    EXPECT_EQ(Input().GetQueuedStepCount(), 0);
    Run("runjump");
    EXPECT_EQ(Input().GetQueuedStepCount(), 3);
}

TEST_F(ConsoleHostTest, BindRoundTripThroughTheInputObject) {
    EXPECT_EQ(Run("bind space \"+jump\" \"Jump\""), "");
    const int index = Input().FindCommandByCodes(sys::input::DIK_SPACE, -1, -1);
    ASSERT_GE(index, 0);
    EXPECT_STREQ(Input().GetCommand(index)->m_sName.GetString(), "+jump");
    EXPECT_EQ(Run("bind SPACE"), "Jump: +jump");

    EXPECT_EQ(Run("bind mouse3 \"+run;jump\""), "");
    EXPECT_GE(Input().FindCommandByCodes(-1, 2, -1), 0);
    EXPECT_EQ(Run("bind mouse3"), "+run;jump");

    Run("bind joy5 \"duck\"");
    EXPECT_GE(Input().FindCommandByCodes(-1, -1, 4), 0);
}

TEST_F(ConsoleHostTest, BindRefusesUnknownInputsAndShowsUsage) {
    EXPECT_EQ(Run("bind mouse9 \"jump\""), "Input 'mouse9' not recognized.");
    EXPECT_EQ(Run("bind mouse2"), "Usage: BIND input [\"command1;command2;...\"] [\"display name\"]");
}

TEST_F(ConsoleHostTest, UnboundListsRealCommands) {
    Run("alias lonely \"jump\"");
    EXPECT_EQ(Run("unbound"), "lonely ");
}

TEST_F(ConsoleHostTest, SetGoesThroughTheConfiguration) {
    // The sound section clamps snd_3dresolution to 0..100.
    EXPECT_EQ(Run("set snd_3dresolution \"150\""), "");
    EXPECT_EQ(Run("set snd_3dresolution"), "snd_3dresolution is \"100\"");
    EXPECT_EQ(Run("set no_such_setting"), "no_such_setting not found.");
}

TEST_F(ConsoleHostTest, SetOfApplicationVariableSwitchesTheHubsOverlays) {
    Run("set APP_FPS \"1\"");
    Run("set APP_CLIENT \"2\"");
    EXPECT_EQ(m_pHub->m_bShowFps, 1);
    EXPECT_EQ(m_pHub->m_bShowInput, 0);
    EXPECT_EQ(m_pHub->m_iClientIndex, 2);
}

TEST_F(ConsoleHostTest, SetShowsLibrarySettings) {
    m_pHub->m_pGameItems->m_pTable1->SetOrAppend("g_difficulty", "hard", 0);
    EXPECT_EQ(Run("set g_difficulty"), "g_difficulty is \"hard\"");
}

TEST_F(ConsoleHostTest, ListsFromTheRealTables) {
    const std::string inputs = Run("list inputs");
    EXPECT_EQ(inputs.rfind("0 1 2 3 4 5 6 7 8 9 a b ", 0), 0u);
    EXPECT_NE(inputs.find(" space "), std::string::npos);
    EXPECT_NE(inputs.find(" mouse1 mouse2 mouse3 joy1 "), std::string::npos);
    EXPECT_NE(inputs.find(" joy32 "), std::string::npos);

    EXPECT_EQ(Run("list settings").rfind("cfg_sysprofile ", 0), 0u);

    m_pHub->m_pGameItems->m_pCommands->SetOrAppend("Fire", "1", 0);
    m_pHub->m_pGameItems->m_pCommands->SetOrAppend("Reload", "0", 0);
    EXPECT_EQ(Run("list cmds"), "fire reload");
}

TEST_F(ConsoleHostTest, GameCommandWithoutLibraryIsHandledQuietly) {
    m_pHub->m_pGameItems->m_pCommands->SetOrAppend("fire", "1", 0);
    SString out;
    EXPECT_TRUE(m_pHub->m_pInterpreter->ExecuteLine(SString("+fire"), out));
    EXPECT_FALSE(m_pHub->m_pInterpreter->ExecuteLine(SString("say hello"), out));
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(ConsoleHostTest, ServicesNotYetPresentDoNothing) {
    m_pHub->m_pGameItems->m_pCommands->SetOrAppend("shoot", "6", 0);
    EXPECT_EQ(Run("parser shot 10"), "");
    EXPECT_EQ(Run("parser log"), "");
    EXPECT_EQ(Run("exit"), "");
    EXPECT_EQ(Run("object crate"), "");
    EXPECT_EQ(Run("shoot"), "");
    Run("sound show");
    EXPECT_EQ(m_pHub->m_bShowSoundStats, 1);
}

TEST_F(ConsoleHostTest, HostFollowsTheHubsCurrentInputObject) {
    // The default-binding merge swaps a scratch input object in; the console must see it.
    SInputObj scratch;
    SInputObj* live = m_pHub->m_pInput;
    m_pHub->m_pInput = &scratch;
    Run("alias inscratch \"jump\"");
    m_pHub->m_pInput = live;
    EXPECT_GE(scratch.FindCommand("inscratch"), 0);
    EXPECT_LT(live->FindCommand("inscratch"), 0);
}

TEST_F(ConsoleHostTest, DispatchReachesTheStandInLibrary) {
    tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), m_folder + "/Home");
    m_pHub->LoadGameDll();
    SGameDLL* library = m_pHub->m_pGameDLL;
    ASSERT_NE(library, nullptr);

    EXPECT_EQ(Run("+fire  at will"), "");
    EXPECT_STREQ(library->GetProperty("LastCommand"), "fire");
    EXPECT_STREQ(library->GetProperty("LastCommandState"), "0");
    EXPECT_STREQ(library->GetProperty("LastCommandArguments"), " at will");
    EXPECT_EQ(Run("-FIRE"), "");
    EXPECT_STREQ(library->GetProperty("LastCommandState"), "1");

    // An object block takes every line, built-in names included, until it closes.
    EXPECT_TRUE(Handled("object Crate:Prop"));
    EXPECT_FALSE(Handled("{"));
    EXPECT_FALSE(Handled("set Points 5"));
    EXPECT_FALSE(Handled("}"));
    SObjectDef* crate = library->GetObjectList()->FindByName("Crate");
    ASSERT_NE(crate, nullptr);
    EXPECT_EQ(crate->GetIntByName("Points"), 5);
    // Closed again: SET is the built-in once more.
    EXPECT_EQ(Run("set snd_3dresolution \"75\""), "");
    EXPECT_EQ(Run("set snd_3dresolution"), "snd_3dresolution is \"75\"");

    // Lines nobody else knows are the library's, and count as handled.
    EXPECT_TRUE(Handled("say hello"));
    // The library keeps its client count among its settings.
    EXPECT_NE(Run("list settings").find(" Clients"), std::string::npos);
}

TEST_F(ConsoleHostTest, ObjectCommandsEndWithGameInitialization) {
    tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), m_folder + "/Home");
    m_pHub->LoadGameDll();
    m_pHub->m_pGameItems->m_iFlag = 0;
    EXPECT_EQ(Run("object Crate:Prop"), "Object commands are disabled after game initialization");
    EXPECT_EQ(m_pHub->m_pGameDLL->ObjectParseIsParsing(), 0);
}

namespace {

// A renderer that counts its status logs and its deletion.
class ProbeRenderer : public SD3D6Parser {
public:
    explicit ProbeRenderer(int* deleted) : m_pDeleted(deleted) {}
    ~ProbeRenderer() override { ++*m_pDeleted; }
    int LogTextureState() override {
        ++logs;
        return SD3D6Parser::LogTextureState();
    }
    void SetViewRange(int radius, float lift, uint32_t fogNear, uint32_t fogFar) override {
        range = {static_cast<float>(radius), lift, static_cast<float>(fogNear), static_cast<float>(fogFar)};
    }
    int logs = 0;
    std::vector<float> range;

private:
    int* m_pDeleted;
};

TEST_F(ConsoleHostTest, ParserReachesTheGameItemsRendererWhichTheyEndAndDelete) {
    int deleted = 0;
    auto* renderer = new ProbeRenderer(&deleted);
    m_pHub->SetParser(renderer);
    EXPECT_TRUE(m_pHub->m_pConsoleHost->HasRenderer());
    EXPECT_EQ(Run("parser LOG"), "");
    EXPECT_EQ(renderer->logs, 1);
    EXPECT_EQ(Run("parser shot 10"), "");
    EXPECT_EQ(renderer->range, (std::vector<float>{10.0f, 1000.0f, 2000.0f, 20000.0f}));

    // The cursor point's completion asks the renderer for its viewport and view ray.
    renderer->SetViewRects(0, 0, 640, 480, 0, 0, 640, 480);
    renderer->SetViewPosition(8.0f, 16.0f, 24.0f);
    int viewport[4] = {};
    ASSERT_TRUE(m_pHub->m_pConsoleHost->GetViewport(viewport));
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    float eye[3], direction[3];
    ASSERT_TRUE(m_pHub->m_pConsoleHost->GetViewRay(320, 240, eye, direction));
    EXPECT_FLOAT_EQ(eye[2], 24.0f);
    EXPECT_NEAR(direction[2], 1.0f, 1e-5);

    SModelViewInfo view;
    ASSERT_EQ(renderer->InitSession(1, &view, 0), 1);
    m_pHub->m_pGameItems->EndParserSession();
    EXPECT_EQ(renderer->m_iSessionMode, 0);
    EXPECT_EQ(renderer->m_bSessionReady, 0);

    m_pHub->m_pGameItems->ReleaseParser();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(m_pHub->m_pGameItems->m_pParser, nullptr);
    EXPECT_FALSE(m_pHub->m_pConsoleHost->HasRenderer());
}

}  // namespace
