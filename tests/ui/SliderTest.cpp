#include "WidgetTestSupport.h"
#include "ui/widgets/SScrollBar.h"
#include "ui/widgets/SSlider.h"

namespace {

using namespace widgettest;

std::vector<int> g_changes;
void RecordChange(int nPosition) { g_changes.push_back(nPosition); }

class SliderTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        g_changes.clear();
    }
};

TEST_F(SliderTest, SetPosClampsAndLimitsMoveThePosition) {
    SSlider slider;
    slider.SetChangeCallback(RecordChange);
    slider.SetPos(300);
    EXPECT_EQ(slider.GetPos(), 255);
    slider.SetPos(200);
    slider.SetMax(100);
    EXPECT_EQ(slider.GetPos(), 100);
    slider.SetMin(150);
    EXPECT_EQ(slider.GetPos(), 150);
    EXPECT_EQ(g_changes, (std::vector<int>{255, 200, 100, 150}));
}

TEST_F(SliderTest, PressDragReleaseNotifiesAndMapsFromTheMinimum) {
    auto* pSlider = new SSlider;
    pSlider->CreateSlider("", 0, {100, 10, 200, 30}, parent, 4);
    pSlider->SetMin(100);
    pSlider->SetMax(200);
    pSlider->SetChangeCallback(RecordChange);
    Press(120, 20);
    EXPECT_TRUE(pSlider->IsPressed());
    EXPECT_EQ(SWindow::GetCapture(), pSlider);
    Move(150, 20);  // half the track
    EXPECT_EQ(pSlider->GetPos(), 150);
    Release(175, 20);
    EXPECT_EQ(pSlider->GetPos(), 175);
    EXPECT_FALSE(pSlider->IsPressed());
    EXPECT_EQ(SWindow::GetCapture(), nullptr);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"4/-7", "4/4", "4/-2"}));
    EXPECT_EQ(g_changes, (std::vector<int>{150, 175}));
    // Left of the track the position is the minimum.
    Press(120, 20);
    Move(50, 20);
    EXPECT_EQ(pSlider->GetPos(), 100);
}

TEST_F(SliderTest, WithoutImagesABlueTrackAndATenPixelThumbAreDrawn) {
    auto* pSlider = new SSlider;
    pSlider->CreateSlider("", 0, {0, 0, 100, 20}, parent, 4);
    pSlider->SetPos(255);
    CellDC dc;
    pSlider->Draw(&dc);
    ASSERT_EQ(dc.m_calls.size(), 2u);
    EXPECT_EQ(dc.m_calls[0].rect, (sys::RECT{0, 0, 100, 20}));
    // Centre at the right edge: the thumb is pushed back inside.
    EXPECT_EQ(dc.m_calls[1].rect, (sys::RECT{90, 0, 100, 20}));
}

class ScrollBarTest : public SliderTest {
protected:
    SScrollBar* MakeBar() {
        auto* pBar = new SScrollBar;
        pBar->CreateScrollBar(SScrollBar::kStyleVertical, {0, 0, 20, 112}, parent, 6);
        pBar->SetRange(0, 50);
        pBar->SetChangeCallback(RecordChange);
        return pBar;
    }
};

TEST_F(ScrollBarTest, PartsLieWhereTheGeometrySaysForAVerticalBar) {
    SScrollBar* pBar = MakeBar();
    pBar->SetPos(25);
    // Arrows 12 high; offset = 25 * (112 - 24) / 50 = 44; centre 0 + 12 + 44 + 1 = 57.
    sys::RECT rc;
    pBar->GetPartRect(SScrollBar::kPartThumb, rc);
    EXPECT_EQ(rc, (sys::RECT{0, 51, 20, 63}));
    pBar->GetPartRect(SScrollBar::kPartLowerArrow, rc);
    EXPECT_EQ(rc, (sys::RECT{0, 100, 20, 112}));
    EXPECT_EQ(pBar->HitTest(5, 5), SScrollBar::kPartUpperArrow);
    EXPECT_EQ(pBar->HitTest(5, 30), SScrollBar::kPartPageBefore);
    EXPECT_EQ(pBar->HitTest(5, 57), SScrollBar::kPartThumb);
    EXPECT_EQ(pBar->HitTest(5, 80), SScrollBar::kPartPageAfter);
    EXPECT_EQ(pBar->HitTest(5, 105), SScrollBar::kPartLowerArrow);
    EXPECT_EQ(pBar->HitTest(50, 5), -1);
}

TEST_F(ScrollBarTest, ArrowsStepOnePagesFiveAndThePartIsReported) {
    SScrollBar* pBar = MakeBar();
    Press(5, 105);
    EXPECT_TRUE(pBar->IsLowerArrowPressed());
    Release(5, 105);
    EXPECT_FALSE(pBar->IsLowerArrowPressed());
    EXPECT_EQ(pBar->GetPos(), 1);
    Press(5, 105);
    Release(5, 105);
    parent->SendMessage(sys::WM_LBUTTONDBLCLK, 0, At(5, 105));
    Release(5, 105);
    EXPECT_EQ(pBar->GetPos(), 3);
    pBar->SetPos(10);
    Press(5, 100 - 2);  // page area after the thumb
    Release(5, 98);
    EXPECT_EQ(pBar->GetPos(), 15);
    Press(5, 5);  // upper arrow
    Release(5, 5);
    EXPECT_EQ(pBar->GetPos(), 14);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"6/0", "6/0", "6/0", "6/2", "6/1"}));
    pBar->SetPos(0);
    Press(5, 5);
    Release(5, 5);
    EXPECT_EQ(pBar->GetPos(), 0);
}

TEST_F(ScrollBarTest, ThumbPressReportsFourWithoutMovingAndDragAboveGivesTheMinimum) {
    SScrollBar* pBar = MakeBar();
    pBar->SetPos(25);
    Press(5, 57);
    EXPECT_EQ(pBar->GetPos(), 25);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"6/4"}));
    Move(5, -30);
    EXPECT_EQ(pBar->GetPos(), 0);
    Release(5, -30);
    EXPECT_EQ(Notes().size(), 1u);  // no click from a scroll bar
    pBar->SetPos(99);
    EXPECT_EQ(pBar->GetPos(), 99);  // stored as given
}

TEST_F(ScrollBarTest, RangeNotStartingAtZeroMapsOntoTheWholeTrack) {
    SScrollBar* pBar = MakeBar();
    pBar->SetRange(100, 150);
    pBar->SetPos(125);
    sys::RECT rc;
    pBar->GetPartRect(SScrollBar::kPartThumb, rc);
    EXPECT_EQ(rc, (sys::RECT{0, 51, 20, 63}));  // as 25 of 0..50
    Press(5, 57);
    Move(5, 56);  // half the bar's 112 pixels
    EXPECT_EQ(pBar->GetPos(), 125);
}

}  // namespace
