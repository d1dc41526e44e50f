// The hub: what construction reads and builds, the start in "Home", the officer-file copy,
// the catalog's folders, scenario and game types, the axis commands and the default-binding
// merge. Every test runs in a scratch folder with a profile file of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/CSystemData.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCatalog.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "dx/input/SInputObj.h"
#include "dx/sound/SSound.h"
#include "render/outdoor/SRendererCatalogAdapter.h"
#include "render/parser/SParser.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/window/headless/headless_dialogs.h"
#include "sys/profile.h"
#include "tests/app/ConfigTestSupport.h"
#include "tests/app/GameLibraryTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "ui/SWindow.h"

namespace {

namespace fs = std::filesystem;
using sys::profile::Kind;
using tarvex::test::ReadWholeFile;
using tarvex::test::WriteWholeFile;

class HubTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = tarvex::test::MakeScratchFolder("HubTest");
        sys::profile::SetFile(m_folder + "/profile.ini");
        fs::create_directory(Home());
        fs::current_path(m_folder);
    }

    std::string Home() const { return m_folder + "/Home"; }
    static void SetProfileText(const char* key, const char* value) {
        ASSERT_TRUE(sys::profile::WriteString(Kind::Application, "Settings", key, value));
    }
    // Reads an officer file as raw bytes, standing in for the officer list.
    static std::string ReadAllThrough(CArchive& archive) {
        std::string bytes;
        char buffer[64];
        for (unsigned n; (n = archive.Read(buffer, sizeof(buffer))) > 0;)
            bytes.append(buffer, n);
        return bytes;
    }

    tarvex::test::TestEnvironmentGuard m_guard;
    std::string m_folder;
};

TEST_F(HubTest, RemembersTheStartFolderAndMovesIntoHome) {
    SGameObjects hub;
    EXPECT_STREQ(m_folder.c_str(), hub.m_sStartDir.GetString());
    EXPECT_EQ(fs::path(Home()), fs::current_path());
}

TEST_F(HubTest, WithoutHomeTheStartFolderStaysCurrent) {
    fs::remove(Home());
    SGameObjects hub;
    EXPECT_STREQ(m_folder.c_str(), hub.m_sStartDir.GetString());
    EXPECT_EQ(fs::path(m_folder), fs::current_path());
}

TEST_F(HubTest, InstanceIsMadeOnceAndKept) {
    fs::remove(Home());  // the process keeps its working directory
    SGameObjects* hub = SGameObjects::Instance();
    ASSERT_NE(nullptr, hub);
    EXPECT_EQ(hub, SGameObjects::Instance());
    EXPECT_NE(nullptr, hub->m_pConfig);
}

TEST_F(HubTest, PathsLoseOneTrailingSeparator) {
    SetProfileText("BasePath", "C:\\Games\\Tarvex\\");
    SetProfileText(SGameObjects::kMediaPathKey, "D:\\Media\\\\");
    SetProfileText("HunterPath", "Officers/");
    SGameObjects hub;
    EXPECT_STREQ("C:\\Games\\Tarvex", hub.m_sBasePath.GetString());
    EXPECT_STREQ("C:\\Games\\Tarvex\\", hub.m_sBasePathRaw.GetString());
    EXPECT_STREQ("D:\\Media\\", hub.m_sMediaPath.GetString());
    EXPECT_STREQ("Officers", hub.m_pGameItems->m_sHunterPath.GetString());
}

TEST_F(HubTest, MissingProfileValuesGiveEmptyPaths) {
    SGameObjects hub;
    EXPECT_TRUE(hub.m_sBasePath.IsEmpty());
    EXPECT_TRUE(hub.m_sBasePathRaw.IsEmpty());
    EXPECT_TRUE(hub.m_sMediaPath.IsEmpty());
    EXPECT_TRUE(hub.m_pGameItems->m_sHunterPath.IsEmpty());
}

