#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "app/SGameObjects.h"
#include "frontend/screens/SButtonSlide.h"
#include "sys/rand.h"
#include "sys/time/time.h"
#include "tests/frontend/ScreenTestSupport.h"
#include "ui/SDC.h"

using screentest::Log;
using screentest::RecordingScreen;

namespace {

class AppScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        Log().clear();
        sys::time::SetFakeTicks(1000);
        screentest::InstallRecordingScreens(m_Manager);
        SGameObjects::Instance()->m_pScreenManager = &m_Manager;
        m_Manager.SetSurfaces(&m_Context, nullptr);
        m_Manager.SwitchTo(0);
        m_pPage = static_cast<RecordingScreen*>(m_Manager.GetScreen(0));
        m_pPage->m_nTarget = 5;
    }
    void TearDown() override { SGameObjects::Instance()->m_pScreenManager = nullptr; }

    // One main-loop frame: the update, then the draw.
    void Frame() {
        m_pPage->Update();
        m_pPage->Draw(&m_Context);
    }

    SDC m_Context;
    SScreenManager m_Manager;
    RecordingScreen* m_pPage = nullptr;
};

// The step that ends the slide, the draw that latches it, the update that reports it.
TEST_F(AppScreenTest, SlideEndReachesThePageAtTheThirdFrameAndOnlyOutwardSlidesSwitch) {
    m_pPage->StartSlide(1);
    m_pPage->Update();
    EXPECT_TRUE(m_pPage->IsSlideFinished());
    EXPECT_FALSE(m_pPage->IsSlideLatched());
    m_pPage->Draw(&m_Context);
    EXPECT_TRUE(m_pPage->IsSlideLatched());
    Log().clear();
    Frame();
    Frame();  // repeated every frame, and harmless
    EXPECT_EQ(Log(), (std::vector<std::string>{"slide done 0", "slide done 0"}));
    EXPECT_EQ(m_Manager.GetCurrentId(), 0);
    EXPECT_FALSE(m_pPage->HasSlidOut());

    m_pPage->StartSlide(0);
    EXPECT_FALSE(m_pPage->IsSlideLatched());
    Frame();
    EXPECT_EQ(m_Manager.GetCurrentId(), 0);
    Log().clear();
    Frame();
    EXPECT_EQ(m_Manager.GetCurrentId(), 5);
    EXPECT_EQ(Log().front(), "slide done 0");
    EXPECT_NE(std::find(Log().begin(), Log().end(), "deactivate 0"), Log().end());

    // Back on the page without a new slide: the old outward slide does not send it away again.
    m_Manager.SwitchTo(0);
    Frame();
    Frame();
    EXPECT_EQ(m_Manager.GetCurrentId(), 0);
}

// Buttons of a real layout take the full 250 ms before the page hears of the end.
TEST_F(AppScreenTest, SlideOfTheLayoutRunsOnTheClock) {
    m_pPage->GiveLayout();
    auto* pButton = new SWindow;
    pButton->Create(nullptr, "", 0, sys::RECT{100, 10, 200, 40}, m_pPage->GetLayout(), 20, nullptr);
    m_pPage->StartSlide(1);
    EXPECT_EQ(m_pPage->GetButtonSlide()->GetWindow(), m_pPage->GetLayout());
    Frame();
    EXPECT_FALSE(m_pPage->IsSlideFinished());
    sys::time::SetFakeTicks(1000 + 251);
    Frame();
    EXPECT_TRUE(m_pPage->IsSlideLatched());
    EXPECT_EQ(pButton->GetWindowRect().left, 100);
}

// A target without a page class must not strand the player on a page without buttons.
TEST_F(AppScreenTest, AnOutwardSlideToAMissingPageSlidesBackIn) {
    m_Manager.SetScreenFactory(5, nullptr);
    m_pPage->StartSlide(0);
    Frame();
    Frame();
    EXPECT_EQ(m_Manager.GetCurrentId(), 0);
    EXPECT_EQ(m_pPage->GetSlideDirection(), 1);
    EXPECT_FALSE(m_pPage->HasSlidOut());
}

TEST_F(AppScreenTest, VoiceOverChoice) {
    EXPECT_EQ(SAppScreen::ChooseVoiceOver(nullptr), nullptr);
    const char* const empty[] = {nullptr};
    EXPECT_EQ(SAppScreen::ChooseVoiceOver(empty), nullptr);
    const char* const one[] = {"VoiceMale:a", nullptr};
    for (int i = 0; i < 20; ++i)
        EXPECT_STREQ(SAppScreen::ChooseVoiceOver(one), "VoiceMale:a");
    // Each of five entries wins about one time in five (20.1, 20.1, 19.8, 20.0, 20.0 %).
    const char* const five[] = {"a", "b", "c", "d", "e", nullptr};
    std::array<int, 5> wins{};
    sys::Srand(7);
    for (int i = 0; i < 5000; ++i)
        ++wins[static_cast<size_t>(*SAppScreen::ChooseVoiceOver(five) - 'a')];
    for (int n : wins) {
        EXPECT_GT(n, 850);
        EXPECT_LT(n, 1150);
    }
}

}  // namespace
