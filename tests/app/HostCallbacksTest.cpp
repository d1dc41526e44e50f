#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/CConfigData.h"
#include "app/CGraphicsData.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SHostCallbacks.h"
#include "app/SClientInfo.h"
#include "app/actors/SActorWorld.h"
#include "assets/models/SSMObject.h"
#include "assets/models/SViewModel.h"
#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SOfficerRecords.h"
#include "render/SD3D6Parser.h"

namespace {

SObjectDef* Def(const char* name, std::initializer_list<std::pair<const char*, const char*>> values) {
    auto* def = new SObjectDef;
    def->SetName(name);
    for (const auto& [key, value] : values)
        def->SetOrAppend(key, value, 0);
    return def;
}

// The program's hub with an officer made current for the test, and the graphics settings and
// the current officer put back afterwards. The front end's officer records are installed.
class HostCallbacksTest : public testing::Test {
protected:
    void SetUp() override {
        m_savedDirectory = std::filesystem::current_path();
        m_savedHooks = SOfficerHooks::Installed();
        SOfficerRecords::Install();
        m_hub = SGameObjects::Instance();
        m_savedOfficer = m_hub->m_pCurrentPlayer;
        m_gfx = m_hub->m_pConfig->m_pGraphics;
        m_saved = {m_gfx->m_iLandPop, m_gfx->m_iViewportIndex, m_gfx->m_iTextureQuality, m_gfx->m_bFog,
                   m_gfx->m_bFastScopes};
        FillHostCallbacks(m_table);
        m_officer.m_iStartIndex = 4;
        m_officer.m_iLevelType = 2;
        m_officer.m_iDayNight = 1;
        m_officer.m_iLevelIndex = 3;
        m_officer.m_iHighestPassedLevel = 1;
        m_officer.m_Bio.m_sAge = "41";
        m_officer.m_Bio.m_sCity = "Dover";
        m_officer.m_Bio.m_sState = "DE";
        m_officer.SetMapFile("alley.gmx");
        m_officer.m_pCarriedKit->AddTail(Def("Glock", {{"Ammo", "15"}, {"Color", "black"}}));
        m_officer.m_pStoredKit->AddTail(Def("Vest", {{"Class", "2"}}));
        m_officer.m_bTrophyAdded = 1;
        m_hub->m_pCurrentPlayer = &m_officer;
    }
    void TearDown() override {
        m_hub->m_pCurrentPlayer = m_savedOfficer;
        m_gfx->m_iLandPop = m_saved[0];
        m_gfx->m_iViewportIndex = m_saved[1];
        m_gfx->m_iTextureQuality = m_saved[2];
        m_gfx->m_bFog = m_saved[3];
        m_gfx->m_bFastScopes = m_saved[4];
        std::filesystem::current_path(m_savedDirectory);
        // Tests that run later expect the hooks they found, often none.
        SOfficerHooks::Install(m_savedHooks);
    }

    SObjectDef& Values() { return *m_hub->m_pClientConnect->m_pDef; }

