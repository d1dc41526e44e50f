#include "WidgetTestSupport.h"
#include "core/SResourceFactory.h"
#include "ui/widgets/SAnimation.h"
#include "ui/widgets/SMultiImage.h"
#include "ui/widgets/STextCtrl.h"

namespace {

using namespace widgettest;
using windowtest::TestImage;

class DisplayWidgetsTest : public WidgetTest {};

TEST_F(DisplayWidgetsTest, AnimationStepsEveryHundredMillisecondsAndStopsUnlessLooping) {
    for (bool bLoop : {false, true}) {
        TestImage images[3];
        auto* pAnimation = new SAnimation;
        for (TestImage& image : images)
            pAnimation->AddResource(&image, false);
        pAnimation->CreateAnimation(0, {0, 0, 10, 10}, parent, 3);
        pAnimation->SetLoop(bLoop);
        std::vector<int> shown;
        for (int i = 0; i < 5; ++i) {
            CellDC dc;
            pAnimation->Draw(&dc);
            shown.push_back(dc.m_calls.empty() ? -1 : static_cast<int>(static_cast<TestImage*>(dc.m_calls[0].pImage) - images));
            sys::time::AdvanceFake(101);
        }
        EXPECT_EQ(shown, bLoop ? (std::vector<int>{0, 1, 2, 0, 1}) : (std::vector<int>{0, 1, 2, -1, -1}));
        pAnimation->GetResourceArray()->RemoveAll();
        delete pAnimation;
    }
    SAnimation empty;
    empty.CreateAnimation(0, {0, 0, 10, 10}, nullptr, 3);
    sys::time::AdvanceFake(500);
    CellDC dc;
    empty.Draw(&dc);
    EXPECT_EQ(empty.GetFrame(), -1);
    EXPECT_TRUE(dc.m_calls.empty());
}

TEST_F(DisplayWidgetsTest, TextControlFormatFollowsTheStyle) {
    STextCtrl text;
    text.CreateText("Briefing", 0, {0, 0, 100, 50}, nullptr, 2);
    EXPECT_EQ(text.GetTextFormat(), sys::DT_WORDBREAK);
    text.SetStyle(0x1 | 0x8 | 0x10000);
    EXPECT_EQ(text.GetTextFormat(), sys::DT_CENTER | sys::DT_VCENTER);
    CellDC dc;
    text.SetTopLine(40);  // no engine font: the text starts at its beginning
    text.Draw(&dc);
    ASSERT_EQ(dc.m_draws.size(), 1u);
    EXPECT_EQ(dc.m_draws[0].text, "Briefing");
}

TEST_F(DisplayWidgetsTest, MultiImageReportsAMissingCatalogNameOnceAndDrawsNothing) {
    auto* pImage = new SMultiImage;
    pImage->Create(nullptr, "", 0, {0, 0, 20, 20}, parent, 4, nullptr);
    pImage->AddResourceName("missing.bmp");
    pImage->SetCurImage(0);
    ASSERT_EQ(sys::dialogs::headless::Shown().size(), 1u);
    EXPECT_EQ(sys::dialogs::headless::Shown()[0].text, "Failed to load file missing.bmp!");
    pImage->SetCurImage(0);
    EXPECT_EQ(sys::dialogs::headless::Shown().size(), 1u);
    pImage->SetCurImage(-1);
    EXPECT_EQ(pImage->GetCurImage(), -1);
    CellDC dc;
    pImage->Draw(&dc);
    EXPECT_TRUE(dc.m_calls.empty());
}

}  // namespace
