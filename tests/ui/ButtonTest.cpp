#include "WidgetTestSupport.h"
#include "ui/widgets/SButton.h"

namespace {

using namespace widgettest;
using windowtest::TestImage;

class ButtonTest : public WidgetTest {
protected:
    SButton* Make(uint32_t dwStyle, sys::RECT rc, uint32_t nID, uint32_t dwGroup = 0) {
        auto* pButton = new SButton;
        pButton->CreateButton("Go", dwStyle, rc, parent, nID);
        pButton->SetGroup(dwGroup);
        return pButton;
    }
};

TEST_F(ButtonTest, ToggleUnchecksSilentlyAndChecksWithMinusSeven) {
    SButton* pBox = Make(SButton::kStyleToggle, {10, 10, 30, 30}, 7);
    Press(15, 15);
    Release(15, 15);
    EXPECT_EQ(pBox->GetCheck(), 1);
    Press(15, 15);
    Release(15, 15);
    EXPECT_EQ(pBox->GetCheck(), 0);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"7/-7", "7/-2", "7/-2"}));
    EXPECT_EQ(SWindow::GetLastMousePosition(), (sys::POINT{5, 5}));
}

TEST_F(ButtonTest, RadioPressSwitchesOffTheSameGroupOfTheSameParentOnly) {
    SButton* pA = Make(SButton::kStyleGroup, {0, 0, 20, 20}, 2, 5);
    SButton* pB = Make(SButton::kStyleGroup, {30, 0, 50, 20}, 3, 5);
    SButton* pOther = Make(SButton::kStyleGroup, {60, 0, 80, 20}, 4, 6);
    SWindow other;
    other.Create(nullptr, "other", 0, {100, 100, 200, 200}, nullptr, 9, nullptr);
    auto* pElsewhere = new SButton;
    pElsewhere->CreateButton("x", SButton::kStyleGroup, {0, 0, 10, 10}, &other, 1);
    pElsewhere->SetGroup(5);
    pElsewhere->SetCheck(1);
    pB->SetCheck(1);
    pOther->SetCheck(1);
    Press(5, 5);
    Release(5, 5);
    EXPECT_EQ(pA->GetCheck(), 1);
    EXPECT_EQ(pB->GetCheck(), 0);
    EXPECT_EQ(pOther->GetCheck(), 1);
    EXPECT_EQ(pElsewhere->GetCheck(), 1);
    // SetCheck switches the group too, and says nothing.
    log.clear();
    pB->SetCheck(1);
    EXPECT_EQ(pA->GetCheck(), 0);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(ButtonTest, PushButtonIsCheckedOnlyWhilePressedAndPopsUpWhenTheMouseLeaves) {
    SButton* pPush = Make(0, {0, 0, 20, 20}, 2);
    Press(5, 5);
    EXPECT_EQ(pPush->GetCheck(), 1);
    Release(5, 5);
    EXPECT_EQ(pPush->GetCheck(), 0);
    Press(5, 5);
    parent->SWindow::SetMouseOver();
    CellDC dc;
    pPush->Draw(&dc);
    EXPECT_EQ(pPush->GetCheck(), 0);
}

TEST_F(ButtonTest, DisabledButtonIgnoresPressesAndShowsItsFourthImage) {
    SButton* pButton = Make(SWindow::kStyleNoParentNotify, {0, 0, 20, 20}, 2);
    TestImage images[4];
    for (TestImage& image : images)
        pButton->AddResource(&image, false);
    pButton->OnLButtonDown(0, 5, 5);
    EXPECT_EQ(pButton->GetCheck(), 0);
    CellDC dc;
    pButton->Draw(&dc);
    ASSERT_EQ(dc.m_calls.size(), 1u);
    EXPECT_EQ(dc.m_calls[0].pImage, &images[3]);
    pButton->GetResourceArray()->RemoveAll();
}

TEST_F(ButtonTest, ButtonWithoutImagesWritesItsTextThreePixelsIn) {
    SButton* pButton = Make(0, {10, 20, 60, 40}, 2);
    CellDC dc;
    pButton->Draw(&dc);
    ASSERT_EQ(dc.m_texts.size(), 1u);
    EXPECT_EQ(dc.m_texts[0].text, "Go");
    EXPECT_EQ(dc.m_texts[0].x, 13);
    EXPECT_EQ(dc.m_texts[0].y, 23);
}

TEST_F(ButtonTest, HoverImageOnlyWhenTheArrayHasOne) {
    SButton* pButton = Make(0, {0, 0, 20, 20}, 2);
    TestImage images[3];
    for (TestImage& image : images)
        pButton->AddResource(&image, false);
    pButton->SetMouseOver();
    EXPECT_TRUE(pButton->GetHoverFlag());
    CellDC dc;
    pButton->Draw(&dc);
    ASSERT_EQ(dc.m_calls.size(), 1u);
    EXPECT_EQ(dc.m_calls[0].pImage, &images[2]);
    parent->SWindow::SetMouseOver();
    pButton->Draw(&dc);
    EXPECT_EQ(dc.m_calls[1].pImage, &images[0]);
    EXPECT_FALSE(pButton->GetHoverFlag());
    pButton->GetResourceArray()->RemoveAll();
}

}  // namespace
