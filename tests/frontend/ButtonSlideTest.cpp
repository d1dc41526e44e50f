#include <gtest/gtest.h>

#include <memory>

#include "frontend/screens/SButtonSlide.h"
#include "frontend/screens/SButtonSlide1.h"
#include "sys/time/time.h"
#include "ui/SWindow.h"

namespace {

constexpr uint32_t kT0 = 50000;

class ButtonSlideTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys::time::SetFakeTicks(kT0);
        m_pLayout->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 1, nullptr);
    }
    SWindow* AddChild(sys::RECT rc, uint32_t nID) {
        auto* pChild = new SWindow;  // owned by the layout
        pChild->Create(nullptr, "", 0, rc, m_pLayout.get(), nID, nullptr);
        return pChild;
    }
    int StepAt(SButtonSlide& slide, uint32_t ms) {
        sys::time::SetFakeTicks(kT0 + ms);
        return slide.Step();
    }

    std::unique_ptr<SWindow> m_pLayout = std::make_unique<SWindow>();
};

// A child at 100..200 leaves to the left (100 < 440 - 168) and sets the distance 200 + 168;
// one at 500..600 leaves to the right (its candidate 40 + 168 is smaller).
TEST_F(ButtonSlideTest, InwardSlideRunsOnTheClockAndSnapsWithinTenPixels) {
    SWindow* pLeft = AddChild({100, 10, 200, 40}, 11);
    SWindow* pRight = AddChild({500, 10, 600, 40}, 12);
    SButtonSlide slide;
    slide.SetWindow(m_pLayout.get());
    slide.Start(1);
    EXPECT_EQ(slide.GetDistance(), 368);
    EXPECT_EQ(pLeft->GetWindowRect().left, -268);
    EXPECT_EQ(pRight->GetWindowRect().left, 868);

    EXPECT_EQ(StepAt(slide, 125), 0);  // half way: 184 of 368 pixels
    EXPECT_EQ(pLeft->GetWindowRect().left, -84);
    EXPECT_EQ(pRight->GetWindowRect().left, 684);
    EXPECT_EQ(pLeft->GetWindowRect().right - pLeft->GetWindowRect().left, 100);

    EXPECT_EQ(StepAt(slide, 240), 0);  // 353 pixels: still 15 short
    EXPECT_EQ(pLeft->GetWindowRect().left, 85);
    EXPECT_EQ(StepAt(slide, 244), 1);  // 359 pixels: 9 short, put on the target
    EXPECT_EQ(pLeft->GetWindowRect().left, 100);
    EXPECT_EQ(pRight->GetWindowRect().left, 500);
    EXPECT_TRUE(pLeft->IsVisible());
    EXPECT_EQ(slide.GetDistance(), 0);
    EXPECT_FALSE(slide.IsSliding(pLeft));
}

TEST_F(ButtonSlideTest, OutwardSlideEndsWithTheButtonsHiddenAtHome) {
    SWindow* pLeft = AddChild({100, 10, 200, 40}, 11);
    SWindow* pRight = AddChild({500, 10, 600, 40}, 12);
    SButtonSlide slide;
    slide.SetWindow(m_pLayout.get());
    slide.Start(0);
    EXPECT_EQ(slide.GetDirection(), 0);
    EXPECT_EQ(pLeft->GetWindowRect().left, 100);  // leaves from where it stands
    EXPECT_EQ(StepAt(slide, 125), 0);
    EXPECT_EQ(pLeft->GetWindowRect().left, 100 - 184);
    EXPECT_EQ(pRight->GetWindowRect().left, 500 + 184);
    EXPECT_EQ(StepAt(slide, 300), 1);
    EXPECT_EQ(pLeft->GetWindowRect().left, 100);
    EXPECT_EQ(pRight->GetWindowRect().left, 500);
    EXPECT_FALSE(pLeft->IsVisible());
    EXPECT_FALSE(pRight->IsVisible());
}