TEST_F(HubTest, ConstructionWiresTheMembersTogether) {
    SGameObjects hub;
    ASSERT_NE(nullptr, hub.m_pConfig);
    ASSERT_NE(nullptr, hub.m_pInput);
    ASSERT_NE(nullptr, hub.m_pGameItems);
    ASSERT_NE(nullptr, hub.m_pClientConnect);
    ASSERT_NE(nullptr, hub.m_pVariables);
    EXPECT_EQ(&hub.m_pInput->GetSettings(), hub.m_pConfig->m_pInputSettings);
    EXPECT_EQ(hub.m_pConfig, hub.m_pGameItems->m_pConfig);
    EXPECT_EQ(nullptr, hub.m_pCatalog);
    EXPECT_EQ(nullptr, hub.m_pGameDLL);
    EXPECT_EQ(nullptr, hub.m_pMainFrame);
    EXPECT_EQ(nullptr, hub.m_pCurrentPlayer);
    EXPECT_EQ(0.0f, hub.m_fFrameRate);
    EXPECT_EQ(0, hub.m_bShowFps + hub.m_bShowInput + hub.m_bShowSoundStats + hub.m_bShowLayout);
    EXPECT_EQ(-1, hub.m_iClientIndex);
    EXPECT_EQ(0, hub.m_iGameType);
    // The layout switches start reset.
    EXPECT_STREQ("0", hub.m_pVariables->GetValueByName("APP_FPS").GetString());
    EXPECT_STREQ("0", hub.m_pVariables->GetValueByName("APP_INPUT").GetString());
    EXPECT_STREQ("0", hub.m_pVariables->GetValueByName("APP_FLAT_SKIN").GetString());
    EXPECT_STREQ("0", hub.m_pVariables->GetValueByName("APP_LAYOUT").GetString());
    EXPECT_STREQ("-1", hub.m_pVariables->GetValueByName("APP_CLIENT").GetString());
    // SET on an inp_ variable reaches the live input object.
    EXPECT_TRUE(hub.m_pConfig->SetVariable("inp_msensitivity", "9"));
    EXPECT_EQ(9, hub.m_pInput->GetSettings().m_nMSensitivity);
}

TEST_F(HubTest, ResetLayoutFlagsSetsExistingValuesBack) {
    SGameObjects hub;
    hub.m_pVariables->SetOrAppend("APP_FPS", "1", 0);
    hub.m_pVariables->SetOrAppend("APP_CLIENT", "3", 0);
    hub.ResetLayoutFlags();
    EXPECT_STREQ("0", hub.m_pVariables->GetValueByName("APP_FPS").GetString());
    EXPECT_STREQ("-1", hub.m_pVariables->GetValueByName("APP_CLIENT").GetString());
    EXPECT_EQ(0, hub.m_pVariables->FindByName("APP_FPS"));
}

TEST_F(HubTest, ScenarioNamesSelectTheScenarioKind) {
    SGameObjects hub;
    EXPECT_TRUE(hub.SetScenarioByName("SniperRange_02"));
    EXPECT_EQ(2, hub.m_iSubGameType);
    hub.SetSubGameType(0);
    EXPECT_TRUE(hub.SetScenarioByName("sniperrange"));
    EXPECT_EQ(2, hub.m_iSubGameType);
    EXPECT_TRUE(hub.SetScenarioByName("LANDSNIPERRANGE_x_y"));
    EXPECT_EQ(3, hub.m_iSubGameType);
    EXPECT_FALSE(hub.SetScenarioByName("Sniper"));
    EXPECT_FALSE(hub.SetScenarioByName("_AlleyWalk"));
    EXPECT_EQ(3, hub.m_iSubGameType);
    EXPECT_TRUE(hub.SetScenarioByName("alleywalk_night"));
    EXPECT_EQ(1, hub.m_iSubGameType);
}

TEST_F(HubTest, ScenarioNameOfAnIndex) {
    SString name("unchanged");
    SGameObjects::GetScenarioName(name, 3);
    EXPECT_STREQ("LandSniperRange", name.GetString());
    SGameObjects::GetScenarioName(name, 0);
    EXPECT_STREQ("TargetRange", name.GetString());
    SGameObjects::GetScenarioName(name, 4);
    EXPECT_STREQ("TargetRange", name.GetString());
    SGameObjects::GetScenarioName(name, -1);
    EXPECT_STREQ("TargetRange", name.GetString());
}

TEST_F(HubTest, GameTypesAreStoredWithoutALibrary) {
    SGameObjects hub;
    hub.SetGameType(3);
    EXPECT_EQ(3, hub.m_iGameType);
    hub.SetGameType(5);
    EXPECT_EQ(5, hub.m_iGameType);
    hub.SetSubGameType(-2);
    EXPECT_EQ(-2, hub.m_iSubGameType);
}