    SHostCallbacks m_table{};
    SOfficerHooks* m_savedHooks = nullptr;
    SGameObjects* m_hub = nullptr;
    SHunterInfo* m_savedOfficer = nullptr;
    CGraphicsData* m_gfx = nullptr;
    std::array<int32_t, 5> m_saved{};
    SHunterInfo m_officer{"Smith"};
    std::filesystem::path m_savedDirectory;
};

TEST_F(HostCallbacksTest, LevelRecordCarriesTheGraphicsSettingsTheWorldsDateAndTheMapPath) {
    m_gfx->m_iLandPop = 37;
    m_gfx->m_iTextureQuality = 2;
    m_gfx->m_bFog = 0;
    m_gfx->m_bFastScopes = 1;
    m_hub->m_pGameItems->m_pWorld[0]->m_Date = SActorWorld().m_Date;
    SLevelInfo* info = nullptr;
    ASSERT_EQ(m_table.HostGetLevelInfo(&info), 1);
    ASSERT_EQ(info, &HostLevelInfo());
    const struct {
        int field;
        int value;
    } fields[] = {{1, 37}, {2, 2}, {5, 100}, {11, 16}, {15, 1}, {16, 1}, {18, 0}, {19, 1}, {21, 213}, {22, 0}, {25, 1}};
    for (const auto& f : fields)
        EXPECT_EQ(info->Field(f.field), f.value) << "field " << f.field;
    EXPECT_STREQ(info->m_sMapPath.GetString(), (m_hub->m_sBasePath + "\\Maps\\alley.gmx").GetString());

    // Without an officer the map path stays; the graphics values are still copied.
    m_hub->m_pCurrentPlayer = nullptr;
    m_table.HostSetMapPath("range.gmx");
    m_gfx->m_iLandPop = 12;
    ASSERT_EQ(m_table.HostGetLevelInfo(&info), 1);
    EXPECT_EQ(info->Field(1), 12);
    EXPECT_STREQ(info->m_sMapPath.GetString(), (m_hub->m_sBasePath + "\\Maps\\range.gmx").GetString());
}

TEST_F(HostCallbacksTest, PlayerDefinitionPlacesTheOfficersValues) {
    m_hub->SetGameType(0);
    m_gfx->m_iViewportIndex = 3;
    const struct {
        int landPop;
        const char* quads;
    } clamps[] = {{-5, "0"}, {37, "37"}, {70, "50"}};
    for (const auto& clamp : clamps) {
        m_gfx->m_iLandPop = clamp.landPop;
        SClientConnect* out = nullptr;
        ASSERT_EQ(m_table.HostBuildPlayerDefinition(&out), 1);
        ASSERT_EQ(out, m_hub->m_pClientConnect);
        EXPECT_STREQ(Values().GetValue(3).GetString(), clamp.quads);
    }
    const struct {
        int position;
        const char* name;
        const char* value;
    } positions[] = {{0, "Name", "Smith"}, {1, "", ""}, {2, "View", "3"}, {3, "ViewQuads", "50"}, {6, "StartIndex", "4"}};
    for (const auto& p : positions) {
        EXPECT_STREQ(Values().GetName(p.position).GetString(), p.name) << p.position;
        EXPECT_STREQ(Values().GetValue(p.position).GetString(), p.value) << p.position;
    }
    EXPECT_STREQ(Values().GetName(4).GetString(), "AttentionSounds");
    EXPECT_STREQ(Values().GetName(5).GetString(), "UsingLightGun");
    const struct {
        const char* key;
        std::string value;
    } named[] = {{"LevelType", "2"},
                 {"DayNight", "1"},
                 {"LevelIndex", "3"},
                 {"LevelPassed", "0"},
                 {"HS_NumHunts", "0"},
                 {"ScorePtr", std::to_string(reinterpret_cast<uintptr_t>(m_officer.m_pLevelScores))},
                 {"bioAge", "41"},
                 {"bioCity", "Dover"},
                 {"bioLocation", "Dover, DE\n"}};
    for (const auto& n : named)
        EXPECT_EQ(std::string(Values().GetValueByName(n.key).GetString()), n.value) << n.key;
    SObjectDefList& list = *m_hub->m_pClientConnect->m_pDefs;
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetHead()->GetName(), "Glock");
    EXPECT_EQ(list.GetHead()->GetIntByName("Ammo"), 15);
    EXPECT_EQ(list.GetTail()->GetName(), "QualifiedWeapons");
    EXPECT_EQ(m_officer.m_bTrophyAdded, 0);

