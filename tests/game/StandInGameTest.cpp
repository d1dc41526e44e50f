// Our stand-in game-logic library as the host sees it: loaded through the bridge and handed
// real game items.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/GameInterface.h"
#include "app/SClientInfo.h"
#include "app/SGameDLL.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "core/SDataCollection.h"
#include "core/SObjectDef.h"
#include "sys/library.h"
#include "sys/time/time.h"
#include "tests/app/GameLibraryTestSupport.h"

namespace {

class StandInGameTest : public tarvex::test::GameLibraryTest {
protected:
    void SetUp() override
    {
        GameLibraryTest::SetUp();
        m_path = tarvex::test::PlaceGameLibrary(tarvex::test::StandInGameLibrary(),
                                                std::filesystem::path(m_folder) / "lib");
    }
    // A bridge to a fresh copy of the library, handed the test's items.
    void Load()
    {
        m_dll = std::make_unique<SGameDLL>(m_path.c_str());
        // The range reads its boards from the demo's Home folder.
        m_dll->HandOver(&m_items, SString(DemoHome().c_str()));
    }
    void TearDown() override
    {
        m_dll.reset();
        GameLibraryTest::TearDown();
    }
    static std::string DemoHome() { return (std::filesystem::path(TARVEX_TEST_BINARY_DIR) / ".." / "Home").string(); }
    int CommandIndex(const char* name) const { return m_items.m_pCommands->FindByName(name); }
    static std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }

    std::string m_path;
    SGameItems m_items;
    std::unique_ptr<SGameDLL> m_dll;
};

TEST_F(StandInGameTest, ExportsEveryFunctionTheBridgeLooksFor) {
    sys::library::Handle library = sys::library::Load(m_path);
    ASSERT_NE(library, nullptr) << sys::library::LastError();
    for (const char* name : game_api::kExportNames) {
        EXPECT_NE(sys::library::Symbol(library, name), nullptr) << name;
    }
    sys::library::Unload(library);
}

TEST_F(StandInGameTest, RegistersItsCommandsWithTheMovementAxesAmongThem) {
    Load();
    EXPECT_STREQ(m_items.m_pCommands->GetValueByName("fire").GetString(), "0");
    EXPECT_NE(CommandIndex("reload"), -1);
    EXPECT_NE(CommandIndex("zoom"), -1);
    SString axis2;
    SString axis3;
    SGameDLL::FindGameCommandOfKind(m_items.m_pCommands, "2", axis2);
    SGameDLL::FindGameCommandOfKind(m_items.m_pCommands, "3", axis3);
    EXPECT_STREQ(axis2.GetString(), "lookupdown");
    EXPECT_STREQ(axis3.GetString(), "turn");
}

TEST_F(StandInGameTest, ObjectListComesFromItsScriptWithInheritedValues) {
    Load();
    SObjectDefList* list = m_dll->GetObjectList();
    ASSERT_NE(list, nullptr);
    // 16 for the display, aiming, weapons and career, 9 for the inventory catalogue (two kinds,
    // seven items).
    EXPECT_EQ(list->GetCount(), 26);
    EXPECT_NE(list->FindByName("HUD"), nullptr);
    SObjectDef* shotgun = list->FindByName("InvShotgun");
    ASSERT_NE(shotgun, nullptr);
    EXPECT_TRUE(shotgun->IsKindOf("InvWeapon"));
    EXPECT_EQ(shotgun->GetIntByName("IsWeapon"), 1);
    EXPECT_NE(list->FindByName("ModelFlags"), nullptr);
    SObjectDef* pistol = list->FindByName("pistol9mm");
    ASSERT_NE(pistol, nullptr);
    EXPECT_STREQ(pistol->GetValueByName("Rounds").GetString(), "15");
    EXPECT_STREQ(pistol->GetValueByName("Damage").GetString(), "10");
    EXPECT_TRUE(pistol->IsKindOf("Weapon"));
    SObjectDef* sniper = list->FindByName("SniperRange");
    ASSERT_NE(sniper, nullptr);
    EXPECT_EQ(sniper->GetIntByName("SubGameType"), 2);
}