TEST_F(HubTest, AxisCommandLines) {
    const SString command("turn");
    SString line("untouched");
    EXPECT_FALSE(SGameObjects::AxisCommandLine(0, 0, command, line));
    EXPECT_FALSE(SGameObjects::AxisCommandLine(250, 250, command, line));
    EXPECT_STREQ("untouched", line.GetString());
    EXPECT_TRUE(SGameObjects::AxisCommandLine(250, 0, command, line));
    EXPECT_STREQ("+turn 250", line.GetString());
    EXPECT_TRUE(SGameObjects::AxisCommandLine(-40, 250, command, line));
    EXPECT_STREQ("+turn -40", line.GetString());
    EXPECT_TRUE(SGameObjects::AxisCommandLine(0, -40, command, line));
    EXPECT_STREQ("-turn", line.GetString());
    // An axis with no command runs nothing, whatever the value.
    EXPECT_FALSE(SGameObjects::AxisCommandLine(250, 0, SString(), line));
}

// Keeps the lines it is given instead of running them.
class RecordingInterpreter : public SCommandInterpreter {
public:
    explicit RecordingInterpreter(std::vector<std::string>& lines) : m_lines(lines) {}
    bool ExecuteLine(const SString& line, SString& response) override {
        m_lines.push_back(line.GetString());
        response = "dropped";
        return true;
    }

private:
    std::vector<std::string>& m_lines;
};

TEST_F(HubTest, FiredInputsAndAxesBecomeConsoleLines) {
    SGameObjects hub;
    hub.SendAxisCommands(0, 0);  // the remembered values are the process's; start from rest
    std::vector<std::string> lines;
    delete hub.m_pInterpreter;
    hub.m_pInterpreter = new RecordingInterpreter(lines);
    hub.m_sAxisCommand2 = "lookupdown";
    hub.m_sAxisCommand3 = "turn";

    const int fire = hub.m_pInput->AddCommand("fire", "Fire", 1, 0x1D, -1, -1);
    hub.m_pInput->ExecuteCommand(fire);
    hub.m_pInput->ReleaseCommand(fire);
    hub.SendAxisCommands(120, 0);
    hub.SendAxisCommands(120, 0);
    hub.SendAxisCommands(120, -35);
    hub.SendAxisCommands(0, 0);

    const std::vector<std::string> expected = {"+fire", "-fire", "+turn 120", "+lookupdown -35", "-turn",
                                               "-lookupdown"};
    EXPECT_EQ(expected, lines);
}

TEST_F(HubTest, LightGunIsNotActiveWithoutItsDevice) {
    SGameObjects hub;
    ASSERT_TRUE(hub.m_pConfig->SetVariable("game_fullscreen", "1"));
    ASSERT_TRUE(hub.m_pConfig->SetVariable("inp_lightgun", "1"));
    EXPECT_FALSE(hub.IsLightGunActive());
}

// --- The officer file ---------------------------------------------------------------------------

TEST_F(HubTest, OfficerFileIsReadFromAFreshCopyNotFromALeftOver) {
    SGameObjects hub;
    WriteWholeFile(Home() + "/player.cfg", "real officers");
    WriteWholeFile(Home() + "/~player.tmp", "stale copy from a crash");
    std::string read;
    EXPECT_TRUE(SGameObjects::ReadPlayerFile([&read](CArchive& archive) { read = ReadAllThrough(archive); }));
    EXPECT_EQ("real officers", read);
    EXPECT_FALSE(fs::exists(Home() + "/~player.tmp"));
    EXPECT_EQ("real officers", ReadWholeFile(Home() + "/player.cfg"));
}

// Where no copy can be made the file itself is read, never what stands in the copy's place.
TEST_F(HubTest, ALeftOverCopyThatCannotBeRemovedIsNeverRead) {
    SGameObjects hub;
    WriteWholeFile(Home() + "/player.cfg", "real officers");
    fs::create_directories(Home() + "/~player.tmp/stuck");
    std::string read(13, '\0');
    EXPECT_TRUE(SGameObjects::ReadPlayerFile([&read](CArchive& archive) { archive.Read(read.data(), 13); }));
    EXPECT_EQ(read, "real officers");
    EXPECT_EQ("real officers", ReadWholeFile(Home() + "/player.cfg"));
    EXPECT_TRUE(fs::is_directory(Home() + "/~player.tmp/stuck"));
}

