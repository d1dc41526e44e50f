#include "app/SGameDLL.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "app/SGameItems.h"
#include "core/SDataCollection.h"
#include "sys/classlib/Exceptions.h"
#include "tests/app/GameLibraryTestSupport.h"

namespace {

namespace headless = sys::dialogs::headless;
using tarvex::test::PlaceGameLibrary;

class GameDLLTest : public tarvex::test::GameLibraryTest {
protected:
    // A private copy of a library, so its state starts fresh in every test.
    std::string Place(const std::string& library, const char* subFolder = "lib")
    {
        return PlaceGameLibrary(library, std::filesystem::path(m_folder) / subFolder);
    }
    static std::string Log(SGameDLL& dll)
    {
        const char* log = dll.GetProperty("Log");
        return log != nullptr ? log : "(null)";
    }
};

// ---- a library that exports nothing -------------------------------------------------------------

TEST_F(GameDLLTest, LibraryWithoutExportsLoadsAndAnswersTheFixedValues) {
    SGameDLL dll(Place(tarvex::test::EmptyGameLibrary()).c_str());
    EXPECT_TRUE(dll.IsLoaded());
    SGameItems items;
    EXPECT_EQ(dll.Initialize(&items), 0);
    EXPECT_EQ(dll.GameSetup(), 1);
    EXPECT_EQ(dll.Update(), 0);
    EXPECT_EQ(dll.ParseCommand("say hello"), 1);
    EXPECT_EQ(dll.ObjectParse("set a 1"), 0);
    EXPECT_EQ(dll.ObjectParseIsParsing(), 0);
    EXPECT_EQ(dll.GetState(), 0);
    EXPECT_EQ(dll.DoCommand(3, 0, "x"), 0);
    EXPECT_EQ(dll.GetObjectList(), nullptr);
    EXPECT_EQ(dll.GetCheats(), nullptr);
    SHostCallbacks table{};
    EXPECT_EQ(dll.GetCallbacks(&table), 0);
    EXPECT_EQ(dll.SetCallbacks(&table), 0);
    EXPECT_EQ(dll.SaveWorld(1), 0);
    EXPECT_EQ(dll.LoadWorld(1), 0);
    EXPECT_EQ(dll.ClearWorld(), 0);
    EXPECT_EQ(dll.GetAvailableSessions(1), 0);
    EXPECT_EQ(dll.StopAsyncEnumeration(), 0);
    EXPECT_EQ(dll.SetProperty("GameType", "QuickHunt"), 0);
    EXPECT_EQ(dll.GetProperty("GameType"), nullptr);
    EXPECT_EQ(dll.ReleaseMultiplayer(), 0);
    EXPECT_EQ(dll.PostRender(nullptr), 0);
    EXPECT_EQ(dll.GetComm(), 0);
    EXPECT_EQ(dll.GetClientList(), nullptr);
}

TEST_F(GameDLLTest, MissingSessionErrorExportLeavesAnEmptyTextOnlyWhenThereIsRoom) {
    SGameDLL dll(Place(tarvex::test::EmptyGameLibrary()).c_str());
    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(dll.GetLastSessionError(buffer, 16), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');

    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(dll.GetLastSessionError(buffer, 0), 0);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(dll.GetLastSessionError(buffer, -5), 0);
    EXPECT_EQ(buffer[0], 'x');
}

TEST_F(GameDLLTest, MissingSessionCommandThrowsTheUserException) {
    SGameDLL dll(Place(tarvex::test::EmptyGameLibrary()).c_str());
    EXPECT_THROW(dll.SessionCommand(0, 0), CUserException);
    EXPECT_THROW(dll.SessionCommand(8, 1), CUserException);
}

TEST_F(GameDLLTest, HandOverToALibraryWithoutExportsStillCopiesTheBasePath) {
    SGameItems items;  // outlives the library, which lets go of it when it unloads
    SGameDLL dll(Place(tarvex::test::EmptyGameLibrary()).c_str());
    dll.HandOver(&items, SString("C:\\Games\\Tarvex\\"));
    EXPECT_STREQ(items.m_sBasePath.GetString(), "C:\\Games\\Tarvex\\");
    SString axis("unchanged");
    SGameDLL::FindGameCommandOfKind(items.m_pCommands, "2", axis);
    EXPECT_STREQ(axis.GetString(), "unchanged");
}

// ---- a library that cannot be loaded ------------------------------------------------------------

TEST_F(GameDLLTest, UnloadableLibraryIsReportedAndEndsConstructionWithTheUserException) {
    const std::string path = m_folder + "/nowhere/VQ9Game.dll";
    EXPECT_THROW(SGameDLL dll(path.c_str()), CUserException);
    const auto shown = headless::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Failed to load game DLL!\n" + m_folder + "/nowhere/VQ9Game.so");
    EXPECT_EQ(shown[0].caption, "Tarvex");
}

// ---- the hand-over and the forwarding -----------------------------------------------------------

TEST_F(GameDLLTest, HandOverGivesItemsThenTheCallbackTableThenSetsUp) {
    SGameItems items;
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    dll.HandOver(&items, SString("D:\\Base\\"));
    // The table announces 108; the host rewrites its own words after GetCallbacks, keeps the
    // library's last word, and the two empty slots answer 0.
    EXPECT_EQ(Log(dll), "Initialize(items);GetCallbacks(108);SetCallbacks(108,rewritten,kept,0,0);GameSetup;");
    EXPECT_STREQ(items.m_sBasePath.GetString(), "D:\\Base\\");
}

TEST_F(GameDLLTest, StateIsTheLibrarysSixteenBitValueWithItsSign) {
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    EXPECT_EQ(dll.GetState(), -2);
}

TEST_F(GameDLLTest, SessionCommandAnsweringZeroThrowsAfterTheCall) {
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    EXPECT_EQ(dll.SessionCommand(8, 1), 1);
    EXPECT_THROW(dll.SessionCommand(9, 0), CUserException);
    EXPECT_EQ(Log(dll), "SessionCommand(8,1);SessionCommand(9,0);");
}

TEST_F(GameDLLTest, SessionErrorTextComesFromTheLibrary) {
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    char buffer[16] = {};
    dll.GetLastSessionError(buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "session lost");
}

TEST_F(GameDLLTest, AxisCommandsAreTheFirstEntriesOfKindsTwoAndThree) {
    SGameItems items;
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    dll.HandOver(&items, SString());
    SString axis2;
    SString axis3;
    SGameDLL::FindGameCommandOfKind(items.m_pCommands, "2", axis2);
    SGameDLL::FindGameCommandOfKind(items.m_pCommands, "3", axis3);
    EXPECT_STREQ(axis2.GetString(), "aimy");
    EXPECT_STREQ(axis3.GetString(), "aimx");
}

TEST_F(GameDLLTest, CommandKindIsComparedByteForByte) {
    SDataCollection commands(16, 4);
    commands.SetOrAppend("lower", "x", 0);
    commands.SetOrAppend("upper", "X", 0);
    commands.SetOrAppend("blank", "", 0);
    SString found("none");
    SGameDLL::FindGameCommandOfKind(&commands, "X", found);
    EXPECT_STREQ(found.GetString(), "upper");
    SGameDLL::FindGameCommandOfKind(&commands, "", found);
    EXPECT_STREQ(found.GetString(), "blank");
    found = "none";
    SGameDLL::FindGameCommandOfKind(&commands, "2", found);
    EXPECT_STREQ(found.GetString(), "none");
    SGameDLL::FindGameCommandOfKind(nullptr, "2", found);
    EXPECT_STREQ(found.GetString(), "none");
}

// ---- the profile switches -----------------------------------------------------------------------

struct SwitchCase {
    const char* name;
    int value;
    const char* expectedLog;
};

void PrintTo(const SwitchCase& c, std::ostream* out) { *out << c.name << "=" << c.value; }

std::string SwitchCaseName(const testing::TestParamInfo<SwitchCase>& info)
{
    const int value = info.param.value;
    return std::string(info.param.name) + (value < 0 ? "Minus" : "") + std::to_string(value < 0 ? -value : value);
}

class GameDLLSwitchTest : public GameDLLTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(GameDLLSwitchTest, SwitchIsPassedOnlyForItsOnValues) {
    SetSwitch(GetParam().name, GetParam().value);
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    EXPECT_EQ(Log(dll), GetParam().expectedLog);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, GameDLLSwitchTest,
    testing::Values(SwitchCase{"CheatNoCheat", 507318, "SetProperty(CheatNoCheat,1);"},
                    SwitchCase{"CheatNoCheat", 0, ""}, SwitchCase{"CheatNoCheat", 1, ""},
                    SwitchCase{"CheatNoCheat", 507319, ""},
                    SwitchCase{"HunterAroundDeer", 1, "SetProperty(HunterAroundDeer,1);"},
                    SwitchCase{"HunterAroundDeer", 2, ""},
                    SwitchCase{"TextObjects", -1, "SetProperty(TextObjects,1);"},
                    SwitchCase{"TextObjects", 0, ""},
                    SwitchCase{"AdjWeaponPos", 3, "SetProperty(AdjWeaponPos,1);"}),
    SwitchCaseName);

TEST_F(GameDLLTest, AllSwitchesOnArePassedInTheirOrder) {
    SetSwitch("AdjWeaponPos", 1);
    SetSwitch("HunterAroundDeer", 1);
    SetSwitch("CheatNoCheat", 507318);
    SetSwitch("TextObjects", 1);
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    EXPECT_EQ(Log(dll),
              "SetProperty(TextObjects,1);SetProperty(CheatNoCheat,1);SetProperty(HunterAroundDeer,1);"
              "SetProperty(AdjWeaponPos,1);");
}

// ---- finding the library ------------------------------------------------------------------------

TEST_F(GameDLLTest, LibraryInTheCurrentDirectoryIsFoundByItsName) {
    Place(tarvex::test::RecordGameLibrary(), "current");
    std::filesystem::current_path(std::filesystem::path(m_folder) / "current");
    const SString path = SGameDLL::FindLibraryPath(SString(m_folder.c_str()));
    EXPECT_STREQ(path.GetString(), "VQ9Game.dll");
    SGameDLL dll(path.GetString());
    EXPECT_EQ(dll.GetState(), -2);
}

TEST_F(GameDLLTest, LibraryMissingHereIsLoadedFromHomeUnderTheStartDirectory) {
    const std::filesystem::path start = std::filesystem::path(m_folder) / "start";
    Place(tarvex::test::RecordGameLibrary(), "start/Home");
    std::filesystem::create_directories(start / "elsewhere");
    std::filesystem::current_path(start / "elsewhere");

    const SString path = SGameDLL::FindLibraryPath(SString(start.string().c_str()));
    EXPECT_EQ(std::string(path.GetString()), start.string() + "\\Home\\VQ9Game.dll");
    SGameDLL dll(path.GetString());
    EXPECT_EQ(dll.GetState(), -2);
    EXPECT_TRUE(headless::Shown().empty());
}

// ---- unloading ----------------------------------------------------------------------------------

TEST_F(GameDLLTest, UnloadReleasesTheLibrarysStateWhileItIsStillLoaded) {
    SGameItems items;
    SGameDLL dll(Place(tarvex::test::RecordGameLibrary()).c_str());
    dll.HandOver(&items, SString());
    dll.Unload();
    EXPECT_STREQ(items.m_pTable1->GetValueByName("ReleasedBeforeUnload").GetString(), "1");
    EXPECT_EQ(items.m_pWorld[0], nullptr);
    EXPECT_EQ(items.m_pClientInfo, nullptr);

    // Nothing of the library is reached any more; the fixed answers stand in.
    EXPECT_FALSE(dll.IsLoaded());
    EXPECT_EQ(dll.GetState(), 0);
    EXPECT_EQ(dll.GetProperty("Log"), nullptr);
    EXPECT_THROW(dll.SessionCommand(0, 0), CUserException);
    dll.Unload();
}

TEST_F(GameDLLTest, DeletingTheBridgeReleasesBeforeUnloading) {
    SGameItems items;
    auto* dll = new SGameDLL(Place(tarvex::test::RecordGameLibrary()).c_str());
    dll->HandOver(&items, SString());
    delete dll;
    EXPECT_STREQ(items.m_pTable1->GetValueByName("ReleasedBeforeUnload").GetString(), "1");
}

}  // namespace