TEST_F(StandInGameTest, SetUpTwiceKeepsOneOfEachDefinition) {
    Load();
    m_dll->GameSetup();
    EXPECT_EQ(m_dll->GetObjectList()->GetCount(), 26);
}

TEST_F(StandInGameTest, PropertiesAreStoredAndAnswered) {
    SetSwitch("TextObjects", 1);
    Load();
    EXPECT_EQ(Text(m_dll->GetProperty("TextObjects")), "1");
    EXPECT_EQ(m_dll->GetProperty("CheatNoCheat"), nullptr);
    m_dll->SetProperty("GameType", "QuickHunt");
    m_dll->SetProperty("GameType", "Multiplayer");
    EXPECT_EQ(Text(m_dll->GetProperty("GameType")), "Multiplayer");
    m_dll->SetProperty("PlayerLocation", nullptr);
    EXPECT_EQ(Text(m_dll->GetProperty("PlayerLocation")), "");
    EXPECT_EQ(m_dll->GetProperty("ServerDedicated"), nullptr);
}

TEST_F(StandInGameTest, StateIsZeroAndEverySessionCommandIsAccepted) {
    Load();
    EXPECT_EQ(m_dll->GetState(), 0);
    for (int code : {0, 4, 5, 6, 8, 9}) {
        EXPECT_NO_THROW(m_dll->SessionCommand(code, 0)) << code;
    }
    EXPECT_NO_THROW(m_dll->SessionCommand(8, 1));
    char error[8] = "xxxxxxx";
    m_dll->GetLastSessionError(error, sizeof(error));
    EXPECT_STREQ(error, "");
}

TEST_F(StandInGameTest, GameCommandsAreKnownByTheirIndexInTheHostsList) {
    Load();
    EXPECT_EQ(m_dll->DoCommand(CommandIndex("fire"), 0, "now"), 1);
    EXPECT_EQ(Text(m_dll->GetProperty("LastCommand")), "fire");
    EXPECT_EQ(Text(m_dll->GetProperty("LastCommandState")), "0");
    EXPECT_EQ(Text(m_dll->GetProperty("LastCommandArguments")), "now");
    EXPECT_EQ(m_dll->DoCommand(CommandIndex("turn"), 1, nullptr), 1);
    EXPECT_EQ(Text(m_dll->GetProperty("LastCommandState")), "1");
    EXPECT_EQ(m_dll->DoCommand(-1, 2, ""), 0);
    EXPECT_EQ(m_dll->DoCommand(4000, 2, ""), 0);
}

TEST_F(StandInGameTest, ObjectBlockFromTheConsoleJoinsTheObjectList) {
    Load();
    EXPECT_EQ(m_dll->ObjectParseIsParsing(), 0);
    m_dll->ParseCommand("objects list");
    EXPECT_EQ(m_dll->ObjectParseIsParsing(), 0);
    m_dll->ParseCommand("  OBJECT Target:Scenario");
    EXPECT_NE(m_dll->ObjectParseIsParsing(), 0);
    m_dll->ObjectParse("{");
    m_dll->ObjectParse("set Points 5");
    m_dll->ObjectParse("}");
    EXPECT_EQ(m_dll->ObjectParseIsParsing(), 0);
    SObjectDef* target = m_dll->GetObjectList()->FindByName("Target");
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetIntByName("Points"), 5);
    EXPECT_STREQ(target->GetValueByName("Type").GetString(), "Scenario");
}

TEST_F(StandInGameTest, NullTextsAndOtherTablesAreRefusedWithoutHarm) {
    Load();
    EXPECT_EQ(m_dll->ParseCommand(nullptr), 1);
    EXPECT_EQ(m_dll->ObjectParse(nullptr), 0);
    EXPECT_EQ(m_dll->SetProperty(nullptr, "1"), 0);
    EXPECT_EQ(m_dll->GetProperty(nullptr), nullptr);
    SHostCallbacks table{};
    table.m_dwSize = 100;
    EXPECT_EQ(m_dll->GetCallbacks(&table), 0);
    EXPECT_EQ(m_dll->SetCallbacks(&table), 0);
    EXPECT_EQ(m_dll->GetCallbacks(nullptr), 0);
    table.m_dwSize = kHostCallbacksSize;
    EXPECT_EQ(m_dll->GetCallbacks(&table), 1);
    EXPECT_NE(table.m_pLibraryWord, nullptr);
}