    // Another game type leaves the start index empty; no officer leaves only the settings.
    m_hub->SetGameType(1);
    m_table.HostBuildPlayerDefinition(nullptr);
    EXPECT_STREQ(Values().GetValue(6).GetString(), "");
    m_hub->m_pCurrentPlayer = nullptr;
    EXPECT_EQ(m_table.HostBuildPlayerDefinition(nullptr), 1);
    EXPECT_STREQ(Values().GetName(2).GetString(), "View");
    EXPECT_EQ(Values().FindByName("Name"), -1);
    EXPECT_EQ(Values().FindByName("LevelType"), -1);
    EXPECT_EQ(list.GetCount(), 0);
    m_hub->SetGameType(0);
}

TEST_F(HostCallbacksTest, ScoresAreMergedIntoTheOfficer) {
    SClientConnect results;
    results.m_pDef->SetOrAppendInt("LevelPassed", 1);
    results.m_pDef->SetOrAppendInt("View", 2);
    results.m_pDef->SetOrAppendInt("HS_NumHunts", 1);
    for (SObjectDef* def : {Def("Glock", {{"Ammo", "3"}}), Def("Knife", {{"Edge", "1"}}), Def("DeerTrophy", {{"Points", "8"}}),
                            Def("RangeQScore", {{"Flag", "1"}, {"Score", "90"}}), Def("OtherQScore", {{"Flag", "0"}}),
                            Def("WeaponsScores", {{"Gun", "80"}, {"GunQ", "1"}})})
        results.m_pDefs->AddTail(def);
    m_officer.ClearChanged();

    EXPECT_EQ(m_table.HostPlayerScores(nullptr), 0);
    EXPECT_FALSE(m_officer.IsChanged());
    ASSERT_EQ(m_table.HostPlayerScores(&results), 1);

    SObjectDef* glock = m_officer.m_pCarriedKit->FindByName("Glock");
    EXPECT_EQ(glock->GetIntByName("Ammo"), 3);
    EXPECT_STREQ(glock->GetValueByName("Color").GetString(), "black");
    EXPECT_EQ(results.m_pDefs->FindByName("Glock")->GetIntByName("Saved"), 1);
    ASSERT_NE(m_officer.m_pStoredKit->FindByName("Knife"), nullptr);
    EXPECT_EQ(m_officer.m_pStoredKit->FindByName("Knife")->GetIntByName("Edge"), 1);
    ASSERT_EQ(m_officer.GetTrophyCount(), 1);
    EXPECT_EQ(m_officer.GetTrophy(0)->GetName(), "Trophy000000000");
    EXPECT_EQ(m_officer.GetTrophy(0)->GetIntByName("Points"), 8);
    ASSERT_EQ(m_officer.GetLevelScoreCount(), 1);
    EXPECT_EQ(m_officer.GetLevelScore(0)->GetIntByName("Score"), 90);
    EXPECT_EQ(m_officer.m_iScorePistol, 80);
    EXPECT_EQ(m_officer.m_bQualifiedPistol, 1);
    EXPECT_EQ(m_officer.m_iHighestPassedLevel, 3);
    EXPECT_EQ(m_gfx->m_iViewportIndex, 2);
    EXPECT_EQ(m_officer.m_Stats.m_iNumHunts, 1);
    EXPECT_TRUE(m_officer.IsChanged());

    // Without an officer nothing is taken.
    m_hub->m_pCurrentPlayer = nullptr;
    EXPECT_EQ(m_table.HostPlayerScores(&results), 0);
}

TEST_F(HostCallbacksTest, TrophiesAreNumberedAndLegalOnesCounted) {
    SObjectDefList trophies;
    trophies.AddTail(Def("Buck", {{"IsDeerPlayer", "1"}, {"Illegal", "1"}}));
    trophies.AddTail(static_cast<CObject*>(nullptr));
    trophies.AddTail(Def("Doe", {{"Illegal", "1"}}));
    trophies.AddTail(Def("Elk", {{"Illegal", "0"}}));
    ASSERT_EQ(m_table.HostAddTrophies(&trophies), 1);
    ASSERT_EQ(m_officer.GetTrophyCount(), 3);
    const char* names[] = {"Trophy000000000", "Trophy000000001", "Trophy000000002"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_officer.GetTrophy(i)->GetName(), names[i]);
    EXPECT_EQ(m_officer.GetTrophy(0)->GetIntByName("Illegal"), 0);
    EXPECT_EQ(m_officer.m_Stats.m_iTrophies, 2);

    m_hub->m_pCurrentPlayer = nullptr;
    EXPECT_EQ(m_table.HostAddTrophies(&trophies), 0);
    trophies.DeleteAll();
}