TEST_F(HubTest, MissingOfficerFileIsAnEmptyListAndNoError) {
    SGameObjects hub;
    WriteWholeFile(Home() + "/~player.tmp", "stale copy from a crash");
    bool called = false;
    EXPECT_FALSE(SGameObjects::ReadPlayerFile([&called](CArchive&) { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_FALSE(fs::exists(Home() + "/~player.tmp"));
}

TEST_F(HubTest, AFailedOfficerReadPassesItsExceptionAndLeavesNoCopy) {
    SGameObjects hub;
    WriteWholeFile(Home() + "/player.cfg", "xy");
    EXPECT_THROW(SGameObjects::ReadPlayerFile([](CArchive& archive) {
                     int32_t tooLong = 0;
                     archive >> tooLong;  // four bytes from a two-byte file
                 }),
                 CArchiveException);
    EXPECT_FALSE(fs::exists(Home() + "/~player.tmp"));
    EXPECT_EQ("xy", ReadWholeFile(Home() + "/player.cfg"));
}

TEST_F(HubTest, OfficerFileIsFoundInAnyLetterCase) {
    SGameObjects hub;
    WriteWholeFile(Home() + "/Player.CFG", "officers");
    std::string read;
    EXPECT_TRUE(SGameObjects::ReadPlayerFile([&read](CArchive& archive) { read = ReadAllThrough(archive); }));
    EXPECT_EQ("officers", read);
}

// --- The catalog ------------------------------------------------------------------------------

void WriteEmptyCatalog(const std::string& path) {
    SCatalog catalog;
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive archive(&file, CArchive::store);
    catalog.Serialize(archive);
    archive.Close();
    file.Close();
}

TEST_F(HubTest, CatalogSearchesTheBaseAndMediaFoldersInOrder) {
    SetProfileText("BasePath", "C:\\Tarvex\\");
    WriteEmptyCatalog(Home() + "/Tarvex.cat");
    SGameObjects hub;
    hub.CreateCatalog();
    ASSERT_NE(nullptr, hub.GetCatalog());
    EXPECT_EQ(hub.GetCatalog(), hub.m_pGameItems->m_pCatalog);
    const CStringArray& folders = hub.GetCatalog()->GetSearchFolders();
    const char* expected[] = {"C:\\Tarvex", "", "C:\\Tarvex\\Resources", "C:\\Tarvex\\Graphics",
                              "C:\\Tarvex\\Sound", "\\Resources", "\\Graphics", "\\Sound"};
    ASSERT_EQ(8, folders.GetSize());
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(expected[i], folders[i].GetString()) << "folder " << i;
    EXPECT_TRUE(hub.GetCatalog()->GetDevRoot().IsEmpty());
    EXPECT_TRUE(hub.GetCatalog()->GetReleaseRoot().IsEmpty());
}

TEST_F(HubTest, CatalogReleaseModeComesFromTheProfileAndIsWrittenBack) {
    WriteEmptyCatalog(Home() + "/Tarvex.cat");
    SGameObjects hub;
    hub.CreateCatalog();
    EXPECT_FALSE(hub.GetCatalog()->IsReleaseMode());
    EXPECT_EQ(0, sys::profile::GetInt(Kind::Application, "Catalog", "ReleaseMode", -5));

    ASSERT_TRUE(sys::profile::WriteInt(Kind::Application, "Catalog", "ReleaseMode", 7));
    hub.CreateCatalog();
    EXPECT_TRUE(hub.GetCatalog()->IsReleaseMode());
    EXPECT_EQ(1, sys::profile::GetInt(Kind::Application, "Catalog", "ReleaseMode", -5));
}

TEST_F(HubTest, MissingCatalogRaisesAFileException) {
    SGameObjects hub;
    EXPECT_THROW(hub.CreateCatalog(), CFileException);
    EXPECT_EQ(nullptr, hub.GetCatalog());
}

TEST_F(HubTest, RenderersReadTheHubsCatalogWhileItLives) {
    WriteEmptyCatalog(Home() + "/Tarvex.cat");
    {
        SGameObjects hub;
        hub.CreateCatalog();
        auto* seen = dynamic_cast<SRendererCatalogAdapter*>(SParser::GetCatalog());
        ASSERT_NE(nullptr, seen);
        EXPECT_EQ(hub.GetCatalog(), seen->GetResourceCatalog());
        SWindow::SetResourceCatalog(hub.GetCatalog());
        hub.CreateCatalog();  // a new catalog replaces the first under the same view
        EXPECT_EQ(seen, SParser::GetCatalog());
        EXPECT_EQ(hub.GetCatalog(), seen->GetResourceCatalog());
        EXPECT_EQ(nullptr, SWindow::GetResourceCatalog());
        SWindow::SetResourceCatalog(hub.GetCatalog());
        hub.Shutdown();
        EXPECT_EQ(nullptr, SParser::GetCatalog());
        EXPECT_EQ(nullptr, SWindow::GetResourceCatalog());
        hub.CreateCatalog();
        SWindow::SetResourceCatalog(hub.GetCatalog());
    }
    EXPECT_EQ(nullptr, SParser::GetCatalog());
    EXPECT_EQ(nullptr, SWindow::GetResourceCatalog());
}

TEST_F(HubTest, ShutdownDeletesTheCatalogAndTheItemsForgetIt) {
    WriteEmptyCatalog(Home() + "/Tarvex.cat");
    SGameObjects hub;
    hub.CreateCatalog();
    SSound& sound = *hub.m_pGameItems->m_pSound;
    sound.Initialize(hub.GetCatalog(), nullptr, hub.m_pGameItems->m_pSoundNames);
    hub.CreateCatalog();  // a new catalog replaces the first, which the sound must forget too
    hub.Shutdown();
    EXPECT_EQ(nullptr, hub.GetCatalog());
    EXPECT_EQ(nullptr, hub.m_pGameItems->m_pCatalog);
    // Names that need a catalog resolve to nothing instead of reaching into a deleted one.
    CString path("unchanged");
    sound.ResolveSoundPath("Interface:click", path);
    EXPECT_STREQ(path.GetString(), "");
    sound.ResolveSoundPath("id;click", path);
    EXPECT_STREQ(path.GetString(), "");
}

// --- Default bindings -----------------------------------------------------------------------------

TEST_F(HubTest, DefaultBindingsNeverTakeTheUsersInputs) {
    SGameObjects hub;
    SInputObj& live = *hub.m_pInput;
    live.AddCommand("forward", "Forward", 1, 0x11, -1, -1);  // the user's W
    live.AddCommand("fire", "Fire", 1, 0x39, -1, -1);        // the user put fire on Space

    SInputObj defaults;
    defaults.AddCommand("forward", "Walk Forward", 1, 0xC8, -1, -1);
    defaults.AddCommand("weapon", "Raise Weapon", 1, 0x39, -1, -1);
    defaults.AddCommand("crouch", "Crouch", 1, 0x2E, -1, -1);
    hub.MergeDefaultBindings(defaults);

    const SInputObjCommand* forward = live.GetCommandByName("forward");
    ASSERT_NE(nullptr, forward);
    EXPECT_STREQ("Walk Forward", forward->m_sDisplayName.GetString());
    EXPECT_EQ(0x11, forward->m_iKeyCode);

    const SInputObjCommand* weapon = live.GetCommandByName("weapon");
    ASSERT_NE(nullptr, weapon);
    EXPECT_TRUE(weapon->HasNoCode());
    EXPECT_EQ(1, weapon->m_iType);
    EXPECT_EQ(0x39, live.GetCommandByName("fire")->m_iKeyCode);

    const SInputObjCommand* crouch = live.GetCommandByName("crouch");
    ASSERT_NE(nullptr, crouch);
    EXPECT_EQ(0x2E, crouch->m_iKeyCode);
    EXPECT_STREQ("Crouch", crouch->m_sDisplayName.GetString());
}

// --- The game-logic library ------------------------------------------------------------------

TEST_F(HubTest, LoadingTheLibraryHandsOverAndFindsTheAxisCommands) {
    SetProfileText("BasePath", "C:\\Tarvex\\");
    tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), Home());
    SGameObjects hub;
    hub.LoadGameDll();
    ASSERT_NE(nullptr, hub.m_pGameDLL);
    EXPECT_TRUE(hub.m_pGameDLL->IsLoaded());
    // The base path reaches the library as the profile has it.
    EXPECT_STREQ("C:\\Tarvex\\", hub.m_pGameItems->m_sBasePath.GetString());
    // Our stand-in registers "lookupdown" as kind 2 and "turn" as kind 3.
    EXPECT_STREQ("lookupdown", hub.m_sAxisCommand2.GetString());
    EXPECT_STREQ("turn", hub.m_sAxisCommand3.GetString());
}

TEST_F(HubTest, GameAndScenarioTypesAreToldToTheLoadedLibrary) {
    tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(), Home());
    SGameObjects hub;
    hub.LoadGameDll();
    ASSERT_NE(nullptr, hub.m_pGameDLL);
    auto property = [&hub](const char* name) {
        const char* value = hub.m_pGameDLL->GetProperty(name);
        return std::string(value != nullptr ? value : "<none>");
    };
    hub.SetGameType(3);
    EXPECT_EQ("Multiplayer", property("GameType"));
    hub.SetGameType(1);
    EXPECT_EQ("SeasonHunt", property("GameType"));
    hub.SetGameType(5);
    EXPECT_EQ(5, hub.m_iGameType);
    EXPECT_EQ("SeasonHunt", property("GameType"));
    EXPECT_TRUE(hub.SetScenarioByName("SniperRange_02"));
    EXPECT_EQ("SniperRange", property("SubGameType"));
    hub.SetSubGameType(3);
    EXPECT_EQ("LandSniperRange", property("SubGameType"));
    EXPECT_FALSE(hub.SetScenarioByName("Sniper"));
    EXPECT_EQ("LandSniperRange", property("SubGameType"));
}

