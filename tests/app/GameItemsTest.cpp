#include "app/SGameItems.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "app/actors/SActor.h"
#include "app/actors/SActorWorld.h"
#include "core/SDataCollection.h"
#include "sys/version.h"
#include "tests/app/actors/RecordingScene.h"

namespace {

// ---- construction -------------------------------------------------------------------------------

TEST(GameItemsTest, NewItemsHoldTheirTablesAndSoundAndNothingOfTheHubYet) {
    const auto before = std::time(nullptr);
    SGameItems items;
    const auto after = std::time(nullptr);

    EXPECT_GE(items.m_tCreated, static_cast<int32_t>(before));
    EXPECT_LE(items.m_tCreated, static_cast<int32_t>(after));
    EXPECT_EQ(items.m_dwUnused1, 0u);
    EXPECT_EQ(items.m_dwUnused2, 0u);
    EXPECT_EQ(items.m_dwUnused3, 0u);
    EXPECT_EQ(items.m_pConfig, nullptr);
    EXPECT_EQ(items.m_pCatalog, nullptr);
    EXPECT_EQ(items.m_pParser, nullptr);
    EXPECT_NE(items.m_pSound, nullptr);
    EXPECT_EQ(items.m_iFlag, 1);
    EXPECT_TRUE(items.m_sBasePath.IsEmpty());
    EXPECT_TRUE(items.m_sHunterPath.IsEmpty());

    // Capacities as the tables are made: named values 512, commands 4096, values 1024, sound
    // names 4096.
    ASSERT_NE(items.m_pTable1, nullptr);
    ASSERT_NE(items.m_pCommands, nullptr);
    ASSERT_NE(items.m_pTable3, nullptr);
    ASSERT_NE(items.m_pSoundNames, nullptr);
    EXPECT_EQ(items.m_pTable1->GetCount(), 512);
    EXPECT_EQ(items.m_pCommands->GetCount(), 4096);
    EXPECT_EQ(items.m_pTable3->GetCount(), 1024);
    EXPECT_EQ(items.m_pSoundNames->GetCount(), 4096);
    EXPECT_EQ(items.m_pCommands->GetHighWater(), -1);
}

TEST(GameItemsTest, ItemsAreARootObjectOfTheirOwnClass) {
    SGameItems items;
    EXPECT_STREQ(items.GetRuntimeClass()->m_lpszClassName, "SGameItems");
    EXPECT_TRUE(items.IsKindOf(RUNTIME_CLASS(CObject)));
}

TEST(GameItemsTest, ReleasingOrEndingWithoutARendererIsHarmlessAndRepeatable) {
    SGameItems items;
    items.EndParserSession();
    items.ReleaseParser();
    items.ReleaseParser();
    EXPECT_EQ(items.m_pParser, nullptr);
    items.ReleaseLibraryState();
    items.ReleaseLibraryState();
    EXPECT_EQ(items.m_pWorld[0], nullptr);
    EXPECT_EQ(items.m_pWorld[1], nullptr);
    EXPECT_EQ(items.m_pWorld[2], nullptr);
    EXPECT_EQ(items.m_pClientInfo, nullptr);
}

// ---- the version text ---------------------------------------------------------------------------

// Actors still standing in a renderer that goes are no longer placed in it: the world lets go
// of the scene, so clearing the world later reaches nothing that was deleted.
TEST(GameItemsTest, ReleasingTheRendererTakesItFromTheWorldsThatUseIt) {
    SGameItems items;
    auto* scene = new tarvex::test::RecordingScene;
    items.m_pParser = scene;
    SActorWorld* world = items.m_pWorld[0];
    world->Init(scene, nullptr, "", 4);
    auto* actor = new SActor;
    world->AddActor(actor, 0, -1);
    world->PlaceActor(actor, nullptr);
    ASSERT_EQ(scene->Count("add"), 1);
    items.ReleaseParser();
    EXPECT_EQ(world->GetScene(), nullptr);
    EXPECT_EQ(actor->m_bPlaced, 0);
    EXPECT_EQ(items.m_pWorld[1]->GetScene(), nullptr);
    world->Clear();  // nothing of the deleted scene is asked to remove the actor
}

TEST(GameItemsTest, VersionTextDropsTrailingZeroPartsFromTheFourthAndThird) {
    EXPECT_EQ(SGameItems::FormatVersion({1, 2, 0, 0}), "1.2");
    EXPECT_EQ(SGameItems::FormatVersion({1, 2, 3, 0}), "1.2.3");
    EXPECT_EQ(SGameItems::FormatVersion({1, 2, 3, 4}), "1.2.3.4");
    EXPECT_EQ(SGameItems::FormatVersion({1, 2, 0, 4}), "1.2.0.4");
    EXPECT_EQ(SGameItems::FormatVersion({0, 0, 0, 0}), "0.0");
}

TEST(GameItemsTest, VersionTextWithNoRoomWritesNothing) {
    SGameItems items;
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(items.GetVersionString(buffer + 4, 0), 0);
    EXPECT_EQ(items.GetVersionString(buffer + 4, -1), 0);
    EXPECT_EQ(items.GetVersionString(buffer + 4, -1000), 0);
    for (char c : buffer) {
        EXPECT_EQ(c, '#');
    }
    EXPECT_EQ(items.GetVersionString(nullptr, 16), 0);
}

TEST(GameItemsTest, VersionTextIsCutToTheBufferAndAlwaysTerminated) {
    SGameItems items;
    char full[64];
    ASSERT_EQ(items.GetVersionString(full, sizeof(full)), 0);
    // The build's own version: the major number, a dot, and at least the minor one.
    const std::string text = full;
    EXPECT_EQ(text.rfind(std::to_string(sys::version::FileVersionNumbers()[0]) + ".", 0), 0u);

    char small[4];
    std::memset(small, '#', sizeof(small));
    items.GetVersionString(small, 2);
    EXPECT_EQ(small[0], text[0]);
    EXPECT_EQ(small[1], '\0');
    EXPECT_EQ(small[2], '#');

    items.GetVersionString(small, 1);
    EXPECT_EQ(small[0], '\0');
}

// ---- the map description ------------------------------------------------------------------------

TEST(GameItemsTest, MapDescriptionJoinsNameAndStateAndIsQuestionMarksWithoutEither) {
    EXPECT_STREQ(SGameItems::FormatMapDescription(nullptr, nullptr).GetString(), "???");
    EXPECT_STREQ(SGameItems::FormatMapDescription("Back Alley", "Night").GetString(), "Back Alley, Night");
    EXPECT_STREQ(SGameItems::FormatMapDescription("Back Alley", nullptr).GetString(), "Back Alley, ");
    EXPECT_STREQ(SGameItems::FormatMapDescription(nullptr, "Night").GetString(), ", Night");
}

TEST(GameItemsTest, MapDescriptionWithoutARendererIsQuestionMarks) {
    SGameItems items;
    CString out("old");
    items.GetMapDescription(out);
    EXPECT_STREQ(out.GetString(), "???");
}

}  // namespace