TEST_F(HostCallbacksTest, JournalPagesCountReadAndAdd) {
    const struct {
        int page;
        const char* text;
    } entries[] = {{3, "a"}, {0, "b"}, {3, "ccc"}, {5, "d"}};
    for (const auto& e : entries)
        m_officer.m_pThirdKit->AddTail(Def("", {{"Page", std::to_string(e.page).c_str()}, {"Entry", e.text}}));

    const struct {
        uint8_t mode;
        int32_t page;
        uint32_t size;
        int result;
        const char* bytes;  // what the buffer holds after the page word's place; null: untouched
        int length;
    } cases[] = {
        {0, 0, 3, 0, nullptr, 0},  {0, 0, 8, 4, "\2\0\0\0", 4}, {1, 3, 16, 6, "a\0ccc\0", 6},
        {1, 3, 5, 2, "a\0", 2},    {1, 3, 3, 0, nullptr, 0},    {1, 9, 16, 0, nullptr, 0},
        {9, 3, 16, 0, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << " size " << c.size);
        char buffer[16];
        std::memset(buffer, 'x', sizeof(buffer));
        std::memcpy(buffer, &c.page, 4);
        EXPECT_EQ(m_table.HostJournalPages(c.mode, buffer, c.size), c.result);
        if (c.bytes != nullptr)
            EXPECT_EQ(std::memcmp(buffer, c.bytes, c.length), 0);
        else
            EXPECT_EQ(std::memcmp(buffer, &c.page, 4), 0);
    }

    // A new entry's text ends with the buffer when it is not terminated inside it.
    char add[6] = {7, 0, 0, 0, 'n', 'e'};
    EXPECT_EQ(m_table.HostJournalPages(2, add, sizeof(add)), 0);
    ASSERT_EQ(m_officer.m_pThirdKit->GetCount(), 5);
    EXPECT_EQ(m_officer.m_pThirdKit->GetTail()->GetIntByName("Page"), 7);
    EXPECT_STREQ(m_officer.m_pThirdKit->GetTail()->GetValueByName("Entry").GetString(), "ne");

    m_hub->m_pCurrentPlayer = nullptr;
    char buffer[8] = {};
    EXPECT_EQ(m_table.HostJournalPages(0, buffer, sizeof(buffer)), 0);
}

TEST_F(HostCallbacksTest, ProfileDefinitionsAreFoundInBothKits) {
    EXPECT_EQ(m_table.HostFindProfileDefinition("glock"), m_officer.m_pCarriedKit->GetHead());
    EXPECT_EQ(m_table.HostFindProfileDefinition("Vest"), m_officer.m_pStoredKit->GetHead());
    EXPECT_EQ(m_table.HostFindProfileDefinition("Tank"), nullptr);
    EXPECT_EQ(m_table.HostFindProfileDefinition(nullptr), nullptr);
    m_hub->m_pCurrentPlayer = nullptr;
    EXPECT_EQ(m_table.HostFindProfileDefinition("Glock"), nullptr);
}

}  // namespace