TEST_F(HubTest, ALibraryThatCannotBeLoadedEndsInTheUserException) {
    sys::dialogs::headless::Reset();
    SGameObjects hub;
    EXPECT_THROW(hub.LoadGameDll(), CUserException);
    EXPECT_EQ(nullptr, hub.m_pGameDLL);
    const auto shown = sys::dialogs::headless::Shown();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(0u, shown[0].text.rfind("Failed to load game DLL!\n", 0));
    sys::dialogs::headless::Reset();
}

// Stands in for "defcmds.cfg": binds what the script would into whatever input object the hub
// holds while the line runs.
class DefaultScriptInterpreter : public SCommandInterpreter {
public:
    explicit DefaultScriptInterpreter(SGameObjects& hub) : m_hub(hub) {}
    bool ExecuteLine(const SString& line, SString&) override {
        m_line = line.GetString();
        m_inputDuringLine = m_hub.m_pInput;
        m_hub.m_pInput->AddCommand("zoomin", "Zoom In", 1, 0x0D, -1, -1);
        return true;
    }
    std::string m_line;
    SInputObj* m_inputDuringLine = nullptr;

private:
    SGameObjects& m_hub;
};

TEST_F(HubTest, DefaultBindingsScriptRunsIntoAScratchInputObject) {
    SGameObjects hub;
    SInputObj* live = hub.m_pInput;
    auto* interpreter = new DefaultScriptInterpreter(hub);
    delete hub.m_pInterpreter;
    hub.m_pInterpreter = interpreter;
    hub.ExecDefaultBindings();
    EXPECT_EQ("exec defcmds.cfg", interpreter->m_line);
    EXPECT_NE(live, interpreter->m_inputDuringLine);
    EXPECT_EQ(live, hub.m_pInput);
    const SInputObjCommand* zoom = live->GetCommandByName("zoomin");
    ASSERT_NE(nullptr, zoom);
    EXPECT_EQ(0x0D, zoom->m_iKeyCode);
}

