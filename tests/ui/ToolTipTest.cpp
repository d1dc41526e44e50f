#include "UiTestSupport.h"
#include "WidgetTestSupport.h"
#include "ui/widgets/SToolTipCtrl.h"

namespace {

using widgettest::CellDC;

// A frame context over a real 640 x 480 surface, so the tip box is held on it.
class SurfaceCellDC : public CellDC {
public:
    SDXSurface* GetSurface() override { return m_pSurface; }
    SDXSurface* m_pSurface = nullptr;
};

class ToolTipTest : public tarvex::test::UiDisplayTest {
protected:
    void SetUp() override {
        UiDisplayTest::SetUp();
        MakeSurface(surface, 640, 480);
        dc.m_pSurface = &surface;
        sys::time::SetFakeTicks(5000);
        screen.Create(nullptr, "screen", 0, {0, 0, 640, 480}, nullptr, 1, nullptr);
        tips = new SToolTipCtrl;
        tips->CreateToolTip(&screen, 0);
        for (SWindow** ppWindow : {&first, &second, &plain}) {
            *ppWindow = new SWindow;
            (*ppWindow)->Create(nullptr, "", 0, {100, 100, 150, 120}, &screen, 2, nullptr);
        }
        second->MoveWindow({300, 0, 350, 20});
        tips->AddTip(first, "Start the mission");
        tips->AddTip(second, "Quit");
    }
    void TearDown() override {
        screen.SWindow::SetMouseOver();
        UiDisplayTest::TearDown();
    }
    // One frame after ms more milliseconds; whether a tip was drawn.
    bool Frame(uint32_t ms) {
        sys::time::AdvanceFake(ms);
        dc.m_texts.clear();
        tips->Update(reinterpret_cast<uintptr_t>(static_cast<SDC*>(&dc)));
        return !dc.m_texts.empty();
    }

    SDXSurface surface;
    SurfaceCellDC dc;
    SWindow screen;
    SToolTipCtrl* tips = nullptr;
    SWindow* first = nullptr;
    SWindow* second = nullptr;
    SWindow* plain = nullptr;
};

TEST_F(ToolTipTest, ShowsAfterHalfASecondAboveTheWindow) {
    first->SetMouseOver();
    EXPECT_FALSE(Frame(0));
    EXPECT_FALSE(Frame(500));
    ASSERT_TRUE(Frame(1));
    // 17 characters: 102 x 14; box (100, 100 - 14 - 6, 100 + 102 + 4, 100 - 2).
    EXPECT_EQ(tips->GetTipRect(), (sys::RECT{100, 80, 206, 98}));
    EXPECT_EQ(dc.m_texts[0].text, "Start the mission");
    EXPECT_EQ(dc.m_texts[0].x, 102);
    EXPECT_EQ(dc.m_texts[0].y, 82);
}

TEST_F(ToolTipTest, AnotherWindowRestartsTheWaitAndAWindowWithoutATipHidesAtOnce) {
    first->SetMouseOver();
    Frame(0);
    EXPECT_TRUE(Frame(600));
    second->SetMouseOver();
    EXPECT_FALSE(Frame(400));
    plain->SetMouseOver();
    EXPECT_FALSE(Frame(0));
    EXPECT_EQ(tips->GetCurrentWindow(), nullptr);
    second->SetMouseOver();
    Frame(0);
    ASSERT_TRUE(Frame(501));
    // At the top of the screen the box moves down to the top edge.
    EXPECT_EQ(tips->GetTipRect(), (sys::RECT{300, 0, 300 + 24 + 4, 18}));
}

TEST_F(ToolTipTest, OneTipPerWindowAndEmptyTextsNeverShow) {
    tips->AddTip(first, "");
    EXPECT_EQ(tips->GetTipCount(), 2);
    first->SetMouseOver();
    Frame(0);
    EXPECT_FALSE(Frame(1000));
    EXPECT_EQ(tips->RemoveTip(first), 1);
    EXPECT_EQ(tips->RemoveTip(first), 0);
}

TEST_F(ToolTipTest, TipOfADeletedWindowGoesWithIt) {
    delete second;
    second = nullptr;
    screen.SWindow::SetMouseOver();
    Frame(0);
    EXPECT_EQ(tips->GetTipCount(), 1);
    EXPECT_EQ(tips->FindTip(first)->m_strText, "Start the mission");
}

TEST_F(ToolTipTest, TickWrapDoesNotHideOrHurryTheTip) {
    sys::time::SetFakeTicks(0xFFFFFF00u);
    first->SetMouseOver();
    Frame(0);
    EXPECT_FALSE(Frame(0x100));  // 256 ms later, past the wrap
    EXPECT_TRUE(Frame(300));
}

}  // namespace