TEST_F(StandInGameTest, LocalClientIsReleasedBeforeTheLibraryGoes) {
    Load();
    EXPECT_EQ(m_items.m_pTable1->GetIntByName("Clients"), 1);
    m_dll.reset();
    EXPECT_EQ(m_items.m_pTable1->GetIntByName("Clients"), 0);
}

}  // namespace

TEST_F(StandInGameTest, ARangeSessionEndsWhenTheRoundsTheTimeOrTheHostEndIt) {
    // The 9mm pistol carries 15 rounds and the range gives 150 s (the shipped definitions).
    // Play stops with the results shown (state 11); the host's end command then ends the session.
    // The heads-up display is left with the values play stopped on.
    enum Ending { kRounds, kTime, kHostEnd, kHostAbort };
    const struct {
        Ending ending;
        int16_t state;
        const char* roundsLeft;
        const char* timeLeft;
    } cases[] = {{kRounds, 11, "0", "2:30"}, {kTime, 11, "15", "0:00"}, {kHostEnd, 11, "15", "2:30"},
                 {kHostAbort, 11, "15", "2:30"}};
    m_items.ResetClientInfo();
    Load();
    SHostCallbacks host{};
    host.m_dwSize = kHostCallbacksSize;
    // The history's range report reads the shots, hits and misses from the filed record.
    static int s_fired, s_hits, s_missed;
    host.HostPlayerScores = [](SClientConnect* results) {
        const SObjectDef* record = results->m_pDefs->FindByName("RangeQScore");
        s_fired = record != nullptr ? record->GetIntByName("Fired") : -1;
        s_hits = record != nullptr ? record->GetIntByName("BHits") : -1;
        s_missed = record != nullptr ? record->GetIntByName("BMissed") : -1;
        return 1;
    };
    ASSERT_EQ(m_dll->SetCallbacks(&host), 1);
    const int fire = CommandIndex("fire");
    const auto headsUp = [&](int entry) {
        return std::string(m_items.m_pClientInfo->m_pValues->GetValue(entry).GetString());
    };
    for (const auto& c : cases) {
        sys::time::SetFakeTicks(1000);
        m_dll->SessionCommand(0, 0);
        ASSERT_EQ(m_dll->GetState(), 7) << c.ending;
        switch (c.ending) {
        case kRounds:
            m_dll->DoCommand(CommandIndex("turn"), 2, "90");  // away from the boards: every round misses
            for (int shot = 0; shot < 14; ++shot)
                m_dll->DoCommand(fire, 0, nullptr);
            EXPECT_EQ(m_dll->GetState(), 7);
            m_dll->DoCommand(fire, 1, nullptr);  // a release is not a shot
            EXPECT_EQ(m_dll->GetState(), 7);
            m_dll->DoCommand(fire, 0, nullptr);
            break;
        case kTime:
            sys::time::SetFakeTicks(1000 + 149999);
            m_dll->Update();
            EXPECT_EQ(m_dll->GetState(), 7);
            sys::time::SetFakeTicks(1000 + 150000);
            m_dll->Update();
            break;
        case kHostEnd:
            m_dll->SessionCommand(5, 0);
            break;
        case kHostAbort:
            m_dll->SessionCommand(6, 0);
            break;
        }
        EXPECT_EQ(m_dll->GetState(), c.state) << c.ending;
        EXPECT_EQ(s_fired, c.ending == kRounds ? 15 : 0) << c.ending;
        EXPECT_EQ(s_missed, s_fired - s_hits) << c.ending;
        m_dll->Update();
        EXPECT_EQ(headsUp(10), c.roundsLeft) << c.ending;
        EXPECT_EQ(headsUp(11), c.timeLeft) << c.ending;
        m_dll->DoCommand(fire, 0, nullptr);  // nothing happens after the end
        EXPECT_EQ(m_dll->GetState(), c.state) << c.ending;
        m_dll->SessionCommand(c.ending == kHostAbort ? 6 : 5, 0);
        EXPECT_EQ(m_dll->GetState(), 0) << c.ending;
    }
}
