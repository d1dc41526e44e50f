// The application layout's value keywords: frame-relative positions with signs and nested
// remainders, the game's value tables with indexes out of range, quoted texts, the range read-
// outs, compass sectors and the latitude text. The running game is stood in for by a layout
// that answers the game-state questions from test fields.

#include <gtest/gtest.h>

#include <string>

#include "core/SDataCollection.h"
#include "frontend/hud/SAppLayout.h"
#include "sys/time/time.h"

namespace {

class GameLayout : public SAppLayout {
public:
    GameLayout() : SAppLayout(nullptr) {
        Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
        root.SetLayout(this);
    }

    SDataCollection* GetValueTable(ValueTable eTable) override { return eTable == kTableSetting ? &settings : nullptr; }
    bool ReadViewpoint(float* pPosition, float* pAngles) override {
        if (!viewActor)
            return false;
        for (int i = 0; i < 3; ++i) {
            pPosition[i] = position[i];
            pAngles[i] = angles[i];
        }
        return true;
    }
    bool HasViewActor() override { return viewActor; }
    bool QueryRange(bool, float& fRange) override {
        fRange = range;
        return rangeActor;
    }
    SD3D6Parser* GetRenderer() override { return nullptr; }

    int32_t Int(const char* text) { return GetValue(text, nullptr, &root); }
    float Float(const char* text) { return GetFloatValue(text, nullptr, &root); }
    std::string Text(const char* text) { return GetText(text, nullptr).GetString(); }

    SLayoutGroup root;
    SDataCollection settings{8, 1};
    bool viewActor = false;
    bool rangeActor = false;
    float range = 0.0f;
    float position[3] = {0.0f, 0.0f, 0.0f};
    float angles[3] = {0.0f, 0.0f, 0.0f};
};

class AppLayoutValuesTest : public testing::Test {
protected:
    void SetUp() override {
        SAppLayout::ResetSharedState();
        sys::time::SetFakeTicks(1000);
    }
    void TearDown() override { SAppLayout::ResetSharedState(); }

    GameLayout layout;
};

TEST_F(AppLayoutValuesTest, PositionsFollowTheFrameWithSignsAndRemainders) {
    EXPECT_EQ(layout.Int("-xr 10"), -650);
    EXPECT_EQ(layout.Int("xc"), 320);
    EXPECT_EQ(layout.Int("yb -40"), 440);
    EXPECT_EQ(layout.Int("xr xc 10"), 970);  // remainders nest without checks
    EXPECT_EQ(layout.Int("xs 0.25"), 160);
    EXPECT_EQ(layout.Int("ys 0.5"), 240);
    EXPECT_EQ(layout.Int("42"), 42);
    EXPECT_EQ(layout.Int("-7 3"), -10);
    EXPECT_EQ(layout.Int(""), 0);
    EXPECT_FLOAT_EQ(layout.Float("-yc"), -240.0f);
    EXPECT_FLOAT_EQ(layout.Float("1.5 0.25"), 1.75f);

    SAppLayout::SetLastRenderRect(sys::RECT{10, 20, 110, 220});
    EXPECT_EQ(layout.Int("vxc"), 60);
    EXPECT_EQ(layout.Int("vyc 5"), 125);
    EXPECT_EQ(layout.Int("vb"), 220);
}

TEST_F(AppLayoutValuesTest, TableEntriesOutOfRangeAnswerNothing) {
    layout.settings.SetValue(0, "12");
    layout.settings.SetValue(1, "2.5");
    EXPECT_EQ(layout.Int("setting 0"), 12);
    EXPECT_EQ(layout.Int("setting 0 xc"), 332);
    EXPECT_EQ(layout.Int("-setting 0"), -12);
    EXPECT_FLOAT_EQ(layout.Float("setting 1"), 2.5f);
    EXPECT_EQ(layout.Text("setting 1"), "2.5");

    for (const char* text : {"setting 2", "setting 99", "setting -1", "setting 100000", "setting", "str 0", "path 0",
                             "client 3"}) {
        EXPECT_EQ(layout.Int(text), 0) << text;
        EXPECT_FLOAT_EQ(layout.Float(text), 0.0f) << text;
        EXPECT_EQ(layout.Text(text), "") << text;
    }
}

TEST_F(AppLayoutValuesTest, QuotedTextsAndPlainWords) {
    EXPECT_EQ(layout.Text("\"  two words \""), "  two words ");
    EXPECT_EQ(layout.Text("\"open ended"), "open ended");
    EXPECT_EQ(layout.Text("anything else"), "anything else");
    EXPECT_EQ(layout.Text("cping"), "0");
}

TEST_F(AppLayoutValuesTest, RangeTextsShowDashesWithoutAValueAndRefreshEveryQuarterSecond) {
    EXPECT_FLOAT_EQ(layout.Float("crange"), -1.0f);
    EXPECT_EQ(layout.Text("crange"), "Range: ------");

    layout.rangeActor = true;
    layout.range = 123.456f;
    EXPECT_EQ(layout.Text("crange"), "Range: ------");  // still the cached text
    sys::time::AdvanceFake(250);
    EXPECT_EQ(layout.Text("crange"), "Range: 123.46");
    EXPECT_EQ(layout.Text("crangef"), "123.5");

    layout.range = -0.05f;
    sys::time::AdvanceFake(250);
    EXPECT_EQ(layout.Text("crange"), "Range: ------");
}

TEST_F(AppLayoutValuesTest, CompassSectorsUseTwentyTwoDegreeSteps) {
    const std::pair<int, const char*> cases[] = {{0, "N"},    {11, "N"},    {12, "NNE"},  {33, "NNE"}, {90, "E"},
                                                 {180, "S"},  {326, "NNW"}, {337, "NNW"}, {348, "N"}, {359, "N"},
                                                 {-10, "N"},  {-30, "NNW"}, {720, "N"},   {-400, "NNW"}};
    for (const auto& [angle, name] : cases)
        EXPECT_STREQ(SAppLayout::CompassName(angle), name) << angle;
    for (int angle = -100000; angle <= 100000; angle += 997) {
        const int sector = SAppLayout::CompassSector(angle, 16);
        EXPECT_TRUE(sector >= 0 && sector < 16) << angle;
    }
}

TEST_F(AppLayoutValuesTest, ViewValuesComeFromTheViewActorAtEachDraw) {
    EXPECT_EQ(layout.Int("cheading"), 0);  // no view actor
    layout.viewActor = true;
    layout.angles[0] = -12.5f;
    layout.angles[1] = 90.7f;
    layout.position[2] = 162000.0f;  // a degree and a half north of the base
    layout.UpdateViewpoint();
    EXPECT_EQ(layout.Int("cyaw"), 90);
    EXPECT_EQ(layout.Int("cpitch 2"), -10);
    EXPECT_EQ(layout.Int("-cheading"), -90);
    EXPECT_EQ(layout.Text("cheading"), "E");
    EXPECT_EQ(layout.Text("clat"), "001\x7f" "30'0.0''");
}

}  // namespace