namespace {

// The first-person pass over the third world's actors and the in-game screen's view models,
// with the two worlds of the test standing in for the game items' own.
class FirstPersonPassTest : public testing::Test {
protected:
    void SetUp() override {
        m_savedDirectory = std::filesystem::current_path();
        m_items = SGameObjects::Instance()->m_pGameItems;
        std::swap(m_items->m_pWorld[0], m_worlds[0]);
        std::swap(m_items->m_pWorld[2], m_worlds[1]);
        m_items->m_pClientInfo->m_pHunter = &m_body;
        m_items->m_pWorld[0]->m_pFocus = &m_body;
    }
    void TearDown() override {
        SetHostScreenViewModels(nullptr, nullptr, nullptr);
        m_items->m_pClientInfo->m_pHunter = nullptr;
        std::swap(m_items->m_pWorld[0], m_worlds[0]);
        std::swap(m_items->m_pWorld[2], m_worlds[1]);
        delete m_worlds[0];
        delete m_worlds[1];
        std::filesystem::current_path(m_savedDirectory);
    }

    // A drawn actor of the model, visible or not.
    template <typename Actor = SActor>
    Actor* Drawn(bool visible) {
        auto* actor = new Actor;
        actor->SetModelInstance(m_model.CreateHandle());
        actor->SetFlag("Visible", visible);
        return actor;
    }

    // The descriptions one pass hands out, starting from `cursor`.
    std::vector<void*> Pass(int32_t cursor) {
        std::vector<void*> seen;
        do {
            if (void* desc = HostNextViewModel(&cursor))
                seen.push_back(desc);
        } while (cursor != -1 && seen.size() < 10);
        return seen;
    }

    SSMObject m_model;
    SGameItems* m_items = nullptr;
    SActorWorld* m_worlds[2] = {new SActorWorld, new SActorWorld};
    SActor m_body;
    std::filesystem::path m_savedDirectory;
};

TEST_F(FirstPersonPassTest, VisibleModelsOfTheThirdWorldThenTheScreensAreHandedOut) {
    SActorWorld& third = *m_items->m_pWorld[2];
    SActor* first = Drawn(true);
    auto* hidden = Drawn<SViewModel>(true);
    hidden->m_bHidden = 1;
    SActor* last = Drawn(true);
    third.AddActor(first, 0, 0);
    third.AddActor(Drawn(false), 0, 1);
    third.AddActor(hidden, 0, 2);
    third.AddActor(last, 0, 4);
    EXPECT_EQ(Pass(0), (std::vector<void*>{&first->m_Desc, &last->m_Desc}));

    std::unique_ptr<SViewModel> screen[3] = {std::unique_ptr<SViewModel>(Drawn<SViewModel>(true)),
                                             std::unique_ptr<SViewModel>(Drawn<SViewModel>(true)),
                                             std::unique_ptr<SViewModel>(Drawn<SViewModel>(false))};
    SetHostScreenViewModels(screen[0].get(), screen[1].get(), screen[2].get());
    // The attachments go with the view model's visibility; their own flags are the renderer's.
    EXPECT_EQ(Pass(-1), (std::vector<void*>{&screen[0]->m_Desc, &screen[1]->m_Desc, &screen[2]->m_Desc}));
    screen[0]->SetFlag("Visible", false);
    EXPECT_TRUE(Pass(-1).empty());

    // Only in first person: a camera away from the body, or another focus, hands out nothing.
    m_items->m_pWorld[0]->m_vCameraOffset = SVector(0.0f, 0.5f, 0.0f);
    int32_t cursor = 0;
    EXPECT_EQ(HostNextViewModel(&cursor), nullptr);
    EXPECT_EQ(cursor, -1);
    m_items->m_pWorld[0]->m_vCameraOffset = SVector();
    m_items->m_pWorld[0]->m_pFocus = first;
    cursor = 0;
    EXPECT_EQ(HostNextViewModel(&cursor), nullptr);

    // The actor callback answers actors only (flag bit 2).
    EXPECT_EQ(HostActorCallback(first, 2), &first->m_Desc);
    EXPECT_EQ(HostActorCallback(first, 1), nullptr);
    EXPECT_EQ(HostActorCallback(nullptr, 2), nullptr);
}

}  // namespace