// --- The client connection ---------------------------------------------------------------------

SObjectDef* NewDef(const char* name, const char* key, const char* value) {
    auto* def = new SObjectDef;
    def->SetName(name);
    def->SetOrAppend(key, value, 0);
    return def;
}

TEST_F(HubTest, ClientConnectionMergesNamesakesAndAppendsNewOnes) {
    SClientConnect mine;
    mine.m_pDef->SetOrAppend("Name", "old", 0);
    mine.m_pDefs->AddTail(NewDef("Rifle", "Ammo", "5"));

    SClientConnect other;
    other.m_pDef->SetOrAppend("Name", "Sam", 0);
    other.m_pDefs->AddTail(NewDef("rifle", "Ammo", "9"));
    other.m_pDefs->AddTail(NewDef("Scope", "Zoom", "4"));

    mine.Merge(other);
    EXPECT_STREQ("Sam", mine.m_pDef->GetValueByName("Name").GetString());
    ASSERT_EQ(2, mine.m_pDefs->GetCount());
    EXPECT_STREQ("9", mine.m_pDefs->FindByName("Rifle")->GetValueByName("Ammo").GetString());
    SObjectDef* scope = mine.m_pDefs->FindByName("Scope");
    ASSERT_NE(nullptr, scope);
    EXPECT_STREQ("4", scope->GetValueByName("Zoom").GetString());
    EXPECT_NE(other.m_pDefs->FindByName("Scope"), scope);
}

}  // namespace