// The home edge 0 must not read as "not sliding": the child comes back all the same.
TEST_F(ButtonSlideTest, ChildWhoseHomeEdgeIsZeroSlidesBackIn) {
    SWindow* pChild = AddChild({0, 0, 50, 20}, 7);
    SButtonSlide slide;
    slide.SetWindow(m_pLayout.get());
    slide.Start(1);
    EXPECT_EQ(pChild->GetWindowRect().left, -218);
    EXPECT_TRUE(slide.IsSliding(pChild));
    EXPECT_EQ(StepAt(slide, 300), 1);
    EXPECT_EQ(pChild->GetWindowRect().left, 0);
}

TEST_F(ButtonSlideTest, EmptyWindowAndExcludedChildren) {
    SButtonSlide none;
    EXPECT_EQ(none.Step(), 1);  // no window at all
    SButtonSlide slide;
    slide.SetWindow(m_pLayout.get());
    slide.Start(1);
    EXPECT_EQ(slide.Step(), 1);

    SWindow* pKept = AddChild({100, 0, 200, 20}, 5);
    slide.AddExcludedId(5);
    slide.AddExcludedId(6);
    EXPECT_EQ(slide.FindExcludedId(6), 1);
    slide.Start(1);
    EXPECT_EQ(pKept->GetWindowRect().left, 100);
    slide.RemoveExcludedId(5);
    EXPECT_FALSE(slide.IsExcluded(5));
    EXPECT_EQ(slide.FindExcludedId(6), 0);
}

// A layout at 0..600 is first brought to 39 (639 - 600) and comes in from 679.
TEST_F(ButtonSlideTest, DialogSlideComesInFromTheRight) {
    m_pLayout->MoveWindow(sys::RECT{0, 0, 600, 400});
    SWindow* pChild = AddChild({100, 50, 200, 80}, 3);
    SButtonSlide1 slide;
    slide.SetWindow(m_pLayout.get());
    slide.Start(1);
    EXPECT_EQ(slide.GetDistance(), 400);
    EXPECT_EQ(m_pLayout->GetWindowRect().left, 679);
    EXPECT_FALSE(m_pLayout->IsVisible());
    EXPECT_EQ(StepAt(slide, 125), 0);
    EXPECT_TRUE(m_pLayout->IsVisible());
    EXPECT_EQ(m_pLayout->GetWindowRect().left, 39 + 320);
    EXPECT_EQ(StepAt(slide, 300), 1);
    EXPECT_EQ(m_pLayout->GetWindowRect().left, 39);
    EXPECT_EQ(m_pLayout->GetWindowRect().right, 639);
    EXPECT_EQ(pChild->GetWindowRect().left - m_pLayout->GetWindowRect().left, 100);
}

// A dialog's layout placed away from the left edge: its controls come to rest where they were,
// at the end of the slide or at once when the slide is settled before the layout is given back.
TEST_F(ButtonSlideTest, DialogControlsComeToRestWhereverTheLayoutLies) {
    m_pLayout->MoveWindow(sys::RECT{204, 92, 600, 424});
    SWindow* pChild = AddChild(sys::RECT{16, 16, 136, 40}, 5);  // placed from the layout's corner
    ASSERT_EQ(pChild->GetWindowRect().left, 220);
    SButtonSlide1 slide;
    slide.SetWindow(m_pLayout.get());
    slide.Start(1);
    int nDone = 0;
    for (uint32_t ms = 20; ms <= 400 && nDone == 0; ms += 20)
        nDone = StepAt(slide, ms);
    EXPECT_EQ(nDone, 1);
    EXPECT_EQ(m_pLayout->GetWindowRect().left, 204);
    EXPECT_EQ(pChild->GetWindowRect().left, 220);

    sys::time::SetFakeTicks(kT0 + 1000);
    slide.Start(1);
    StepAt(slide, 1100);
    EXPECT_NE(pChild->GetWindowRect().left, 220);
    slide.Settle();
    EXPECT_EQ(m_pLayout->GetWindowRect().left, 204);
    EXPECT_EQ(pChild->GetWindowRect().left, 220);
    EXPECT_TRUE(m_pLayout->IsVisible());
}

}  // namespace
