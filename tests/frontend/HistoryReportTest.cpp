// The history page's two-column report of one level result: the label texts, each value line's
// run of column characters, hits and accuracy, the best time and accuracy over the level's
// records, and the target-range report of each weapon.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "core/SObjectDef.h"
#include "frontend/screens/SHistoryScreen.h"

namespace {

std::string R(int n) { return std::string(static_cast<size_t>(n), '\x1A'); }

SObjectDef* Record(std::initializer_list<std::pair<const char*, int>> values, const char* weapon = "MP5") {
    auto* record = new SObjectDef;
    for (const auto& [name, value] : values)
        record->SetOrAppendInt(name, value);
    record->SetOrAppend("Weapon", weapon, 0);
    return record;
}

class HistoryReportTest : public ::testing::Test {
protected:
    void TearDown() override { m_records.DeleteAll(); }
    SObjectDefList m_records;
};

TEST_F(HistoryReportTest, ScenarioReportLinesUpEachValueBesideItsLabel) {
    SObjectDef* shown = Record({{"Time", 125000}, {"NumberOfTargets", 12}, {"Fired", 20}, {"BHits", 10}, {"GHits", 1},
                                {"BMissed", 2}, {"Injury", 3}, {"BKHits", 5}, {"BBHits", 3}, {"BNKHits", 2},
                                {"Score", 80}, {"PassScore", 60}});
    m_records.AddTail(Record({{"Time", 90000}, {"Fired", 10}, {"BKHits", 8}, {"BBHits", 2}}));
    m_records.AddTail(shown);
    m_records.AddTail(Record({{"Time", 200000}, {"Fired", 0}, {"BKHits", 4}}));

    const std::string head = R(2) + "2 min 5 sec\n" + R(5) + "MP5\n" + R(11) + "12\n" + R(2) + "20\n" + R(11) + "7\n" +
                             R(3) + "-3\n" + R(15) + "2\n" + R(9) + "10\n" + R(14) + "5\n" + R(14) + "3\n" + R(19) +
                             "2\n" + R(13) + "1\n" + R(1) + "45%\n" + R(3) + "80/60\n" + R(1) + "\n";
    const auto walk = SHistoryScreen::BuildScenarioReport(*shown, m_records, false);
    EXPECT_EQ(std::string(walk.values.GetString()), head + R(1) + "1 min 30 sec\n" + R(7) + "100%\n");
    EXPECT_EQ(std::string(walk.labels.GetString()),
              "Time spent: \nWeapon used: \nTotal # of targets: \nShots fired: \nComplete misses: \nInjury stats: \n"
              "Perp targets missed: \nPerp target hits: \nPerp head zone hits: \nPerp body zone hits: \n"
              "Perp wounded zone hits: \nVictim target hits: \nAccuracy: \n\n\nBest Time: \nBest Accuracy: \n");
    std::string third;
    for (int i = 0; i < 13; ++i)
        third += R(1) + "\n";
    EXPECT_EQ(std::string(walk.third.GetString()), third + "Final score: \n");

    const auto sniper = SHistoryScreen::BuildScenarioReport(*shown, m_records, true);
    EXPECT_EQ(std::string(sniper.values.GetString()), head + R(7) + "100%\n");
    EXPECT_EQ(std::string(sniper.labels.GetString()).find("Best Time: "), std::string::npos);
}

TEST_F(HistoryReportTest, AccuracyIsHitsPerShotInWholePercent) {
    const struct {
        int hits, fired, percent;
    } cases[] = {{9, 20, 45}, {5, 0, 0}, {1, 3, 33}, {2, 3, 66}, {10, 10, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(SHistoryScreen::Accuracy(c.hits, c.fired), c.percent) << c.hits << "/" << c.fired;
}

TEST_F(HistoryReportTest, TargetRangeReportOfEachWeapon) {
    SObjectDef score;
    score.SetOrAppendInt("Pistol9MMQualifyScore", 70);
    score.SetOrAppendInt("ShotgunQualifyScore", 60);
    score.SetOrAppendInt("SniperQualifyScore", 80);
    score.SetOrAppendInt("MP5QualifyScore", 65);
    SObjectDef* record =
        Record({{"Fired", 10}, {"BHits", 8}, {"BKHits", 5}, {"BNKHits", 3}, {"BMissed", 2}, {"Score", 75}});
    m_records.AddTail(record);
    const auto values = [](int a, int b, int c, int d, int e, int f, int g, int need) {
        return R(a) + "10\n" + R(b) + "8\n" + R(c) + "5\n" + R(d) + "3\n" + R(e) + "2\n" + R(f) + "80%\n" + R(g) +
               "75/" + std::to_string(need) + "\n\n\n";
    };
    const struct {
        const char* weapon;
        const char* display;
        std::string values;
    } cases[] = {
        {"pistol9mm", "9mm Pistol", values(10, 8, 13, 18, 12, 15, 10, 70)},
        {"Shotgun", "Shotgun", values(7, 5, 10, 15, 9, 12, 7, 60)},
        {"SNIPER", "Sniper", values(5, 3, 8, 13, 7, 10, 5, 80)},
        {"MP5", "MP5", values(2, 0, 5, 10, 4, 7, 2, 65)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        const auto report = SHistoryScreen::BuildTargetRangeReport(*record, c.weapon, &score);
        const std::string d = c.display;
        EXPECT_EQ(std::string(report.labels.GetString()), d + " fired: \n" + d + " hits: \n" + d + " kill hits: \n" + d +
                                                              " wound hits: \n" + d + " missed: \n" + d +
                                                              " accuracy: \n" + d + " score: \n\n");
        EXPECT_EQ(std::string(report.values.GetString()), c.values);
        EXPECT_TRUE(report.third.IsEmpty());
    }
    const auto other = SHistoryScreen::BuildTargetRangeReport(*record, "Pistol9mm-MP5", &score);
    EXPECT_TRUE(other.labels.IsEmpty() && other.values.IsEmpty() && other.third.IsEmpty());
}

}  // namespace
