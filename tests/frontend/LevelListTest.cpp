// The career's level list read from the library's "Scenario" definition: which lines make
// levels, which levels are open, the pictures of a level, the weapon rule with its message and
// the score shown for a level.

#include <gtest/gtest.h>

#include <string>

#include "core/SObjectDef.h"
#include "frontend/career/SHunterInfo.h"
#include "frontend/career/SLevelList.h"

namespace {

class LevelListTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bUnlockLevels = false;
        m_scenario.SetName("Scenario");
    }
    void TearDown() override {
        DeleteLevelList(g_LevelList);
        g_bUnlockLevels = false;
    }
    void Set(const char* name, const char* value) { m_scenario.SetOrAppend(name, value, 0); }
    // Five levels 0..4 with the pictures 10 + index and 20 + index.
    void FiveLevels() {
        for (int i = 0; i < 5; ++i) {
            const std::string n = std::to_string(i);
            Set(("Level0" + n).c_str(), ("1,AlleyWalk,MP5," + n + ",1" + n + ",2" + n + ",7,Level " + n + ";x").c_str());
        }
        Set("LevelImage00", "11,Images:one  trailing");
        Set("LevelImage01", "21,Images:two");
        Set("LevelImage02", "11,Images:second-eleven");
    }
    static void AddResult(SHunterInfo& officer, int level, int passed, int score) {
        auto* record = new SObjectDef;
        record->SetName("LevelQScore");
        record->SetOrAppendInt("LevelIndex", level);
        record->SetOrAppendInt("LevelPassed", passed);
        record->SetOrAppendInt("Score", score);
        officer.AddLevelScore(record);
    }

    SObjectDef m_scenario;
};

TEST_F(LevelListTest, LinesMakeLevelsUpToTheFirstMissingNumber) {
    Set("Level00", "1,TargetRange,Pistol9mm,0,0,1,9,Shoot the targets;ignored");
    Set("Level01", "2,AlleyWalk,Shotgun-MP5,1");  // fields the line does not have stay empty
    Set("Level02", "bad line");  // too few fields: not a level, but the list goes on
    Set("Level03", ("3," + std::string(80, 'T') + ",MP5,3").c_str());  // a field past its room ends the scan
    Set("Level04", ("3,AlleyWalk,MP5,4,0,0,0," + std::string(300, 'D')).c_str());
    Set("Level06", "1,SniperRange,Sniper,6,0,0,0,never read");
    LevelInfoList list;
    ReadLevelList(list, &m_scenario, 0);
    ASSERT_EQ(list.size(), 3u);
    const level_info_t& first = *list[0];
    EXPECT_EQ(first.m_iSkill, 1);
    EXPECT_STREQ(first.m_szTypeName, "TargetRange");
    EXPECT_STREQ(first.m_szWeapons, "Pistol9mm");
    EXPECT_EQ(first.m_iLevelIndex, 0);
    EXPECT_EQ(first.m_iImage2, 1);
    EXPECT_EQ(first.m_iExtra, 9);
    EXPECT_STREQ(first.m_szDescription, "Shoot the targets");
    EXPECT_STREQ(list[1]->m_szWeapons, "Shotgun-MP5");
    EXPECT_EQ(list[1]->m_iImage1, 0);
    EXPECT_STREQ(list[1]->m_szDescription, "");
    // The last field is cut to its room.
    EXPECT_EQ(std::string(list[2]->m_szDescription), std::string(255, 'D'));
    EXPECT_EQ(FindLevelByIndex(list, 4), list[2].get());
    EXPECT_EQ(FindLevelByIndex(list, 3), nullptr);
    EXPECT_EQ(FindLevelByIndex(list, 5), nullptr);

    ReadLevelList(list, nullptr, 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(LevelListTest, OpenLevelsFollowProgressOrTheUnlockFlag) {
    FiveLevels();
    const struct {
        int progress;
        bool unlock;
        bool history;
        int openUpTo;
    } cases[] = {{2, false, false, 3}, {2, true, false, 4}, {0, false, false, 1}, {-1, false, true, 0}, {3, false, true, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.progress << (c.unlock ? " unlocked" : "") << (c.history ? " history" : ""));
        g_bUnlockLevels = c.unlock;
        std::vector<int> open;
        if (c.history) {
            LevelSummaryList list;
            ReadLevelList(list, &m_scenario, c.progress);
            ASSERT_EQ(list.size(), 5u);
            EXPECT_STREQ(list[4]->m_sDescription.GetString(), "Level 4");
            for (const auto& level : list)
                open.push_back(level->m_bAccessible);
        } else {
            LevelInfoList list;
            ReadLevelList(list, &m_scenario, c.progress);
            ASSERT_EQ(list.size(), 5u);
            for (const auto& level : list)
                open.push_back(level->m_bAccessible);
        }
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(open[i], i <= c.openUpTo ? 1 : 0) << i;
    }
}

TEST_F(LevelListTest, PicturesAreTheFirstImageLineOfTheirNumber) {
    FiveLevels();
    LevelInfoList list;
    ReadLevelList(list, &m_scenario, 0);
    EXPECT_STREQ(list[1]->m_szImageFile1, "Images:one");
    EXPECT_STREQ(list[1]->m_szImageFile2, "Images:two");
    EXPECT_STREQ(list[0]->m_szImageFile1, "");  // 10 matches no line
    char file[128] = "old";
    FindLevelImage(file, 99, &m_scenario);
    EXPECT_STREQ(file, "");
}

TEST_F(LevelListTest, WeaponRuleAndItsMessage) {
    const std::string closing = "\n qaulified before entering this level.\n Please visit the target range area first.";
    const struct {
        const char* weapons;
        bool accessible;
        int result;
        std::string message;
    } cases[] = {
        {"Shotgun-MP5", true, 0, "You need the MP5\n" + closing},
        {"Shotgun", true, 1, ""},
        {"Shotgun", false, 0, ""},
        {"AllWeapons", true, 1, ""},
        {"MP5-allweapons", true, 1, ""},
        {"Sniper--Pistol9mm", true, 0, "You need the Sniper\nPistol9mm\n" + closing},
        {"", true, 0, "You need the " + closing},
    };
    SHunterInfo officer("Al");
    officer.m_bQualifiedShotgun = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapons);
        level_info_t level;
        std::snprintf(level.m_szWeapons, sizeof(level.m_szWeapons), "%s", c.weapons);
        level.m_bAccessible = c.accessible ? 1 : 0;
        SString message;
        EXPECT_EQ(CheckLevelQualification(&level, &officer, message), c.result);
        EXPECT_EQ(std::string(message.GetString()), c.message);
    }
    SString message;
    EXPECT_EQ(CheckLevelQualification(nullptr, &officer, message), 0);
    EXPECT_STREQ(message.GetString(), "??? No level info.");
}

TEST_F(LevelListTest, ScoreTextIsTheLastPassedScore) {
    SHunterInfo officer("Al");
    AddResult(officer, 1, 1, 40);
    AddResult(officer, 1, 0, 90);
    AddResult(officer, 1, 1, 55);
    AddResult(officer, 2, 0, 70);
    EXPECT_STREQ(GetLevelScoreText(&officer, 1).GetString(), "55");
    EXPECT_STREQ(GetLevelScoreText(&officer, 2).GetString(), "N/A");
    EXPECT_STREQ(GetLevelScoreText(&officer, 3).GetString(), "N/A");
    EXPECT_STREQ(GetLevelScoreText(nullptr, 1).GetString(), "ERR");
}

}  // namespace
